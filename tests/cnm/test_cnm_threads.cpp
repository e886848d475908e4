// Whole runs of the Cluster Newton engine on the one-compartment model: the record, log, files
// and signals of a run, undoing failed steps, the damping search, stop and failure paths,
// weight rows, convergence onto a curve of solutions, and a run in a worker thread.
#include "cnm/cluster_newton_method.h"

#include "cnm/one_compartment_engine.h"
#include "io/debug_log.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace {

using namespace one_compartment;

QString number(double v) {
    return QString::number(v, 'g', 6);
}

double medianOf(QVector<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? NAN : values[values.size() / 2];
}

QStringList linesStartingWith(const QStringList& log, const QString& prefix) {
    QStringList out;
    for (const QString& line : log)
        if (line.startsWith(prefix)) out << line;
    return out;
}

// An engine whose step can be altered or made to fail, and that keeps the dampings it saw.
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

class EngineRun : public ::testing::Test {
protected:
    // Fills the engine with the cluster, sets the stage lengths and records what it emits.
    void prepare(cluster_newton_method& engine, const QVector<QVector<double>>& X0, int stage1,
                 int stage2, const QString& where = QString()) {
        pb.fill(engine, X0, where.isEmpty() ? dir.path() : where);
        engine.numStage1Iter = stage1;
        engine.numStage2Iter = stage2;
        QObject::connect(&engine, &cluster_newton_method::max_modelEval,
                         [this](int v) { maxEval << v; });
        QObject::connect(&engine, &cluster_newton_method::additional_modelEval,
                         [this](int v) { progress << v; });
        QObject::connect(&engine, &cluster_newton_method::current_computation_result,
                         [this](compResult r) { iterationsSeen << r.R.size(); });
        QObject::connect(&engine, &cluster_newton_method::calculationCompleted,
                         [this] { ++completed; });
    }
    int savedIterations() const {
        compResult back;
        return back.readIn(dir.path()) ? back.R.size() : -1;
    }

    debug_log debug; // the runs' debug lines, kept for the checks and not printed
    QTemporaryDir dir;
    problem pb;
    QVector<int> maxEval, progress, iterationsSeen;
    int completed = 0;
};

TEST_F(EngineRun, RecordLogFilesAndSignalsOfARun) {
    const int N = 20;
    cluster_newton_method engine;
    prepare(engine, pb.cluster(N, 1), 1, 2);
    engine.run_3();
    const compResult& r = engine.result;
    for (int size : {r.R.size(), r.X.size(), r.Y.size(), r.Parameter.size(), r.ODE_sol.size(),
                     r.R_sorted.size()})
        ASSERT_EQ(size, 3);
    EXPECT_EQ(r.ode_time, QVector<double>({0.5, 1.0, 2.0}));
    for (int k = 0; k < 3; ++k) {
        // Point 0 of every iteration: the model at its parameters, and its SSR.
        const QVector<double>& x = r.X[k][0];
        EXPECT_EQ(r.Parameter[k][0], x); // identity transformation
        EXPECT_NEAR(r.Y[k][0][2], concentration(x[0], x[1], 2.0), 1e-9);
        EXPECT_NEAR(r.ODE_sol[k][0][0][2], r.Y[k][0][2] * x[1], 1e-6);
        EXPECT_NEAR(r.R[k][0],
                    std::pow(r.Y[k][0][0] - pb.observed[0], 2) +
                        std::pow(r.Y[k][0][1] - pb.observed[1], 2) +
                        std::pow(r.Y[k][0][2] - pb.observed[2], 2),
                    1e-12);
        // The statistics block of the iteration.
        const QStringList& log = r.computation_log;
        const int at = log.indexOf("         iterNumber: " + QString::number(k));
        ASSERT_GE(at, 2) << k;
        const QVector<double>& s = r.R_sorted[k];
        const QStringList block{"",
                                QString(33, '<'),
                                log[at],
                                QString(33, '<'),
                                "===Current Cluster Stat===",
                                "min: " + number(s[0]),
                                "1/4 percentile: " + number(s[5]),
                                "median: " + number(s[10]),
                                "3/4 percentile: " + number(s[15])};
        EXPECT_EQ(log.mid(at - 2, block.size()), block);
        EXPECT_TRUE(log[at + 7].startsWith("number of improved points: ") &&
                    log[at + 7].endsWith("/20"));
        EXPECT_EQ(log[at + 8], "==== sample SSR of current X ====");
        EXPECT_EQ(log[at + 10].count(", "), 2);                // S = 2 sampled points
        EXPECT_EQ(log[at + 11].startsWith("Lambda: "), k < 2); // a search starts each stage
    }
    EXPECT_EQ(linesStartingWith(r.computation_log, "Total Computation time so far").size(), 3);
    // The maximum once, progress at (k + 1) N + 1 after every pass.
    EXPECT_EQ(maxEval, QVector<int>({60}));
    EXPECT_EQ(iterationsSeen, QVector<int>({1, 2, 3}));
    EXPECT_EQ(completed, 1);
    for (int v : progress)
        EXPECT_EQ((v - 1) % N, 0) << v;
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.last(), 61);
    EXPECT_FALSE(engine.isRunning);
    EXPECT_EQ(savedIterations(), 3);
}

