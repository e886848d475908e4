// velmora-batch: runs the Cluster Newton method on a model directory without the window.
// Ctrl-C asks the run to stop; it then ends cleanly and the record is saved.
#include "batch/batch_report.h"
#include "batch/batch_runner.h"
#include "batch/batch_simulate.h"

#include "cnm/cluster_newton_method.h"
#include "cnm/run_setup.h"

#include <QCoreApplication>
#ifdef VELMORA_HAVE_REPORT_PDF
#include <QApplication>
#else
using QApplication = QCoreApplication;
#endif

#include <csignal>
#include <cstdio>

namespace {

cluster_newton_method* runningEngine = nullptr;

void onInterrupt(int) {
    if (runningEngine) runningEngine->abortASAP.store(true);
    std::signal(SIGINT, SIG_DFL); // a second Ctrl-C ends the program at once
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
    switch (reporter.parseArguments(app.arguments().mid(2), message)) {
    case batch_runner::parsed::exit:
        std::printf("%s\n", message.trimmed().toLocal8Bit().constData());
        return 0;
    case batch_runner::parsed::error:
        std::fprintf(stderr, "velmora-batch: %s\n", message.toLocal8Bit().constData());
        return 2;
    case batch_runner::parsed::run:
        break;
    }
    const int status = reporter.run(message);
    if (status != 0) std::fprintf(stderr, "velmora-batch: %s\n", message.toLocal8Bit().constData());
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "report") == 0) return report(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-batch"));
    QCoreApplication::setApplicationVersion(velmoraVersion());
    if (qEnvironmentVariableIsEmpty("VELMORA_DEBUG")) qInstallMessageHandler(quietDebug);
    // "velmora-batch simulate <model-dir> ..." simulates with a saved result.
    if (app.arguments().value(1) == QLatin1String("simulate"))
        return runSimulateCommand(app.arguments().mid(2));
    batch_runner runner;
    QString message;
    switch (runner.parseArguments(app.arguments().mid(1), message)) {
    case batch_runner::parsed::exit:
        std::printf("%s\n", message.trimmed().toLocal8Bit().constData());
        return 0;
    case batch_runner::parsed::error:
        std::fprintf(stderr, "velmora-batch: %s\n", message.toLocal8Bit().constData());
        return 2;
    case batch_runner::parsed::run:
        break;
    }
    runner.onEngineReady = [](cluster_newton_method& engine) {
        runningEngine = &engine;
        std::signal(SIGINT, onInterrupt);
    };
    const int status = runner.run(message);
    runningEngine = nullptr;
    if (status != 0) std::fprintf(stderr, "velmora-batch: %s\n", message.toLocal8Bit().constData());
    return status;
}
