// Loading, checking and running a model directory without the window.
#include "batch/batch_runner.h"

#include "analysis/fitted_values.h"
#include "batch/batch_report.h"
#include "cnm/cluster_newton_method.h"
#include "cnm/run_setup.h"
#include "io/model_directory.h"
#include "model/model_definition.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

QString number(double v) {
    return QString::number(v, 'g', 6);
}

// Where the run's time went, for a modeller sizing a cluster: "  time 12.3 s: model
// evaluation 61 %, per-point fits 27 %, writing result files 4 %, other 8 %".
QString phaseTimesText(const cluster_newton_method::phase_times& t) {
    if (!(t.total > 0.0)) return QString();
    const auto share = [&](double part) {
        return QString::number(std::lround(100.0 * part / t.total)) + " %";
    };
    const double other = std::max(0.0, t.total - t.evaluation - t.fits - t.writing);
    return QString("  time %1 s: model evaluation %2, per-point fits %3, writing result files "
                   "%4, other %5\n")
        .arg(t.total, 0, 'f', 1)
        .arg(share(t.evaluation), share(t.fits), share(t.writing), share(other));
}

// Which model file a blocking problem is about.
QString fileOf(const QString& problem) {
    if (problem.contains("observation")) return "model/observations.txt";
    if (problem.contains("initial cluster")) return "model/initial_cluster.txt";
    if (problem.contains("Parameters")) return "model/parameter_specifications.csv";
    return "model/ODE_expression.txt";
}

void toTerminal(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void toStdout(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

// The first problem that stops the run, as "<dir>/model/<file>: <message>" on one line.
QString blockingMessage(const QString& directory, const model_definition& model,
                        const QStringList& blocking) {
    for (const model_problem& p : model.currentProblems())
        if (!p.warning)
            return directory + "/model/" + p.file() + ": " +
                   QString(p.message).replace('\n', ' ').simplified();
    return directory + "/" + fileOf(blocking.first()) + ": " + blocking.first();
}

// Option name, value name, description; the values are checked by kind.
struct option_row {
    const char* name;
    const char* valueName;
    const char* description;
    enum { count, positiveCount, positive, whole, text } kind;
};

const option_row optionRows[] = {
    {"stage1", "N", "Number of stage-1 iterations (default 0).", option_row::count},
    {"stage2", "N", "Number of stage-2 iterations (default 20).", option_row::count},
    {"lambda", "L", "Initial lambda (default 1.00).", option_row::positive},
    {"reltol", "R", "ODE solve relative tolerance (default 0.1).", option_row::positive},
    {"abstol", "A", "ODE solve absolute tolerance (default 1.0).", option_row::positive},
    {"points", "N", "Draw a new initial cluster of N points instead of the saved one.",
     option_row::positiveCount},
    {"weights", "FILE", "Weight rows, one per line, one weight per observation.", option_row::text},
    {"weighted-iterations", "N", "Number of iterations with the weights (default 0).",
     option_row::count},
    {"seed", "N", "Seed of the run's random numbers; the same seed repeats a run exactly.",
     option_row::whole},
    {"mpi-timeout", "S",
     "With --mpi: seconds without a message from a rank before it counts as lost (default 15).",
     option_row::positive},
};

bool valid(const option_row& row, const QString& value) {
    bool ok = true;
    switch (row.kind) {
    case option_row::count:
        return value.toInt(&ok) >= 0 && ok;
    case option_row::positiveCount:
        return value.toInt(&ok) > 0 && ok;
    case option_row::positive:
        return value.toDouble(&ok) > 0 && ok;
    case option_row::whole:
        value.toULongLong(&ok);
        return ok;
    case option_row::text:
        return true;
    }
    return ok;
}

} // namespace

void batch_runner::addRunOptions(QCommandLineParser& parser) {
    for (const option_row& row : optionRows)
        parser.addOption(QCommandLineOption(QLatin1String(row.name), QLatin1String(row.description),
                                            QLatin1String(row.valueName)));
}

batch_runner::parsed batch_runner::parseArguments(const QStringList& arguments, QString& message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Runs the Cluster Newton method on a model directory and writes the result files into "
        "its compResult folder. Settings come from the directory's model/run_settings.txt "
        "(the window's defaults without it); the options override them.\n"
        "Progress and warnings go to stderr. At the end of a run stdout gets the fitted "
        "values (per parameter its best value and the median and 5-95 % range of the best "
        "quarter of the cluster) and the identifiability table. Ctrl-C stops the run and keeps the "
        "iterations done.\n"
        "Exit status: 0 after a run that kept an iteration, 1 when the model cannot run or no "
        "point of the cluster could be evaluated (the message names the file), 2 for bad "
        "options or a directory that cannot be read.\n"
        "velmora-batch simulate --help and velmora-batch report --help describe the "
        "subcommands that work on a saved result.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption mpi(
        "mpi", "Evaluate the points over the ranks of an MPI run (start with mpirun); rank 0 "
               "runs the method and writes the files, the other ranks evaluate.");
    parser.addOption(mpi);
    parser.addPositionalArgument("model-dir", "The model directory.");
    addRunOptions(parser);
    if (!parser.parse(QStringList{"velmora-batch"} + arguments)) {
        message = parser.errorText();
        return parsed::error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return parsed::exit;
    }
    if (parser.isSet(version)) {
        message = "velmora-batch " + velmoraVersion();
        return parsed::exit;
    }
    if (!modelDirectoryArgument(parser, QString(), "--help", directory, message))
        return parsed::error;
    if (parser.isSet(mpi)) options.insert("mpi", QString());
    while (directory.size() > 1 && directory.endsWith('/'))
        directory.chop(1);
    for (const option_row& row : optionRows) {
        const QString name = QLatin1String(row.name);
        if (!parser.isSet(name)) continue;
        const QString value = parser.value(name);
        if (!valid(row, value)) {
            message = "option --" + name + ": '" + value + "' is not a valid value";
            return parsed::error;
        }
        options.insert(name, value);
    }
    return parsed::run;
}