TEST_F(EngineRun, SequentialPassGivesTheSameRecordAndCountsEveryPoint) {
    const int N = 12;
    cluster_newton_method parallel, sequential;
    prepare(parallel, pb.cluster(N, 2), 0, 1);
    parallel.run_3();
    progress.clear();
    prepare(sequential, pb.cluster(N, 2), 0, 1);
    sequential.parallelEvaluation = false;
    sequential.run_3();
    EXPECT_EQ(sequential.result.R, parallel.result.R); // point order kept by the pool
    // The main pass reports 1 .. N, every sample pass 1 .. S (S = 2).
    ASSERT_GE(progress.size(), N + 2);
    for (int i = 0; i < progress.size(); ++i)
        EXPECT_EQ(progress[i], i < N ? 1 + i : 1 + (i - N) % 2);
}

TEST_F(EngineRun, WorseAndDeadStepsAreUndoneAndDampingAdapts) {
    steered_engine engine;
    prepare(engine, pb.cluster(20, 3), 0, 2);
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
    // The last step sees the judged damping: tenfold up where worse, down where not.
    const QVector<double>& before = engine.lambdaVectorsSeen[engine.lambdaVectorsSeen.size() - 2];
    const QVector<double>& after = engine.lambdaVectorsSeen.last();
    EXPECT_EQ(after.mid(0, 3),
              QVector<double>({10.0 * before[0], 10.0 * before[1], before[2] / 10.0}));
}

TEST_F(EngineRun, PointsPastTheLargestDampingAreNoLongerEvaluated) {
    const int N = 20;
    steered_engine engine;
    prepare(engine, pb.cluster(N, 13), 0, 3);
    engine.maxPointLambda = 5.0;
    engine.initialLambda = 10.0;
    engine.alter = [](QVector<QVector<double>>& dX, int) {
        for (auto& row : dX)
            row = {0.0, 0.0}; // no trial improves: the search ends at 1000
    };
    engine.run_3();
    const compResult& r = engine.result;
    ASSERT_EQ(r.R.size(), 3);
    // Every damping from iteration 1 on exceeds the limit: the points are evaluated at NaN,
    // count as dead, keep the values of iteration 0 and their damping keeps rising.
    for (int k : {1, 2}) {
        EXPECT_EQ(r.R[k], r.R[0]);
        EXPECT_EQ(r.X[k], r.X[0]);
        for (int p = 0; p < N; ++p)
            EXPECT_TRUE(std::isnan(r.ODE_sol[k][0][p][0]));
    }
    EXPECT_EQ(r.computation_log.count("number of improved points: 0/20"), 2);
    EXPECT_EQ(engine.lambdaVectorsSeen.last(), QVector<double>(N, 1e5));
}

