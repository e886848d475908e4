// The Cluster Newton method run: evaluation passes over the cluster (on the global thread
// pool or one point after the other), scoring by SSR, undo of failed steps with per-point
// damping, the common damping search at the start of each stage, the statistics in the
// log, and the record written after every iteration and at the end.
#include "cnm/cluster_newton_method.h"

#include "cnm/cluster_newton_step.h"
#include "cnm/pool_work.h"
#include "cnm/thread_pool_backend.h"
#include "io/log_categories.h"
#include "model/evaluation_failures.h"

#include <QDebug>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

QString number(double value) {
    return QString::number(value, 'g', 6);
}

// The values without NaN, ascending.
QVector<double> sortedFinite(const QVector<double>& values) {
    QVector<double> s;
    s.reserve(values.size());
    for (double v : values)
        if (!std::isnan(v)) s.append(v);
    std::sort(s.begin(), s.end());
    return s;
}

// Entry `position` of a sorted list; positions are computed from the cluster size, so with
// dead points they can lie past the end: then the last value (NaN for an empty list).
double atPosition(const QVector<double>& sorted, int position) {
    if (sorted.isEmpty()) return NaN;
    if (position < 0) position = 0;
    return position < sorted.size() ? sorted[position] : sorted.last();
}

QString joined(const QVector<double>& values) {
    QString line;
    for (double v : values)
        line += number(v) + ", ";
    return line;
}

int countNotNaN(const QVector<double>& values) {
    int count = 0;
    for (double v : values)
        if (!std::isnan(v)) ++count;
    return count;
}

} // namespace

QVector<QVector<double>> parallelODEeval_aux_function(model_ode m) {
    const parameters& record = m.parameterSpec;
    const int index = record.pointIndex;
    const QVector<double> x =
        index >= 0 && index < record.clusterX.size() ? record.clusterX[index] : QVector<double>();
    const QVector<double> p = record.x_to_parameter(x);
    m.prepareDoseObsTimePoints(p);
    return m.evaluate(p);
}

cluster_newton_method::cluster_newton_method(QObject* parent) : QObject(parent) {}

cluster_newton_method::~cluster_newton_method() {
    if (writer.joinable()) writer.join();
}

void cluster_newton_method::setY_star_matrix(QVector<double> y, int n) {
    Y_obs = y;
    numPoints = n;
}

double cluster_newton_method::SSR(QVector<double> y) {
    const int m = Y_obs.size();
    if (y.size() != m) return NaN;
    double sum = 0.0;
    for (int j = 0; j < m; ++j) {
        const double d = y[j] - Y_obs[j];
        sum += d * d;
    }
    return sum;
}

QVector<double> cluster_newton_method::SSR(QVector<QVector<double>> Ysim) {
    QVector<double> out(Ysim.size());
    for (int i = 0; i < Ysim.size(); ++i)
        out[i] = SSR(Ysim[i]);
    return out;
}

double cluster_newton_method::SSR(QVector<double> y, QVector<QVector<double>> W) {
    const int m = Y_obs.size();
    double sum = 0.0;
    for (const QVector<double>& w : W) {
        if (y.size() != m || w.size() != m) return NaN;
        double wy = 0.0;
        double wo = 0.0;
        for (int j = 0; j < m; ++j) {
            wy += w[j] * y[j];
            wo += w[j] * Y_obs[j];
        }
        sum += (wy - wo) * (wy - wo);
    }
    return sum;
}

QVector<double> cluster_newton_method::SSR(QVector<QVector<double>> Ysim,
                                           QVector<QVector<double>> W) {
    QVector<double> out(Ysim.size(), 0.0);
    for (int i = 0; i < Ysim.size(); ++i)
        out[i] = SSR(Ysim[i], W);
    return out;
}

QVector<QVector<double>> cluster_newton_method::iterate_weighted_A(QVector<QVector<double>> X,
                                                                   QVector<QVector<double>> Y,
                                                                   QVector<bool> alive,
                                                                   QVector<double> lambdaVector) {
    // One draw per call seeds the per-point generators of the perturbed targets.
    return cluster_newton_step(X, Y, alive, lambdaVector, Y_obs, x_lowerBound, x_upperBound,
                               Y_star_noise, stage1, random(), stepPoints);
}

