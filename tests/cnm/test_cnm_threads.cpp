// Whole runs of the Cluster Newton engine on the one-compartment model: the record, the log
// and the files of a run, the undo of failed steps, the stop and failure paths, the damping
// search, weight rows, the method's result on a problem with a curve of solutions, and a
// run in a worker thread with queued signals (the model evaluations use the thread pool).
#include "cnm/cluster_newton_method.h"

#include "cnm/one_compartment_engine.h"
#include "io/debug_log.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QRegExp>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <stdexcept>

namespace {

using namespace one_compartment;

class EngineRun : public ::testing::Test {
protected:
    // Fills the engine with a random cluster of N points and sets the stage lengths.
    void prepare(cluster_newton_method& engine, int N, unsigned seed, int stage1, int stage2) {
        pb.fill(engine, pb.cluster(N, seed), dir.path());
        engine.numStage1Iter = stage1;
        engine.numStage2Iter = stage2;
    }

    debug_log debug; // the runs' debug lines, kept for the checks and not printed
    QTemporaryDir dir;
    problem pb;
};

// Everything the engine emits, received directly (the run happens in this thread).
struct signal_record {
    QVector<int> maxEval;
    QVector<int> progress;
    QVector<int> iterationsSeen; // R.size() of every emitted record
    int completed = 0;
    int notEmitted = 0;

    explicit signal_record(cluster_newton_method& engine) {
        QObject::connect(&engine, &cluster_newton_method::max_modelEval,
                         [this](int v) { maxEval.append(v); });
        QObject::connect(&engine, &cluster_newton_method::additional_modelEval,
                         [this](int v) { progress.append(v); });
        QObject::connect(&engine, &cluster_newton_method::current_computation_result,
                         [this](compResult r) { iterationsSeen.append(r.R.size()); });
        QObject::connect(&engine, &cluster_newton_method::calculationCompleted,
                         [this] { ++completed; });
        QObject::connect(&engine, &cluster_newton_method::currentIter,
                         [this](int) { ++notEmitted; });
        QObject::connect(&engine, &cluster_newton_method::currentModelEval,
                         [this](int) { ++notEmitted; });
    }
};

QStringList linesStartingWith(const QStringList& log, const QString& prefix) {
    return log.filter(QRegExp("^" + QRegExp::escape(prefix)));
}

int countLines(const QStringList& log, const QString& prefix) {
    return linesStartingWith(log, prefix).size();
}

QString number(double v) {
    return QString::number(v, 'g', 6);
}

double medianOf(QVector<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? NAN : values[values.size() / 2];
}

// An engine whose step can be altered, watched or made to fail by the test.
class steered_engine : public cluster_newton_method {
public:
    std::function<void(QVector<QVector<double>>&, int call)> alter;
    QVector<QVector<double>> lambdaVectorsSeen;
    int calls = 0;

    using cluster_newton_method::iterate_weighted_A;
    QVector<QVector<double>> iterate_weighted_A(QVector<QVector<double>> X,
                                                QVector<QVector<double>> Y, QVector<bool> alive,
                                                QVector<double> lambdas) override {
        lambdaVectorsSeen.append(lambdas);
        QVector<QVector<double>> dX =
            cluster_newton_method::iterate_weighted_A(X, Y, alive, lambdas);
        if (alter) alter(dX, calls);
        ++calls;
        return dX;
    }
};

TEST_F(EngineRun, RecordLogFilesAndSignalsOfARun) {
    const int N = 20;
    cluster_newton_method engine;
    prepare(engine, N, 1, 1, 2);
    signal_record signals_(engine);
    engine.run_3();
    const compResult& r = engine.result;

    for (int size : {r.R.size(), r.X.size(), r.Y.size(), r.Parameter.size(), r.ODE_sol.size(),
                     r.R_sorted.size()})
        ASSERT_EQ(size, 3);
    EXPECT_EQ(r.ode_time, QVector<double>({0.5, 1.0, 2.0}));
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(r.X[k].size(), N);
        for (int p = 0; p < N; ++p) {
            EXPECT_EQ(r.Parameter[k][p], r.X[k][p]); // identity transformation
            double ssr = 0.0;
            for (int t = 0; t < 3; ++t) {
                const double y = concentration(r.X[k][p][0], r.X[k][p][1], pb.times[t]);
                EXPECT_NEAR(r.Y[k][p][t], y, 1e-7 * y);
                ssr += (r.Y[k][p][t] - pb.observed[t]) * (r.Y[k][p][t] - pb.observed[t]);
            }
            EXPECT_NEAR(r.R[k][p], ssr, 1e-12 + 1e-9 * ssr);
        }
    }
    // The ODE solution of iteration 0: the amount A = (A/V) V at each observation time.
    ASSERT_EQ(r.ODE_sol[0].size(), 1);
    for (int p = 0; p < N; ++p)
        for (int t = 0; t < 3; ++t)
            EXPECT_NEAR(r.ODE_sol[0][0][p][t], r.Y[0][p][t] * r.Parameter[0][p][1], 1e-9);

