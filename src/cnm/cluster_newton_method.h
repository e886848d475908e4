// The Cluster Newton method engine: moves a cluster of parameter points towards the set of
// parameters that reproduce the observations, iteration by iteration, in two stages, with a
// damping factor per point and a common damping chosen by a trial on a random tenth of the
// cluster at the start of each stage. It lives in a worker thread; the window fills its
// inputs, invokes run_3 through a queued call and follows the run through the signals.
#pragma once

#include "cnm/compResult.h"
#include "model/model_ode.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <thread>

class evaluation_backend;
#include <random>

// The task of the thread-pool evaluation: evaluates the model at the x row
// clusterX[pointIndex] of its own parameter record, on its own copy of the evaluator.
QVector<QVector<double>> parallelODEeval_aux_function(model_ode m);

class cluster_newton_method : public QObject {
    Q_OBJECT

public:
    QVector<double> Y_obs;
    QVector<double> x_center;
    int numPoints = 0;
    QVector<double> x_lowerBound;
    QVector<double> x_upperBound;
    double lambda = 0.0;
    QVector<double> lambdaVector;
    double Y_star_noise = 0.1;
    QList<model_ode> modelList;
    compResult result;
    int numStage1Iter = 10;
    int numStage2Iter = 20;
    // Written by the window's spin boxes while a run may be going on.
    std::atomic<int> numTotIter{30};
    std::atomic<int> numWeightIter{0};
    double maxLambda = 1000.0;
    double maxPointLambda = 1.0e10;
    double initialLambda = 1.0;
    QVector<QVector<double>> weightRows;
    QVector<QVector<double>> weights;
    bool stage1 = true;
    QString saveDirectory;
    // Set by the window to stop a run; polled by the worker.
    std::atomic<bool> abortASAP{false};
    std::atomic<bool> isRunning{false};
    // Why the run's result files could not be written (a full disk, a read-only folder); empty
    // when every file was written. Set before calculationCompleted.
    QString saveProblem;
    bool parallelEvaluation = true;
    // Who evaluates the points of a pass (not owned): null for the engine's own thread pool,
    // or one point after the other when parallelEvaluation is false. The algorithm is the
    // same whichever back end runs.
    evaluation_backend* evaluationBackend = nullptr;
    // Why the last run ended early with a failure (a lost MPI rank, a hung evaluation, an
    // error in an iteration); empty after a normal end or a stop. Set before
    // calculationCompleted; the finished iterations are kept and saved all the same.
    QString failureMessage;
    // Where the last run's time went, in seconds of wall-clock time: evaluating points (the
    // damping search's included), the per-point fits, writing the result files (as far as the
    // run waited for it) and the whole run. Set as the run goes; complete after
    // calculationCompleted.
    struct phase_times {
        double evaluation = 0.0;
        double fits = 0.0;
        double writing = 0.0;
        double total = 0.0;
    };
    phase_times phaseTimes;
    // Seeds the engine's own generator at the start of every run: the damping-search samples
    // and the perturbed targets come from it alone, so a run is repeatable bit for bit.
    quint64 seed = 0;

    explicit cluster_newton_method(QObject* parent = nullptr);
    ~cluster_newton_method() override;

    void setY_star_matrix(QVector<double> y, int n);

    // Sum of squared residuals against Y_obs; NaN for a row of the wrong length.
    double SSR(QVector<double> y);
    QVector<double> SSR(QVector<QVector<double>> Ysim);
    // The same for the weighted combinations W[k] . y against W[k] . Y_obs; 0 for no rows.
    double SSR(QVector<double> y, QVector<QVector<double>> W);
    QVector<double> SSR(QVector<QVector<double>> Ysim, QVector<QVector<double>> W);

    // The step of every point of the cluster X with simulated observations Y (virtual so
    // that a test can make a step fail); while the damping search runs, only the steps of
    // its sample (zero rows for the others).
    virtual QVector<QVector<double>> iterate_weighted_A(QVector<QVector<double>> X,
                                                        QVector<QVector<double>> Y,
                                                        QVector<bool> alive,
                                                        QVector<double> lambdaVector);
    // The same on the weighted combinations of the observations given by weightRows.
    virtual QVector<QVector<double>>
    iterate_weighted_A(QVector<QVector<double>> X, QVector<QVector<double>> Y, QVector<bool> alive,
                       QVector<double> lambdaVector, QVector<QVector<double>> weightRows);

signals:
    void calculationCompleted();
    void currentIter(int);
    void currentModelEval(int);
    void additional_modelEval(int);
    void max_modelEval(int);
    void current_computation_result(compResult);
    // After the statistics of iteration k: the smallest and the median SSR (NaN when no
    // point could be evaluated).
    void iterationStatistics(int k, double bestSSR, double medianSSR);

public slots:
    void run_3();
    void abort();

private:
    // Evaluates the points `points` of `cluster` with `models` (evaluator i for point
    // points[i]) and returns one simulated observation row per listed point (NaN for a point
    // without evaluator or result); the raw results go to `raw` when it is given. Progress is
    // reported for iteration k.
    QVector<QVector<double>> evaluatePoints(QList<model_ode>& models,
                                            const QVector<QVector<double>>& cluster,
                                            const QVector<int>& points, int k,
                                            QList<QVector<QVector<double>>>* raw);
    // One whole iteration k of run_3; returns false when the run is to end after it.
    bool iterate(int k, QVector<bool>& alive, QVector<int>& sample);
    void recordOdeSolutions(int k, const QList<QVector<QVector<double>>>& raw);
    QVector<QVector<double>> step(const QVector<QVector<double>>& X,
                                  const QVector<QVector<double>>& Y, const QVector<bool>& alive);
    QVector<double> weightedSSR(const QVector<QVector<double>>& Ysim);
    void lambdaSearch(int k, const QVector<bool>& alive, const QVector<int>& sample,
                      const QVector<double>& currentSampleSSR);
    void log(const QString& line);
    // The files of iteration k go to disk on a writer thread while the run goes on; the
    // next iteration's write and the end of the run wait for it first.
    void startWriting(int k);
    // Waits for the pending write; false (with saveProblem set and logged) when it failed.
    bool finishWriting();

    // Iterations whose record is complete (evaluated, judged, sorted, logged and saved).
    int completedIterations = 0;
    // The points the damping search evaluates; empty outside it.
    QVector<int> stepPoints;
    std::thread writer;
    bool written = false; // the writer's outcome, read after joining it
    int pendingIteration = -1;
    QElapsedTimer runTimer;
    std::mt19937_64 random;
};