QVector<QVector<double>>
cluster_newton_method::iterate_weighted_A(QVector<QVector<double>> X, QVector<QVector<double>> Y,
                                          QVector<bool> alive, QVector<double> lambdaVector,
                                          QVector<QVector<double>> weightRows) {
    return cluster_newton_step(X, weighted_observations(Y, weightRows), alive, lambdaVector,
                               weighted_observation(Y_obs, weightRows), x_lowerBound, x_upperBound,
                               Y_star_noise, stage1, random(), stepPoints);
}

void cluster_newton_method::abort() {
    abortASAP = true;
    qCDebug(lcCnm).noquote().nospace() << "abortASAP=" << (abortASAP ? "true" : "false");
}

void cluster_newton_method::log(const QString& line) {
    result.computation_log.append(line);
}

QVector<double> cluster_newton_method::weightedSSR(const QVector<QVector<double>>& Ysim) {
    return weights.isEmpty() ? SSR(Ysim) : SSR(Ysim, weights);
}

QVector<QVector<double>> cluster_newton_method::step(const QVector<QVector<double>>& X,
                                                     const QVector<QVector<double>>& Y,
                                                     const QVector<bool>& alive) {
    QElapsedTimer timer;
    timer.start();
    QVector<QVector<double>> dX = weights.isEmpty()
                                      ? iterate_weighted_A(X, Y, alive, lambdaVector)
                                      : iterate_weighted_A(X, Y, alive, lambdaVector, weights);
    phaseTimes.fits += timer.nsecsElapsed() * 1e-9;
    return dX;
}

QVector<QVector<double>> cluster_newton_method::evaluatePoints(
    QList<model_ode>& models, const QVector<QVector<double>>& cluster, const QVector<int>& points,
    int k, QList<QVector<QVector<double>>>* raw) {
    QElapsedTimer timer;
    timer.start();
    const int count = std::min(models.size(), points.size());
    const int N = cluster.size();
    for (int i = 0; i < count; ++i) {
        models[i].parameterSpec.clusterX = cluster;
        models[i].parameterSpec.pointIndex = points[i];
    }

    // The engine's own back end unless another one is given. Point by point, and over
    // another back end, the progress follows the pass; on the pool it comes once after it.
    thread_pool_backend own;
    own.parallel = parallelEvaluation;
    evaluation_backend& backend = evaluationBackend ? *evaluationBackend : own;
    const bool pointByPoint = evaluationBackend || !parallelEvaluation;
    const QVector<point_evaluation> evaluated =
        backend.evaluate(models, cluster, points, abortASAP, [&](int done) {
            if (pointByPoint) emit additional_modelEval(k * N + done);
        });
    if (evaluationBackend || parallelEvaluation) emit additional_modelEval((k + 1) * N + 1);
    qCDebug(lcCnm) << "model eval finished";

    // A point left out of the pass (a stop) gets NaN observations.
    QVector<QVector<double>> Ysim(points.size(), QVector<double>(Y_obs.size(), NaN));
    QList<QVector<QVector<double>>> results;
    for (int i = 0; i < evaluated.size(); ++i) {
        if (!evaluated[i].observed.isEmpty()) Ysim[i] = evaluated[i].observed;
        if (raw) results.append(evaluated[i].states);
    }
    // The ODE solution record reads the time table of the first evaluator at its point.
    if (count > 0)
        models[0].prepareDoseObsTimePoints(
            models[0].parameterSpec.x_to_parameter(evaluation_backend::rowOf(cluster, points[0])));
    if (raw) *raw = results;
    phaseTimes.evaluation += timer.nsecsElapsed() * 1e-9;
    return Ysim;
}

void cluster_newton_method::recordOdeSolutions(int k, const QList<QVector<QVector<double>>>& raw) {
    if (modelList.isEmpty()) return;
    const model_ode& first = modelList.first();
    // Distinct time indices of the observations in ascending order, and for each the first
    // observation at that time.
    QVector<int> timeIndex;
    for (int t : first.observationTimeIndex)
        if (t >= 0 && t < first.timePoints.size() && !timeIndex.contains(t)) timeIndex.append(t);
    std::sort(timeIndex.begin(), timeIndex.end());
    QVector<int> observationAt;
    result.ode_time.clear();
    for (int t : timeIndex) {
        observationAt.append(first.observationTimeIndex.indexOf(t));
        result.ode_time.append(first.timePoints[t]);
    }
    const int V = first.stateCount;
    const int N = raw.size();
    const int T = timeIndex.size();
    QVector<QVector<QVector<double>>> sol(V, QVector<QVector<double>>(N, QVector<double>(T, NaN)));
    for (int p = 0; p < N; ++p) {
        const QVector<QVector<double>>& states = raw[p];
        for (int t = 0; t < T; ++t) {
            const int o = observationAt[t];
            if (o >= states.size()) continue;
            const QVector<double>& row = states[o];
            for (int v = 0; v < V && v < row.size(); ++v)
                sol[v][p][t] = row[v];
        }
    }
    result.ODE_sol[k] = sol;
}