    // The statistics block of every iteration, in order.
    const QStringList& log = r.computation_log;
    const QString rule(33, QLatin1Char('<'));
    for (int k = 0; k < 3; ++k) {
        const int at = log.indexOf("         iterNumber: " + QString::number(k));
        ASSERT_GE(at, 2) << k;
        EXPECT_EQ(log[at - 2], "");
        EXPECT_EQ(log[at - 1], rule);
        EXPECT_EQ(log[at + 1], rule);
        EXPECT_EQ(log[at + 2], "===Current Cluster Stat===");
        const QVector<double>& s = r.R_sorted[k];
        EXPECT_EQ(log[at + 3], "min: " + number(s[0]));
        EXPECT_EQ(log[at + 4], "1/4 percentile: " + number(s[5]));
        EXPECT_EQ(log[at + 5], "median: " + number(s[10]));
        EXPECT_EQ(log[at + 6], "3/4 percentile: " + number(s[15]));
        EXPECT_TRUE(log[at + 7].startsWith("number of improved points: ") &&
                    log[at + 7].endsWith("/20"))
            << log[at + 7].toStdString();
        EXPECT_EQ(log[at + 8], "==== sample SSR of current X ====");
        EXPECT_TRUE(log[at + 9].startsWith("sample median SSR: "));
        EXPECT_EQ(log[at + 10].count(", "), 2); // S = 2 sampled points
        EXPECT_TRUE(debug.contains("         iterNumber: " + QString::number(k)));
    }
    EXPECT_EQ(log[log.indexOf("         iterNumber: 0") + 11], "Lambda: 1");
    EXPECT_EQ(log[log.indexOf("         iterNumber: 1") + 11], "Lambda: 1"); // stage 2 starts
    EXPECT_FALSE(log[log.indexOf("         iterNumber: 2") + 11].startsWith("Lambda: "));
    EXPECT_EQ(countLines(log, "Total Computation time so far (in min): "), 3);
    EXPECT_EQ(countLines(log, "==== sample SSR of proposed X ===="),
              countLines(log, "number improved: "));

    // Signals: the maximum once, progress at (k + 1) N + 1 after every pass.
    EXPECT_EQ(signals_.maxEval, QVector<int>({60}));
    EXPECT_EQ(signals_.iterationsSeen, QVector<int>({1, 2, 3}));
    EXPECT_EQ(signals_.completed, 1);
    EXPECT_EQ(signals_.notEmitted, 0);
    ASSERT_FALSE(signals_.progress.isEmpty());
    for (int v : signals_.progress)
        EXPECT_EQ((v - 1) % N, 0) << v;
    EXPECT_TRUE(std::is_sorted(signals_.progress.begin(), signals_.progress.end()));
    EXPECT_EQ(signals_.progress.last(), 61);
    EXPECT_FALSE(engine.isRunning);
    EXPECT_EQ(engine.numTotIter, 3);

    // The files read back as the same record.
    compResult back;
    ASSERT_TRUE(back.readIn(dir.path()));
    ASSERT_EQ(back.X.size(), 3);
    EXPECT_FALSE(QFile::exists(dir.path() + "/compResult/X_3.csv"));
    for (int p = 0; p < N; ++p)
        for (int j = 0; j < 2; ++j)
            EXPECT_NEAR(back.X[2][p][j], r.X[2][p][j], 1e-5 * std::fabs(r.X[2][p][j]));
    EXPECT_TRUE(QFile::exists(dir.path() + "/compResult/computation_log.txt"));
}

