// velmora-batch: runs the Cluster Newton method on a model directory without the window.
// Ctrl-C asks the run to stop; it then ends cleanly and the record is saved. With --mpi
// (started through mpirun) rank 0 runs the method and the other ranks serve evaluations;
// SIGTERM, which mpirun sends every rank on Ctrl-C, stops rank 0 like Ctrl-C.
#include "batch/batch_report.h"
#include "batch/batch_runner.h"
#include "batch/batch_simulate.h"
#include "batch/command_outcome.h"

#include "cnm/cluster_newton_method.h"
#include "cnm/run_setup.h"

#include <QCoreApplication>
#ifdef VELMORA_HAVE_REPORT_PDF
#include <QApplication>
#else
using QApplication = QCoreApplication;
#endif

#ifdef VELMORA_WITH_MPI
#include "mpi/model_package.h"
#include "mpi/mpi_evaluation_backend.h"
#include "mpi/mpi_session.h"
#include "mpi/mpi_worker.h"
#endif

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

cluster_newton_method* runningEngine = nullptr;
volatile std::sig_atomic_t terminated = 0; // SIGTERM: mpirun is ending every rank

void onInterrupt(int signal) {
    if (runningEngine) runningEngine->abortASAP.store(true);
    if (signal == SIGTERM) {
        // mpirun no longer reads what the ranks print once it ends them: printing must not
        // block the saving of the record.
        terminated = 1;
        ::fcntl(STDOUT_FILENO, F_SETFL, ::fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
        ::fcntl(STDERR_FILENO, F_SETFL, ::fcntl(STDERR_FILENO, F_GETFL) | O_NONBLOCK);
    }
    std::signal(signal, SIG_DFL); // a second Ctrl-C ends the program at once
}

void quietDebug(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg) return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// `velmora-batch report ...`: charts for the PDF need a QApplication; it never shows a
// window, so it runs on the offscreen platform.
int report(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The platform's note about its runtime folder says nothing about the report.
    if (qEnvironmentVariableIsEmpty("VELMORA_DEBUG"))
        qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!message.startsWith("QStandardPaths:")) quietDebug(type, context, message);
            });
    QApplication app(argc, argv);
    batch_report reporter;
    QString message;
    const int parsed = exitStatusOfParse(reporter.parseArguments(app.arguments().mid(2), message),
                                         message, "velmora-batch");
    if (parsed >= 0) return parsed;
    return reportedStatus(reporter.run(message), message, "velmora-batch");
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "report") == 0) return report(argc, argv);
    const bool overMpi = std::any_of(argv + 1, argv + argc,
                                     [](const char* a) { return std::strcmp(a, "--mpi") == 0; });
#ifdef VELMORA_WITH_MPI
    // MPI starts before anything else; the serving ranks read no options and no directory.
    std::unique_ptr<mpi_session> session;
    std::unique_ptr<mpi_evaluation_backend> backend;
    if (overMpi) {
        session.reset(new mpi_session(argc, argv));
        if (session->rank() != 0) {
            if (qEnvironmentVariableIsEmpty("VELMORA_DEBUG")) qInstallMessageHandler(quietDebug);
            mpi_worker worker(*session);
            QString message;
            const int status = worker.serve(message);
            if (status != 0)
                std::fprintf(stderr, "velmora-batch (rank %d): %s\n", session->rank(),
                             message.toLocal8Bit().constData());
            session->end(status);
            if (worker.evaluationAbandoned) std::_Exit(status); // a hung thread cannot be joined
            return status;
        }
        // From here on rank 0: the serving ranks are released however it ends.
        backend.reset(new mpi_evaluation_backend(*session));
    }
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-batch"));
    QCoreApplication::setApplicationVersion(velmoraVersion());
    if (qEnvironmentVariableIsEmpty("VELMORA_DEBUG")) qInstallMessageHandler(quietDebug);
    // "velmora-batch simulate <model-dir> ..." simulates with a saved result.
    if (app.arguments().value(1) == QLatin1String("simulate"))
        return runSimulateCommand(app.arguments().mid(2));
    batch_runner runner;
    QString message;
    const int parsed = exitStatusOfParse(runner.parseArguments(app.arguments().mid(1), message),
                                         message, "velmora-batch");
    if (parsed >= 0) return parsed;
#ifdef VELMORA_WITH_MPI
    if (backend) {
        if (runner.options.contains("mpi-timeout"))
            backend->silenceMilliseconds =
                static_cast<qint64>(runner.options.value("mpi-timeout").toDouble() * 1000);
        runner.prepareEvaluation = [&](cluster_newton_method& engine, QString& why) {
            // The other ranks get the model folder as read here and the run's evaluator settings.
            model_package package;
            if (!package.readDirectory(runner.directory, why)) return false;
            package.silenceMilliseconds = backend->silenceMilliseconds;
            if (!engine.modelList.isEmpty()) {
                const model_ode& first = engine.modelList.first();
                package.relativeTolerance = first.relativeTolerance;
                package.absoluteTolerance = first.absoluteTolerance;
                package.evaluationLimitMilliseconds = first.timeLimitMilliseconds;
                backend->evaluationLimitMilliseconds = first.timeLimitMilliseconds;
            }
            if (!backend->connect(package.toBytes(), why)) return false;
            engine.evaluationBackend = backend.get();
            std::fprintf(stderr,
                         "  evaluating on %d MPI ranks, %d threads each on rank 0's machine\n",
                         session->size(), session->threads());
            return true;
        };
    }
#else
    if (overMpi) {
        std::fprintf(stderr, "velmora-batch: --mpi: this velmora-batch was built without MPI\n");
        return 2;
    }
#endif
    runner.onEngineReady = [overMpi](cluster_newton_method& engine) {
        runningEngine = &engine;
        std::signal(SIGINT, onInterrupt);
        if (overMpi) std::signal(SIGTERM, onInterrupt);
    };
    const int status = reportedStatus(runner.run(message), message, "velmora-batch");
    runningEngine = nullptr;
#ifdef VELMORA_WITH_MPI
    if (session) {
        // The files are closed: the serving ranks are released and MPI ends, without waiting
        // for a lost rank, nor for the others when mpirun is ending them all.
        backend.reset();
        if (terminated) session->markLost(-1);
        session->end(status);
        // After an early end an evaluation of rank 0's own may still hang: no thread is joined.
        if (status == 3) {
            std::fflush(nullptr);
            std::_Exit(status);
        }
    }
#endif
    return status;
}