// Each stop keeps the iterations before the pass that saw it; the record ends there.
TEST_F(EngineRun, StopRequestsEndTheRunAtTheNextCheck) {
    const int N = 15;
    const struct {
        const char* name;
        bool sequential;
        int iterations;   // kept in the record and the files
        int lastProgress; // the last progress signal
        int stepCalls;    // -1: not checked
    } cases[] = {{"after iteration 1", false, 2, 3 * N + 1, -1},
                 {"during the damping search", false, 1, 2 * N + 1, 2},
                 {"during a sequential pass", true, 1, N + 1 + 4, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir caseDir;
        steered_engine engine;
        progress.clear();
        completed = 0;
        prepare(engine, pb.cluster(N, 4), 0, 6, caseDir.path());
        engine.parallelEvaluation = !c.sequential;
        if (c.stepCalls > 0)
            engine.alter = [&engine](QVector<QVector<double>>&, int call) {
                if (call == 0) engine.abortASAP = true;
            };
        else if (c.sequential)
            QObject::connect(&engine, &cluster_newton_method::additional_modelEval,
                             [&engine, &c](int v) {
                                 if (v == c.lastProgress) engine.abortASAP = true;
                             });
        else
            QObject::connect(&engine, &cluster_newton_method::current_computation_result,
                             [&engine](compResult r) {
                                 if (r.R.size() == 2) engine.abortASAP = true;
                             });
        engine.run_3();
        EXPECT_EQ(engine.result.R.size(), c.iterations);
        EXPECT_EQ(engine.result.X.size(), c.iterations);
        EXPECT_EQ(progress.last(), c.lastProgress);
        if (c.stepCalls >= 0) {
            EXPECT_EQ(engine.calls, c.stepCalls); // one trial, one step
        }
        EXPECT_EQ(completed, 1);
        EXPECT_FALSE(engine.isRunning);
        compResult back;
        ASSERT_TRUE(back.readIn(caseDir.path()));
        EXPECT_EQ(back.R.size(), c.iterations);
    }
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
        QTemporaryDir caseDir;
        QVector<QVector<double>> X0 = pb.cluster(tc.N, 7);
        if (tc.nanCluster) std::fill(X0.begin(), X0.end(), QVector<double>{NAN, NAN});
        cluster_newton_method engine;
        maxEval.clear();
        iterationsSeen.clear();
        completed = 0;
        prepare(engine, X0, 2, 3, caseDir.path());
        engine.run_3();
        EXPECT_TRUE(engine.result.computation_log.contains(
            "Model evaluation is not possible, double-check the model definition."));
        EXPECT_TRUE(debug.contains("numAlive: " + QString::number(tc.nanCluster ? 0 : tc.N)));
        EXPECT_TRUE(engine.result.R.isEmpty() && engine.result.X.isEmpty());
        EXPECT_EQ(maxEval, QVector<int>({5 * tc.N}));
        EXPECT_TRUE(iterationsSeen.isEmpty());
        EXPECT_EQ(completed, 1);
        EXPECT_TRUE(QFile::exists(caseDir.path() + "/compResult/computation_log.txt"));
        EXPECT_FALSE(QFile::exists(caseDir.path() + "/compResult/R_0.csv"));
    }
}

TEST_F(EngineRun, FailedIterationEndsTheRunKeepingCompletedIterations) {
    steered_engine engine;
    prepare(engine, pb.cluster(15, 8), 0, 5);
    engine.alter = [&engine](QVector<QVector<double>>&, int) {
        if (engine.result.R.size() == 2) throw std::runtime_error("no step");
    };
    engine.run_3();
    EXPECT_TRUE(engine.result.computation_log.contains("CN iteration failed"));
    EXPECT_TRUE(debug.contains("CN iteration failed"));
    // Iteration 1 was recorded, logged and saved before its step failed.
    EXPECT_EQ(engine.result.R.size(), 2);
    EXPECT_EQ(completed, 1);
    EXPECT_FALSE(engine.isRunning);
    EXPECT_EQ(savedIterations(), 2);
}

TEST_F(EngineRun, PercentilesPastTheLiveValuesGiveTheLastOne) {
    QVector<QVector<double>> X0 = pb.cluster(20, 9);
    std::fill(X0.begin() + 5, X0.end(), QVector<double>{NAN, NAN});
    cluster_newton_method engine;
    prepare(engine, X0, 0, 1);
    engine.run_3();
    const QStringList& log = engine.result.computation_log;
    const QVector<double>& s = engine.result.R_sorted[0];
    ASSERT_EQ(s.size(), 5);
    const int at = log.indexOf("min: " + number(s[0]));
    ASSERT_GE(at, 0);
    EXPECT_EQ(log.mid(at + 1, 4),
              QStringList({"1/4 percentile: " + number(s[4]), "median: " + number(s[4]),
                           "3/4 percentile: " + number(s[4]), "number of improved points: 5/20"}));
}