TEST_F(EngineRun, SequentialPassGivesTheSameRecordAndCountsEveryPoint) {
    const int N = 12;
    cluster_newton_method parallel;
    prepare(parallel, N, 2, 0, 1);
    parallel.run_3();

    cluster_newton_method sequential;
    prepare(sequential, N, 2, 0, 1);
    sequential.parallelEvaluation = false;
    signal_record signals_(sequential);
    sequential.run_3();

    ASSERT_EQ(sequential.result.R.size(), 1);
    EXPECT_EQ(sequential.result.R[0], parallel.result.R[0]); // point order kept by the pool
    // The main pass reports 1 .. N, every sample pass 1 .. S (S = 2).
    ASSERT_GE(signals_.progress.size(), N + 2);
    for (int i = 0; i < N; ++i)
        EXPECT_EQ(signals_.progress[i], 1 + i);
    for (int i = N; i < signals_.progress.size(); ++i)
        EXPECT_EQ(signals_.progress[i], 1 + (i - N) % 2);
}

TEST_F(EngineRun, WorseAndDeadStepsAreUndoneAndDampingAdapts) {
    const int N = 20;
    steered_engine engine;
    prepare(engine, N, 3, 0, 2);
    engine.alter = [&](QVector<QVector<double>>& dX, int) {
        const QVector<double>& x0 = engine.result.X.last()[0];
        dX[0] = {0.01 - x0[0], 0.5 - x0[1]}; // far off the data: a much larger SSR
        dX[1] = {NAN, NAN};                  // evaluation fails: not alive
        dX[2] = {0.0, 0.0};                  // the same SSR again
    };
    engine.run_3();
    const compResult& r = engine.result;
    ASSERT_EQ(r.R.size(), 2);
    for (int p : {0, 1}) {
        EXPECT_EQ(r.X[1][p], r.X[0][p]) << p;
        EXPECT_EQ(r.R[1][p], r.R[0][p]) << p;
        EXPECT_EQ(r.Y[1][p], r.Y[0][p]) << p;
        EXPECT_EQ(r.Parameter[1][p], r.Parameter[0][p]) << p;
    }
    EXPECT_EQ(r.R[1][2], r.R[0][2]);
    // The last step call of the run sees the judged damping; the one before, the damping
    // of iteration 0's step.
    ASSERT_GE(engine.lambdaVectorsSeen.size(), 2);
    const QVector<double>& before = engine.lambdaVectorsSeen[engine.lambdaVectorsSeen.size() - 2];
    const QVector<double>& after = engine.lambdaVectorsSeen.last();
    EXPECT_EQ(after[0], 10.0 * before[0]);
    EXPECT_EQ(after[1], 10.0 * before[1]);
    EXPECT_EQ(after[2], before[2] / 10.0);
}

TEST_F(EngineRun, PointsPastTheLargestDampingAreNoLongerEvaluated) {
    const int N = 20;
    steered_engine engine;
    prepare(engine, N, 13, 0, 3);
    engine.maxPointLambda = 5.0;
    engine.initialLambda = 10.0;
    engine.alter = [](QVector<QVector<double>>& dX, int) {
        for (auto& row : dX)
            row = {0.0, 0.0}; // no trial improves: the search ends at 1000
    };
    engine.run_3();
    const compResult& r = engine.result;
    ASSERT_EQ(r.R.size(), 3);
    // From iteration 1 on every damping (1000, then 10^4) exceeds the limit: the points are
    // evaluated at NaN, count as dead, keep the values of iteration 0 and their damping keeps
    // rising tenfold.
    for (int k : {1, 2}) {
        EXPECT_EQ(r.R[k], r.R[0]);
        EXPECT_EQ(r.X[k], r.X[0]);
        ASSERT_EQ(r.ODE_sol[k].size(), 1);
        for (int p = 0; p < N; ++p) {
            EXPECT_TRUE(std::isfinite(r.ODE_sol[0][0][p][0]));
            EXPECT_TRUE(std::isnan(r.ODE_sol[k][0][p][0]));
        }
    }
    EXPECT_EQ(countLines(r.computation_log, "number of improved points: 0/20"), 2);
    EXPECT_EQ(engine.lambdaVectorsSeen.last(), QVector<double>(N, 1e5));
}

