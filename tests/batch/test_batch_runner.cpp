// The batch runner: option errors and malformed model directories give a one-line message
// and status 2; a run writes result files that load back; a stop request ends the run
// cleanly with the record saved.
#include "batch/batch_runner.h"

#include "cnm/cluster_newton_method.h"
#include "cnm/compResult.h"
#include "batch/example_copy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

int runBatch(const QStringList& args, QString& message, QStringList* output = nullptr,
             std::function<void(cluster_newton_method&)> ready = {}) {
    batch_runner runner;
    if (runner.parseArguments(args, message) != batch_runner::parsed::run) return 2;
    runner.print = [&](const QString& s) {
        if (output) *output << s;
    };
    runner.onEngineReady = ready;
    return runner.run(message);
}

TEST(BatchRunner, OptionsAreCheckedAndOverrideTheSavedSettings) {
    using parsed = batch_runner::parsed;
    const struct {
        QStringList args;
        parsed result;
        const char* says;
    } rows[] = {
        {{}, parsed::error, "no model directory"},
        {{"dir", "--stage2"}, parsed::error, "Missing value"},
        {{"dir", "--stage2", "x"}, parsed::error, "not a valid value"},
        {{"dir", "--reltol", "-1"}, parsed::error, "not a valid value"},
        {{"dir", "--seed", "-3"}, parsed::error, "not a valid value"},
        {{"dir", "--colour", "red"}, parsed::error, "Unknown option"},
        {{"a", "b"}, parsed::error, "unexpected argument"},
        {{"--help"}, parsed::exit, "--weighted-iterations"},
        {{"--version"}, parsed::exit, "alpha 3.1.4"},
    };
    for (const auto& r : rows) {
        batch_runner runner;
        QString message;
        EXPECT_EQ(runner.parseArguments(r.args, message), r.result) << r.says;
        EXPECT_TRUE(message.contains(r.says)) << message.toStdString();
    }
    batch_runner runner;
    QString message;
    ASSERT_EQ(runner.parseArguments({"dir/", "--abstol", "1e-6", "--seed", "7"}, message),
              parsed::run);
    EXPECT_EQ(runner.directory, "dir");
    run_settings saved;
    saved.absoluteTolerance = "0.5";
    saved.relativeTolerance = "0.01";
    saved.stage2Iterations = 4;
    run_settings used;
    ASSERT_TRUE(runner.settings(saved, used, message));
    EXPECT_EQ(used.absoluteTolerance, "1e-6");
    EXPECT_EQ(used.seed, "7");
    EXPECT_EQ(used.relativeTolerance, "0.01");
    EXPECT_EQ(used.stage2Iterations, 4);
}

TEST(BatchRunner, MissingOrMalformedDirectoriesNameTheFile) {
    QString message;
    EXPECT_EQ(runBatch({"/nonexistent/velmora"}, message), 2);
    EXPECT_TRUE(message.contains("no such directory"));

    QTemporaryDir empty;
    EXPECT_EQ(runBatch({empty.path()}, message), 2);
    EXPECT_TRUE(message.contains("model/ODE_expression.txt")) << message.toStdString();

    QTemporaryDir broken;
    copyExample("one_compartment_iv", broken.path());
    QFile ode(broken.path() + "/model/ODE_expression.txt");
    ASSERT_TRUE(ode.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ode.write("dAdt = -CL/V*A\ndAdt = 1\n");
    ode.close();
    EXPECT_EQ(runBatch({broken.path()}, message), 2);
    EXPECT_TRUE(message.contains("ODE_expression.txt")) << message.toStdString();
    EXPECT_TRUE(message.contains("same left hand side")) << message.toStdString();
    EXPECT_FALSE(message.contains('\n'));

    QTemporaryDir noObservations;
    copyExample("one_compartment_iv", noObservations.path());
    QFile::remove(noObservations.path() + "/model/observations.txt");
    EXPECT_EQ(runBatch({noObservations.path()}, message), 2);
    EXPECT_TRUE(message.contains("observations.txt")) << message.toStdString();
}

TEST(BatchRunner, RunWritesResultFilesThatLoadBack) {
    QTemporaryDir tmp;
    copyExample("oral_multiple_dose", tmp.path());
    QString message;
    QStringList output;
    ASSERT_EQ(runBatch({tmp.path(), "--stage2", "3", "--points", "30", "--abstol", "1e-4"}, message,
                       &output),
              0)
        << message.toStdString();
    compResult loaded;
    ASSERT_TRUE(loaded.readIn(tmp.path()));
    EXPECT_EQ(loaded.X.size(), 3);
    EXPECT_EQ(loaded.X[0].size(), 30);
    EXPECT_EQ(loaded.Parameter[0][0].size(), 3);
    QFile log(tmp.path() + "/compResult/computation_log.txt");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.contains(" ODE solve AbsTol: 0.0001"));
    EXPECT_TRUE(text.contains(" ODE solve RelTol: 0.1"));
    EXPECT_TRUE(text.contains(" Weights: \n\n Random seed: "));
    EXPECT_TRUE(text.contains("iterNumber: 2"));
    EXPECT_TRUE(output.join("").contains("median:"));
    // The SSR of the best point improves on the initial cluster's.
    loaded.sortDataByResidual();
    ASSERT_FALSE(loaded.R_sorted[0].isEmpty());
    EXPECT_LT(loaded.R_sorted[2][0], loaded.R_sorted[0][0]);
}

// The result files of a run, without the log (it holds times).
QString resultFiles(const QString& dir) {
    QString all;
    QDir results(dir + "/compResult");
    for (const QString& name : results.entryList({"*.csv"}, QDir::Files, QDir::Name)) {
        QFile f(results.filePath(name));
        f.open(QIODevice::ReadOnly);
        all += name + "\n" + QString::fromUtf8(f.readAll());
    }
    return all;
}

TEST(BatchRunner, SameSeedRepeatsTheRunBitForBit) {
    QString files[2];
    for (int i = 0; i < 2; ++i) {
        QTemporaryDir tmp;
        copyExample("oral_multiple_dose", tmp.path());
        QString message;
        ASSERT_EQ(
            runBatch({tmp.path(), "--stage2", "3", "--points", "40", "--seed", "11"}, message), 0)
            << message.toStdString();
        files[i] = resultFiles(tmp.path());
    }
    EXPECT_TRUE(files[0].contains("X_2.csv"));
    EXPECT_EQ(files[0], files[1]);
}

TEST(BatchRunner, StopRequestEndsTheRunWithTheRecordSaved) {
    QTemporaryDir tmp;
    copyExample("one_compartment_iv", tmp.path());
    QString message;
    const int status = runBatch(
        {tmp.path(), "--stage2", "10", "--points", "20"}, message, nullptr,
        [](cluster_newton_method& engine) {
            QObject::connect(&engine, &cluster_newton_method::current_computation_result,
                             [&engine](const compResult&) { engine.abortASAP.store(true); });
        });
    ASSERT_EQ(status, 0) << message.toStdString();
    compResult loaded;
    ASSERT_TRUE(loaded.readIn(tmp.path()));
    EXPECT_GE(loaded.X.size(), 1);
    EXPECT_LT(loaded.X.size(), 10);
}

TEST(BatchRunner, ExecutableReportsStatusTwoOnOneLine) {
    const QString exe = QString(VELMORA_BINARY_DIR) + "/src/velmora-batch";
    if (!QFile::exists(exe)) GTEST_SKIP() << "velmora-batch not built";
    QProcess p;
    p.start(exe, {"/nonexistent/velmora"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    EXPECT_EQ(err, "velmora-batch: /nonexistent/velmora: no such directory");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