void cluster_newton_method::lambdaSearch(int k, const QVector<bool>& alive,
                                         const QVector<int>& sample,
                                         const QVector<double>& currentSampleSSR) {
    const int N = result.X[k].size();
    const int S = sample.size();
    double e = std::log10(initialLambda) - 1.0;
    // A zero or negative initial lambda has no exponent to grow from: it is tried as 0,
    // then the search goes on from 1.
    bool fromZero = !std::isfinite(e) && !(initialLambda > 0.0);
    while (true) {
        if (abortASAP) break;
        if (fromZero) {
            lambda = 0.0;
            e = -1.0;
            fromZero = false;
        } else {
            e += 1.0;
            lambda = std::pow(10.0, e);
        }
        log("Lambda: " + number(lambda));
        if (lambda > maxLambda) break;
        stage1 = k < numStage1Iter;
        lambdaVector = QVector<double>(N, lambda);
        const QVector<QVector<double>>& X = result.X[k];
        // Only the sample is evaluated, so only its steps are needed (each is the same as in
        // the whole step); the whole step is back in force however the step ends.
        struct sampleOnly {
            QVector<int>& points;
            ~sampleOnly() { points.clear(); }
        } restore{stepPoints};
        stepPoints = sample;
        const QVector<QVector<double>> dX = step(X, result.Y[k], alive);
        QVector<QVector<double>> proposal = X;
        for (int p = 0; p < N && p < dX.size(); ++p)
            for (int j = 0; j < proposal[p].size() && j < dX[p].size(); ++j)
                proposal[p][j] += dX[p][j];

        QList<model_ode> sampleModels;
        for (int idx : sample)
            if (idx < modelList.size()) sampleModels.append(modelList[idx]);
        const QVector<double> proposed =
            weightedSSR(evaluatePoints(sampleModels, proposal, sample, k, nullptr));

        int improved = 0;
        for (int s = 0; s < S; ++s)
            if (proposed[s] < currentSampleSSR[s]) ++improved;
        log("==== sample SSR of proposed X ====");
        log("sample median SSR: " + number(atPosition(sortedFinite(proposed), S / 2)));
        log("number improved: " + QString::number(improved) + "/" + QString::number(S));
        log(joined(proposed));
        if (improved > S / 4) break;
    }
}