TEST_F(EngineRun, StopAfterAnIterationKeepsTheIterationsBeforeTheNextEvaluation) {
    const int N = 15;
    cluster_newton_method engine;
    prepare(engine, N, 4, 0, 6);
    signal_record signals_(engine);
    QObject::connect(&engine, &cluster_newton_method::current_computation_result,
                     [&engine](compResult r) {
                         if (r.R.size() == 2) engine.abortASAP = true;
                     });
    engine.run_3();
    // Iteration 1 finished without moving the cluster; iteration 2 was evaluated (progress
    // 3 N + 1) and discarded.
    EXPECT_EQ(engine.result.R.size(), 2);
    EXPECT_EQ(engine.result.X.size(), 2);
    EXPECT_EQ(engine.result.R_sorted.size(), 2);
    EXPECT_EQ(signals_.progress.last(), 3 * N + 1);
    EXPECT_EQ(signals_.completed, 1);
    EXPECT_FALSE(engine.isRunning);
    compResult back;
    ASSERT_TRUE(back.readIn(dir.path()));
    EXPECT_EQ(back.R.size(), 2);
    EXPECT_FALSE(QFile::exists(dir.path() + "/compResult/R_2.csv"));
}

TEST_F(EngineRun, StopDuringTheDampingSearchEndsItAndDiscardsTheNextPass) {
    const int N = 15;
    steered_engine engine;
    prepare(engine, N, 5, 0, 6);
    engine.alter = [&engine](QVector<QVector<double>>&, int call) {
        if (call == 0) engine.abortASAP = true;
    };
    signal_record signals_(engine);
    engine.run_3();
    EXPECT_EQ(countLines(engine.result.computation_log, "Lambda: "), 1);
    EXPECT_EQ(engine.calls, 2); // the one trial and the step of iteration 0
    EXPECT_EQ(engine.result.R.size(), 1);
    EXPECT_EQ(engine.result.X.size(), 1);
    EXPECT_EQ(signals_.progress.last(), 2 * N + 1);
    EXPECT_EQ(signals_.completed, 1);
}

TEST_F(EngineRun, StopDuringASequentialPassStopsItAtOnce) {
    const int N = 15;
    cluster_newton_method engine;
    prepare(engine, N, 6, 0, 4);
    engine.parallelEvaluation = false;
    signal_record signals_(engine);
    QObject::connect(&engine, &cluster_newton_method::additional_modelEval, [&](int v) {
        if (v == N + 1 + 4) engine.abortASAP = true; // fifth point of iteration 1's pass
    });
    engine.run_3();
    EXPECT_EQ(signals_.progress.last(), N + 1 + 4);
    EXPECT_EQ(engine.result.R.size(), 1);
    EXPECT_EQ(signals_.completed, 1);
}

TEST_F(EngineRun, NoEvaluablePointStopsWithTheMessageAndAnEmptyRecord) {
    const struct {
        const char* name;
        int N;
        bool nanCluster;
    } cases[] = {{"all points fail", 12, true},
                 {"fewer points than observations", 2, false},
                 {"empty cluster", 0, false}};
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        debug_log caseDebug;
        QTemporaryDir caseDir;
        QVector<QVector<double>> X0 = pb.cluster(tc.N, 7);
        if (tc.nanCluster)
            for (auto& x : X0)
                x = {NAN, NAN};
        cluster_newton_method engine;
        pb.fill(engine, X0, caseDir.path());
        engine.numStage1Iter = 2;
        engine.numStage2Iter = 3;
        signal_record signals_(engine);
        engine.run_3();
        const compResult& r = engine.result;
        EXPECT_TRUE(r.computation_log.contains(
            "Model evaluation is not possible, double-check the model definition."));
        EXPECT_TRUE(caseDebug.contains("numAlive: " + QString::number(tc.nanCluster ? 0 : tc.N)));
        EXPECT_TRUE(r.R.isEmpty());
        EXPECT_TRUE(r.X.isEmpty());
        EXPECT_TRUE(r.ODE_sol.isEmpty());
        EXPECT_EQ(signals_.maxEval, QVector<int>({5 * tc.N}));
        EXPECT_TRUE(signals_.iterationsSeen.isEmpty());
        EXPECT_EQ(signals_.completed, 1);
        EXPECT_FALSE(engine.isRunning);
        EXPECT_TRUE(QFile::exists(caseDir.path() + "/compResult/computation_log.txt"));
        EXPECT_FALSE(QFile::exists(caseDir.path() + "/compResult/R_0.csv"));
    }
}