// An initial damping above the maximum tries nothing; a non-positive one starts at 0 and
// rises tenfold while no trial improves; one improved point of a one-point sample ends it.
TEST_F(EngineRun, DampingSearch) {
    steered_engine above;
    prepare(above, pb.cluster(12, 10), 0, 1);
    above.initialLambda = 2000.0;
    above.run_3();
    EXPECT_EQ(linesStartingWith(above.result.computation_log, "Lambda: "),
              QStringList("Lambda: 2000"));
    EXPECT_EQ(above.lambdaVectorsSeen, QVector<QVector<double>>({QVector<double>(12, 0.0)}));

    steered_engine zero;
    prepare(zero, pb.cluster(12, 11), 0, 1);
    zero.initialLambda = 0.0;
    zero.alter = [](QVector<QVector<double>>& dX, int) {
        for (auto& row : dX)
            row = {0.0, 0.0};
    };
    zero.run_3();
    EXPECT_EQ(linesStartingWith(zero.result.computation_log, "Lambda: "),
              QStringList({"Lambda: 0", "Lambda: 1", "Lambda: 10", "Lambda: 100", "Lambda: 1000",
                           "Lambda: 10000"}));

    cluster_newton_method one;
    prepare(one, pb.cluster(10, 12), 0, 1);
    one.run_3();
    bool improved = false;
    for (const QString& line : one.result.computation_log) {
        if (line.startsWith("Lambda: ")) {
            EXPECT_FALSE(improved) << "a trial after acceptance";
        }
        if (line.startsWith("number improved: ")) improved = line == "number improved: 1/1";
    }
}

TEST_F(EngineRun, WeightRowsSteerTheRunTowardsTheirCombination) {
    const int N = 60;
    cluster_newton_method engine;
    prepare(engine, pb.cluster(N, 14), 0, 12);
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
    // The weighted misfit collapses while the whole misfit stays.
    EXPECT_LT(medianOf(last0), 1e-6 * medianOf(first0));
    EXPECT_GT(medianOf(r.R[11]), 1e3 * medianOf(last0));
}

// The engine in a worker thread, as the window runs it: queued invocation of run_3, queued
// signals carrying copies, and a stop requested from this thread.
TEST_F(EngineRun, RunsInAWorkerAndStopsOnRequest) {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>("test_cnm_threads"), nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv); // lives to the end
    compResult::registerMetaType();
    for (bool stop : {false, true}) {
        auto* engine = new cluster_newton_method;
        pb.fill(*engine, pb.cluster(30, 15), dir.path());
        engine->numStage1Iter = 2;
        engine->numStage2Iter = 4;
        QThread worker;
        engine->moveToThread(&worker);

        QObject window;
        QVector<int> iterations;
        int windowCompleted = 0;
        QEventLoop loop;
        QObject::connect(engine, &cluster_newton_method::current_computation_result, &window,
                         [&](compResult r) {
                             EXPECT_EQ(QThread::currentThread(), window.thread());
                             iterations << r.R.size();
                             if (stop && r.R.size() == 2) engine->abort();
                         });
        QObject::connect(engine, &cluster_newton_method::calculationCompleted, &window, [&] {
            ++windowCompleted;
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
        EXPECT_EQ(windowCompleted, 1);
        EXPECT_FALSE(engine->isRunning);
        if (stop) {
            // Later iterations may already be under way when the stop arrives.
            EXPECT_GE(engine->result.R.size(), 2);
            EXPECT_LT(engine->result.R.size(), 6);
            EXPECT_EQ(iterations.last(), engine->result.R.size());
        } else {
            EXPECT_EQ(iterations, QVector<int>({1, 2, 3, 4, 5, 6}));
        }
        delete engine;
    }
}

} // namespace