bool cluster_newton_method::iterate(int k, QVector<bool>& alive, QVector<int>& sample) {
    const int N = alive.size();
    const int n = x_center.size();
    const int m = Y_obs.size();

    for (int p = 0; p < N; ++p)
        alive[p] = true;
    result.X.resize(k + 1);
    result.Y.resize(k + 1);
    result.R.resize(k + 1);
    result.Parameter.resize(k + 1);
    result.ODE_sol.resize(k + 1);

    // Evaluation; points whose damping has grown past maxPointLambda are no longer evaluated.
    QVector<QVector<double>> evalX = result.X[k];
    const QVector<double> nanRow(n, NaN);
    for (int p = 0; p < N && p < evalX.size(); ++p)
        if (lambdaVector[p] > maxPointLambda) evalX[p] = nanRow;
    QVector<int> everyPoint(N);
    for (int p = 0; p < N; ++p)
        everyPoint[p] = p;
    QList<QVector<QVector<double>>> raw;
    const QVector<QVector<double>> Ysim = evaluatePoints(modelList, evalX, everyPoint, k, &raw);

    // Parameters of the points (this also leaves the evaluators' time tables prepared, which
    // the ODE solution record reads).
    QVector<QVector<double>> parameterRows(N);
    for (int p = 0; p < N && p < modelList.size(); ++p)
        parameterRows[p] = modelList[p].parameterSpec.x_to_parameter(result.X[k][p]);
    result.Parameter[k] = parameterRows;
    recordOdeSolutions(k, raw);

    if (k == 0) {
        const int numAlive = countNotNaN(weightedSSR(Ysim));
        if (numAlive < n || numAlive < m) {
            qCDebug(lcCnm).noquote() << "numAlive: " + QString::number(numAlive);
            abortASAP = true;
            log("Model evaluation is not possible, double-check the model definition.");
        }
    }
    if (abortASAP) {
        result.trim(k);
        return false;
    }

    result.Y[k] = Ysim;
    result.R[k] = SSR(Ysim);
    int numImproved = 0;
    for (int p = 0; p < N; ++p) {
        alive[p] = !std::isnan(result.R[k][p]);
        if (alive[p]) ++numImproved;
    }

    // A random tenth of the cluster for the damping search and the sample statistics.
    const int S = (N + 9) / 10;
    QVector<char> taken(N, 0);
    sample.clear();
    while (sample.size() < S) {
        const int idx = static_cast<int>((random() >> 11) * 0x1.0p-53 * N);
        if (idx < 0 || idx >= N || taken[idx]) continue;
        taken[idx] = 1;
        sample.append(idx);
    }
    std::sort(sample.begin(), sample.end());

    // Judge the steps: a dead or worse point takes back its previous values.
    if (k >= 1) {
        const QVector<double> prev = weightedSSR(result.Y[k - 1]);
        const QVector<double> cur = weightedSSR(result.Y[k]);
        for (int p = 0; p < N; ++p) {
            const bool worse = alive[p] && prev[p] < cur[p];
            if (!alive[p] || worse) {
                result.R[k][p] = result.R[k - 1][p];
                result.X[k][p] = result.X[k - 1][p];
                result.Y[k][p] = result.Y[k - 1][p];
                result.Parameter[k][p] = result.Parameter[k - 1][p];
                lambdaVector[p] *= 10.0;
                if (worse) --numImproved;
            } else {
                lambdaVector[p] /= 10.0;
            }
        }
        qCDebug(lcCnm) << "lambdaVector: " << lambdaVector;
    }

    result.sortDataByResidual();
    for (int p = 0; p < N; ++p)
        alive[p] = !std::isnan(result.R[k][p]);

    weights.clear();
    if (k < numWeightIter) {
        for (QVector<double> row : qAsConst(weightRows)) {
            row.resize(m);
            weights.append(row);
        }
    }
    qCDebug(lcCnm) << "weights: " << weights;

    // Statistics of the current cluster.
    const QVector<double> s = sortedFinite(result.R[k]);
    const QString rule(33, QLatin1Char('<'));
    const QStringList stats{
        "",
        rule,
        "         iterNumber: " + QString::number(k),
        rule,
        "===Current Cluster Stat===",
        "min: " + number(atPosition(s, 0)),
        "1/4 percentile: " + number(atPosition(s, static_cast<int>(std::floor(0.25 * N)))),
        "median: " + number(atPosition(s, static_cast<int>(std::floor(0.5 * N)))),
        "3/4 percentile: " + number(atPosition(s, static_cast<int>(std::floor(0.75 * N)))),
        "number of improved points: " + QString::number(numImproved) + "/" + QString::number(N)};
    for (const QString& line : stats) {
        log(line);
        qCDebug(lcCnm).noquote() << line;
    }
    // Points whose evaluation failed in this pass, and why: tolerances or a domain to revisit.
    const QString failedLine = evaluation_failures(raw).logLine();
    if (!failedLine.isEmpty()) {
        log(failedLine);
        qCDebug(lcCnm).noquote() << failedLine;
    }
    emit iterationStatistics(k, atPosition(s, 0),
                             atPosition(s, static_cast<int>(std::floor(0.5 * N))));

    emit current_computation_result(result);
    // Iteration k - 1's files must be on disk before iteration k counts as going on.
    if (!finishWriting()) return false;
    startWriting(k);

    result.X.resize(k + 2);
    result.X[k + 1] = result.X[k];

    // The sample's SSR now.
    QVector<double> current(S);
    const QVector<QVector<double>>& Yk = result.Y[k];
    for (int i = 0; i < S; ++i)
        current[i] = weights.isEmpty() ? SSR(Yk[sample[i]]) : SSR(Yk[sample[i]], weights);
    log("==== sample SSR of current X ====");
    log("sample median SSR: " + number(atPosition(sortedFinite(current), S / 2)));
    log(joined(current));

    if (k == 0 || k == numStage1Iter) lambdaSearch(k, alive, sample, current);

    stage1 = k < numStage1Iter;
    const QVector<QVector<double>> dX = step(result.X[k], result.Y[k], alive);
    if (!abortASAP) {
        QVector<QVector<double>>& next = result.X[k + 1];
        for (int p = 0; p < N && p < dX.size(); ++p)
            for (int j = 0; j < next[p].size() && j < dX[p].size(); ++j)
                next[p][j] += dX[p][j];
    }
    log("Total Computation time so far (in min): " + number(runTimer.elapsed() / 60000.0));
    return true;
}

