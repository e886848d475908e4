// The headless runner: loads a model directory, runs the Cluster Newton method with the
// directory's saved run settings (the window's defaults when it has none) overridden by
// the options given, reports progress on stderr, writes the result files into the directory
// as the window does and the fitted values on stdout.
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
    // The one positional argument of every command, the model directory, into `directory`;
    // false with a message (starting with `prefix`) when none is given (pointing to
    // `helpCommand`) or there are more.
    static bool modelDirectoryArgument(const QCommandLineParser& parser, const QString& prefix,
                                       const QString& helpCommand, QString& directory,
                                       QString& message);

    // The saved run settings of the directory with the given options applied; false with
    // a one-line message when a weights file cannot be read.
    bool settings(const run_settings& saved, run_settings& out, QString& message) const;

    // Loads the model directory and runs it. Returns 2 with a one-line message for a
    // missing or unreadable directory or weights file; 1 with a one-line message naming the
    // file and the problem when the model or its saved settings cannot run, when the run
    // kept no iteration with a finite SSR, or when result files could not be written;
    // otherwise 0 after writing the fitted values and the identifiability table (with its
    // files in compResult/) to output; 3 with the reason when the run ended early with a
    // failure (a lost MPI rank; the finished iterations are saved).
    int run(QString& message);

    // Where progress lines and warnings go (stderr by default).
    std::function<void(const QString&)> print;
    // Where the fitted values go at the end of a run (stdout by default).
    std::function<void(const QString&)> output;
    // Called with the engine before the run starts (Ctrl-C handling hooks in here).
    std::function<void(cluster_newton_method&)> onEngineReady;
    // Called with the filled engine before the run to choose who evaluates its points (the
    // ranks of an MPI run); false, with a message, ends the run before it starts (status 2).
    std::function<bool(cluster_newton_method&, QString& message)> prepareEvaluation;
};