bool batch_runner::modelDirectoryArgument(const QCommandLineParser& parser, const QString& prefix,
                                          const QString& helpCommand, QString& directory,
                                          QString& message) {
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        message =
            prefix + (positional.isEmpty() ? "no model directory given (see " + helpCommand + ")"
                                           : "unexpected argument '" + positional[1] + "'");
        return false;
    }
    directory = positional[0];
    return true;
}

bool batch_runner::settings(const run_settings& saved, run_settings& out, QString& message) const {
    out = saved;
    const auto given = [this](const char* name) { return options.contains(QLatin1String(name)); };
    const auto value = [this](const char* name) { return options.value(QLatin1String(name)); };
    if (given("stage1")) out.stage1Iterations = value("stage1").toInt();
    if (given("stage2")) out.stage2Iterations = value("stage2").toInt();
    if (given("weighted-iterations")) out.weightedIterations = value("weighted-iterations").toInt();
    if (given("lambda")) out.initialLambda = value("lambda");
    if (given("reltol")) out.relativeTolerance = value("reltol");
    if (given("abstol")) out.absoluteTolerance = value("abstol");
    if (given("seed")) out.seed = value("seed");
    if (given("weights")) {
        QFile f(value("weights"));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            message = value("weights") + ": cannot be read";
            return false;
        }
        out.weights = QString::fromUtf8(f.readAll());
    }
    return true;
}

