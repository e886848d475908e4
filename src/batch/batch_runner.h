// The headless runner: loads a model directory, runs the Cluster Newton method with the
// directory's saved run settings (the window's defaults when it has none) overridden by
// the options given, reports progress on the terminal and writes the result files into the
// directory as the window does.
#pragma once

#include "cnm/run_settings.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

class QCommandLineParser;
class cluster_newton_method;

class batch_runner {
public:
    QString directory;
    // The options given, by name ("stage1", "lambda", ...), as typed.
    QHash<QString, QString> options;

    enum class parsed { run, exit, error };
    // Reads the arguments (without the program name). --help and --version put their text
    // into message and give exit; a bad option gives error with a one-line message.
    parsed parseArguments(const QStringList& arguments, QString& message);
    // The options of a run, for the run command and the ones that follow its pattern.
    static void addRunOptions(QCommandLineParser& parser);

    // The saved run settings of the directory with the given options applied; false with
    // a one-line message when a weights file cannot be read.
    bool settings(const run_settings& saved, run_settings& out, QString& message) const;

    // Loads the model directory; on a missing or malformed one, or settings that do not
    // read, returns 2 with a one-line message naming the file and problem. Otherwise runs,
    // prints the identifiability table of the result and writes its files, and returns 0;
    // 1 with the message when result files or those files could not be written; 3 with the
    // reason when the run ended early with a failure (a lost MPI rank; the finished
    // iterations are saved).
    int run(QString& message);

    // Where progress lines go (the terminal by default).
    std::function<void(const QString&)> print;
    // Called with the engine before the run starts (Ctrl-C handling hooks in here).
    std::function<void(cluster_newton_method&)> onEngineReady;
    // Called with the filled engine before the run to choose who evaluates its points (the
    // ranks of an MPI run); false, with a message, ends the run before it starts (status 2).
    std::function<bool(cluster_newton_method&, QString& message)> prepareEvaluation;
};