TEST_F(EngineRun, FailedIterationEndsTheRunKeepingCompletedIterations) {
    steered_engine engine;
    prepare(engine, 15, 8, 0, 5);
    engine.alter = [&engine](QVector<QVector<double>>&, int) {
        if (engine.result.R.size() == 2) throw std::runtime_error("no step");
    };
    signal_record signals_(engine);
    engine.run_3();
    const compResult& r = engine.result;
    EXPECT_TRUE(r.computation_log.contains("CN iteration failed"));
    EXPECT_TRUE(debug.contains("CN iteration failed"));
    // Iteration 1 was recorded, logged and saved before its step failed.
    EXPECT_EQ(r.R.size(), 2);
    EXPECT_EQ(r.X.size(), 2);
    EXPECT_EQ(signals_.completed, 1);
    EXPECT_FALSE(engine.isRunning);
    compResult back;
    ASSERT_TRUE(back.readIn(dir.path()));
    EXPECT_EQ(back.R.size(), 2);
    EXPECT_EQ(back.R[1].size(), 15);
}

TEST_F(EngineRun, PercentilesPastTheLiveValuesGiveTheLastOne) {
    const int N = 20;
    QVector<QVector<double>> X0 = pb.cluster(N, 9);
    for (int p = 5; p < N; ++p)
        X0[p] = {NAN, NAN};
    cluster_newton_method engine;
    pb.fill(engine, X0, dir.path());
    engine.numStage1Iter = 0;
    engine.numStage2Iter = 1;
    engine.run_3();
    const QStringList& log = engine.result.computation_log;
    const QVector<double>& s = engine.result.R_sorted[0];
    ASSERT_EQ(s.size(), 5);
    EXPECT_TRUE(log.contains("min: " + number(s[0])));
    EXPECT_TRUE(log.contains("1/4 percentile: " + number(s[4])));
    EXPECT_TRUE(log.contains("median: " + number(s[4])));
    EXPECT_TRUE(log.contains("3/4 percentile: " + number(s[4])));
    EXPECT_TRUE(log.contains("number of improved points: 5/20"));
}

// The damping search at the start of a stage: an initial lambda above the maximum tries
// nothing; a non-positive one starts at 0 and rises tenfold while no trial improves.
TEST_F(EngineRun, DampingSearchStartAndEnd) {
    steered_engine above;
    prepare(above, 12, 10, 0, 1);
    above.initialLambda = 2000.0;
    above.run_3();
    EXPECT_EQ(linesStartingWith(above.result.computation_log, "Lambda: "),
              QStringList("Lambda: 2000"));
    EXPECT_EQ(countLines(above.result.computation_log, "==== sample SSR of proposed X ===="), 0);
    ASSERT_EQ(above.lambdaVectorsSeen.size(), 1);
    EXPECT_EQ(above.lambdaVectorsSeen[0], QVector<double>(12, 0.0));

    steered_engine zero;
    prepare(zero, 12, 11, 0, 1);
    zero.initialLambda = 0.0;
    zero.alter = [](QVector<QVector<double>>& dX, int) {
        for (auto& row : dX)
            row = {0.0, 0.0}; // never an improvement: every trial is made
    };
    zero.run_3();
    EXPECT_EQ(linesStartingWith(zero.result.computation_log, "Lambda: "),
              QStringList({"Lambda: 0", "Lambda: 1", "Lambda: 10", "Lambda: 100", "Lambda: 1000",
                           "Lambda: 10000"}));
}

TEST_F(EngineRun, OnePointSampleAcceptsTheFirstImprovement) {
    cluster_newton_method engine;
    prepare(engine, 10, 12, 0, 1);
    engine.run_3();
    const QStringList& log = engine.result.computation_log;
    // No further trial after a trial in which the single sampled point improved.
    bool improved = false;
    for (const QString& line : log) {
        if (line.startsWith("number improved: ")) {
            EXPECT_TRUE(line == "number improved: 0/1" || line == "number improved: 1/1")
                << line.toStdString();
            improved = line == "number improved: 1/1";
        }
        if (line.startsWith("Lambda: ")) {
            EXPECT_FALSE(improved) << "a trial after acceptance";
        }
    }
}

TEST_F(EngineRun, WeightRowsSteerTheRunTowardsTheirCombination) {
    const int N = 60;
    cluster_newton_method engine;
    prepare(engine, N, 14, 0, 12);
    engine.numWeightIter = 12;
    engine.weightRows = {{1.0}}; // padded to (1, 0, 0): only the observation at t = 0.5
    engine.run_3();
    EXPECT_TRUE(debug.contains("weights:  QVector(QVector(1, 0, 0))"));
    const compResult& r = engine.result;
    ASSERT_EQ(r.Y.size(), 12);
    QVector<double> first0, last0;
    for (int p = 0; p < N; ++p) {
        first0 << std::pow(r.Y[0][p][0] - pb.observed[0], 2);
        last0 << std::pow(r.Y[11][p][0] - pb.observed[0], 2);
    }
    // The weighted misfit collapses while the whole misfit stays: a curve of solutions of
    // the first observation alone, not the single solution of all three.
    EXPECT_LT(medianOf(last0), 1e-6 * medianOf(first0));
    EXPECT_GT(medianOf(r.R[11]), 1e3 * medianOf(last0));
}