void cluster_newton_method::startWriting(int k) {
    // The writer gets its own copy of what it writes: the run goes on changing the record,
    // and the two threads share no data.
    compResult snapshot = result.lastIterationCopy();
    const QString dir = saveDirectory;
    pendingIteration = k;
    writer =
        std::thread([this, snapshot, dir]() mutable { written = snapshot.save_last_iter(dir); });
}

bool cluster_newton_method::finishWriting() {
    if (pendingIteration < 0) return true;
    QElapsedTimer timer;
    timer.start();
    writer.join();
    phaseTimes.writing += timer.nsecsElapsed() * 1e-9;
    const int k = pendingIteration;
    pendingIteration = -1;
    if (!written) {
        // A full disk or a folder that became read-only: the run cannot keep its results, so
        // it ends here; the iterations written before stay complete on disk.
        saveProblem = "Error, the result files of iteration " + QString::number(k) +
                      " could not be written into " + saveDirectory +
                      "/compResult (disk full or no permission to write); the run stopped.";
        log(saveProblem);
        qCDebug(lcCnm).noquote() << saveProblem;
        return false;
    }
    completedIterations = k + 1;
    return true;
}

void cluster_newton_method::run_3() {
    weights.clear();
    numTotIter = numStage1Iter + numStage2Iter;
    // The run's length is fixed here; a later write to numTotIter (a spin box during the run)
    // does not cut the run short or trim away iterations already computed.
    const int totalIter = numTotIter;
    abortASAP = false;
    isRunning = true;
    completedIterations = 0;
    saveProblem.clear();
    failureMessage.clear();
    random.seed(seed);
    phaseTimes = phase_times();
    pendingIteration = -1;

    const int N = result.X.isEmpty() ? 0 : result.X[0].size();
    emit max_modelEval(totalIter * N);
    QVector<bool> alive(N, true);
    lambdaVector = QVector<double>(N, lambda);
    runTimer.start();

    QVector<int> sample;
    for (int k = 0; k < totalIter; ++k) {
        try {
            if (!iterate(k, alive, sample)) break;
        } catch (const std::exception& e) {
            // A failure with a reason (a lost rank, a hung evaluation) says it in the log.
            qCDebug(lcCnm) << "CN iteration failed";
            log("CN iteration failed");
            failureMessage = QString::fromLocal8Bit(e.what());
            if (!failureMessage.isEmpty()) log(failureMessage);
            break;
        } catch (...) {
            qCDebug(lcCnm) << "CN iteration failed";
            log("CN iteration failed");
            failureMessage = "CN iteration failed";
            break;
        }
    }

    // The record keeps the iterations whose evaluation, judgement and statistics were
    // completed and whose files are on disk: all of them after a normal end, those before
    // the current one after a stop or a failure. Their files stay as written; the log and
    // the sort order are written once more.
    finishWriting();
    result.trim(completedIterations);
    result.sortDataByResidual();
    QElapsedTimer writeTimer;
    writeTimer.start();
    if (!result.save(saveDirectory, completedIterations) && saveProblem.isEmpty()) {
        saveProblem = "Error, the result files could not all be written into " + saveDirectory +
                      "/compResult (disk full or no permission to write).";
        log(saveProblem);
        qCDebug(lcCnm).noquote() << saveProblem;
    }
    phaseTimes.writing += writeTimer.nsecsElapsed() * 1e-9;
    phaseTimes.total = runTimer.nsecsElapsed() * 1e-9;
    isRunning = false;
    emit calculationCompleted();
}