int batch_runner::run(QString& message) {
    if (!print) print = toTerminal;
    if (!output) output = toStdout;
    if (!QDir(directory).exists()) {
        message = directory + ": no such directory";
        return 2;
    }
    model_directory files;
    if (!files.load(directory)) {
        message = model_directory::odeTextFile(directory) + ": cannot be read";
        return 2;
    }
    run_settings runSettings;
    if (!settings(files.runSettings, runSettings, message)) return 2;

    model_definition model;
    if (options.contains("points")) {
        model.numInitCluster = options.value("points").toInt();
        files.hasInitialCluster = false; // a new cluster of the requested size is drawn
    }
    model.load(files);
    for (const QString& p : model.problems)
        print("warning: " + p + "\n");
    const QStringList blocking = model.blockingErrors();
    if (!blocking.isEmpty()) {
        message = blockingMessage(directory, model, blocking);
        return 1;
    }
    const QStringList settingsProblems = runProblems(model, runSettings);
    if (!settingsProblems.isEmpty()) {
        const bool weights = options.contains("weights");
        message =
            (weights ? options.value("weights") : model_directory::runSettingsFile(directory)) +
            ": " + settingsProblems.first();
        return weights ? 2 : 1;
    }

    cluster_newton_method engine;
    const quint64 seed = setUpRun(engine, model, runSettings, directory);
    const compResult& record = engine.result;
    const int n = record.X[0].size();

    print(QString("Velmora batch run: %1\n  %2 points, %3 parameters (%4 estimated), %5 "
                  "observations, %6 + %7 iterations, seed %8\n")
              .arg(directory)
              .arg(n)
              .arg(model.para.parameterNames.size())
              .arg(model.para.gInverse.size())
              .arg(model.observedValues().size())
              .arg(engine.numStage1Iter)
              .arg(engine.numStage2Iter)
              .arg(seed));

    int maximum = 1;
    int printedLogLines = record.computation_log.size();
    QObject::connect(&engine, &cluster_newton_method::max_modelEval,
                     [&](int m) { maximum = std::max(1, m); });
    QObject::connect(&engine, &cluster_newton_method::additional_modelEval, [&](int value) {
        const int width = 40;
        const int filled = std::min(width, width * value / maximum);
        print(QString("\r[%1%2] %3/%4 model evaluations")
                  .arg(QString(filled, '#'))
                  .arg(QString(width - filled, '-'))
                  .arg(std::min(value, maximum))
                  .arg(maximum));
    });
    QObject::connect(
        &engine, &cluster_newton_method::current_computation_result, [&](const compResult& r) {
            // The statistics block of the iteration just logged.
            QString text = "\n";
            for (int i = printedLogLines; i < r.computation_log.size(); ++i) {
                const QString& line = r.computation_log[i];
                if (line.startsWith("min:") || line.startsWith("median:") ||
                    line.contains("iterNumber") || line.startsWith("number of improved points") ||
                    line.startsWith("failed model evaluations"))
                    text += "  " + line.trimmed() + "\n";
            }
            printedLogLines = r.computation_log.size();
            print(text);
        });
    if (prepareEvaluation && !prepareEvaluation(engine, message)) return 2;
    if (onEngineReady) onEngineReady(engine);
    engine.run_3();
    if (!engine.saveProblem.isEmpty()) {
        // Never "finished" when the results did not reach the disk.
        message = engine.saveProblem;
        return 1;
    }
    if (!engine.failureMessage.isEmpty()) {
        message =
            QString("the run ended early: %1; %2 finished iterations are saved in %3/compResult")
                .arg(engine.failureMessage)
                .arg(engine.result.X.size())
                .arg(directory);
        return 3;
    }

    const compResult& done = engine.result;
    print(QString("\nfinished: %1 iterations kept; result files in %2/compResult\n")
              .arg(done.X.size())
              .arg(directory));
    if (!done.R_sorted.isEmpty() && !done.R_sorted.last().isEmpty())
        print("  best SSR " + number(done.R_sorted.last().first()) + ", median SSR " +
              number(done.R_sorted.last()[done.R_sorted.last().size() / 2]) + "\n");
    print(phaseTimesText(engine.phaseTimes));
    const fitted_values fitted = fitted_values::of(done, model.para.parameterNames);
    if (fitted.iteration < 0) {
        // The engine stops at once when too few points of the initial cluster evaluate.
        const QStringList notPossible =
            done.computation_log.filter("Model evaluation is not possible");
        message = notPossible.isEmpty()
                      ? directory + ": the run was stopped before an iteration was kept"
                      : directory + "/model/ODE_expression.txt: " + notPossible.first().trimmed() +
                            " Too few points of the initial cluster could be evaluated, so no "
                            "iteration was kept.";
        return 1;
    }
    output(fitted.text());
    // What the data determine, as the window's Identifiability tab shows it.
    output("\n");
    const QStringList unwritten = reportIdentifiability(done, model, directory, output);
    if (!unwritten.isEmpty()) {
        message = unwritten.join(" ");
        return 1;
    }
    return 0;
}