// Two parameters and one observation leave a curve of solutions, 100/V exp(-CL/V) = c: the
// final cluster lies on it and is spread along it.
TEST_F(EngineRun, ClusterConvergesOntoTheCurveOfSolutions) {
    pb.times = {1.0};
    pb.observed = {concentration(1.0, 10.0, 1.0)};
    const int N = 100;
    cluster_newton_method engine;
    prepare(engine, N, 3, 10, 20);
    engine.run_3();
    const compResult& r = engine.result;
    ASSERT_EQ(r.R.size(), 30);
    EXPECT_LT(medianOf(r.R[29]), 1e-6 * medianOf(r.R[0]));

    const QVector<QVector<double>>& X = r.X[29];
    QVector<double> V;
    int onCurve = 0;
    for (int p = 0; p < N; ++p) {
        const double c = concentration(X[p][0], X[p][1], 1.0);
        if (std::fabs(c - pb.observed[0]) < 1e-4 * pb.observed[0]) {
            ++onCurve;
            V << X[p][1];
        }
    }
    EXPECT_GE(onCurve, 90);
    // Spread along the curve: the points on it cover at least a third of the V domain.
    ASSERT_FALSE(V.isEmpty());
    const auto [lo, hi] = std::minmax_element(V.begin(), V.end());
    EXPECT_GT(*hi - *lo, (pb.upper[1] - pb.lower[1]) / 3.0);
}

// The engine in a worker thread, as the window runs it: queued invocation of run_3, queued
// signals carrying copies, and a stop requested from this thread.
class EngineThread : public EngineRun {
protected:
    void SetUp() override {
        static int argc = 1;
        static char* argv[] = {const_cast<char*>("test_cnm_threads"), nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv); // lives to the end
        compResult::registerMetaType();
    }
};

struct receiver : QObject {
    QVector<int> iterations;
    int completed = 0;
};

TEST_F(EngineThread, RunsInAWorkerAndStopsOnRequest) {
    for (bool stop : {false, true}) {
        auto* engine = new cluster_newton_method;
        pb.fill(*engine, pb.cluster(30, 15), dir.path());
        engine->numStage1Iter = 2;
        engine->numStage2Iter = 4;
        QThread worker;
        engine->moveToThread(&worker);

        receiver window;
        QEventLoop loop;
        QObject::connect(engine, &cluster_newton_method::current_computation_result, &window,
                         [&](compResult r) {
                             EXPECT_EQ(QThread::currentThread(), window.thread());
                             window.iterations << r.R.size();
                             if (stop && r.R.size() == 2) engine->abort();
                         });
        QObject::connect(engine, &cluster_newton_method::calculationCompleted, &window, [&] {
            ++window.completed;
            loop.quit();
        });
        // Set in the worker as the run's last act, read here before touching the engine:
        // an order the thread sanitizer can see (it cannot see Qt's own locks).
        std::atomic<bool> done{false};
        QObject::connect(
            engine, &cluster_newton_method::calculationCompleted, engine,
            [&done] { done.store(true, std::memory_order_release); }, Qt::DirectConnection);
        // Started after every connection is made: the sanitizer sees the thread's start, not
        // Qt's own locks, as ordering them before the run.
        worker.start();
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        ASSERT_TRUE(QMetaObject::invokeMethod(engine, "run_3"));
        loop.exec();
        worker.quit();
        worker.wait();
        ASSERT_TRUE(done.load(std::memory_order_acquire));

        EXPECT_EQ(window.completed, 1);
        EXPECT_FALSE(engine->isRunning);
        if (stop) {
            // The stop arrives while later iterations may already be under way: the record
            // ends before the iteration whose evaluation saw it.
            EXPECT_GE(engine->result.R.size(), 2);
            EXPECT_LT(engine->result.R.size(), 6);
            EXPECT_EQ(window.iterations.last(), engine->result.R.size());
        } else {
            EXPECT_EQ(window.iterations, QVector<int>({1, 2, 3, 4, 5, 6}));
            EXPECT_EQ(engine->result.R.size(), 6);
        }
        delete engine;
    }
}

} // namespace
