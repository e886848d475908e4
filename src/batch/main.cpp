// velmora-batch: runs the Cluster Newton method on a model directory without the window.
// Ctrl-C asks the run to stop; it then ends cleanly and the record is saved.
#include "batch/batch_runner.h"

#include "cnm/cluster_newton_method.h"
#include "cnm/run_setup.h"

#include <QCoreApplication>

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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-batch"));
    QCoreApplication::setApplicationVersion(velmoraVersion());
    if (qEnvironmentVariableIsEmpty("VELMORA_DEBUG")) qInstallMessageHandler(quietDebug);
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
