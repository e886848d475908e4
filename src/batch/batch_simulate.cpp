// The simulate subcommand of velmora-batch.
#include "batch/batch_simulate.h"

#include "batch/command_outcome.h"

#include "cnm/compResult.h"
#include "cnm/result_plots.h"
#include "io/model_directory.h"
#include "model/model_definition.h"
#include "simulation/simulation_cells.h"
#include "simulation/simulation_figure.h"
#include "simulation/simulation_run.h"
#include "simulation/simulation_time_text.h"
#include "simulation/simulation_view.h"

#include <QCommandLineParser>
#include <QDir>

#include <cstdio>

namespace {

void toTerminal(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

} // namespace

batch_simulate::parsed batch_simulate::parseArguments(const QStringList& arguments,
                                                      QString& message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulates the parameter sets that the result page shows (an iteration of the saved "
        "result, the best percentile of its points) with the model directory's simulation "
        "tables and time text, and writes the CSV file of the window's simulation page.");
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument("model-dir", "A model directory with a computation result.");
    const QCommandLineOption iterationOption(
        "iteration", "The iteration whose points are simulated (default: the last).", "K");
    const QCommandLineOption percentileOption(
        "percentile", "Simulate the best P percent of the points (1 to 100, default 25).", "P");
    const QCommandLineOption timesOption(
        "times", "Time points, such as 0:1:24 or 1,2,4 (default: the saved time text).", "TEXT");
    const QCommandLineOption dosesOption(
        "doses",
        "Dose table in the form of model/dose_events.txt (default: the saved "
        "simulation doses).",
        "FILE");
    const QCommandLineOption expressionOption(
        "expression",
        "What to plot: an expression of t, ODE variables and parameters "
        "(default: the first ODE variable).",
        "EXPR");
    const QCommandLineOption bandOption(
        "band", "Write the median and the 5, 25, 75 and 95 % percentiles per time point.");
    const QCommandLineOption outOption(
        "out", "The CSV file (default: the window's file name in the model directory).", "FILE");
    parser.addOptions({iterationOption, percentileOption, timesOption, dosesOption,
                       expressionOption, bandOption, outOption});
    if (!parser.parse(QStringList{"velmora-batch simulate"} + arguments)) {
        message = parser.errorText();
        return parsed::error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return parsed::exit;
    }
    if (!batch_runner::modelDirectoryArgument(parser, QString(), "simulate --help", directory,
                                              message))
        return parsed::error;
    bool ok = true;
    if (parser.isSet(iterationOption)) {
        iteration = parser.value(iterationOption).toInt(&ok);
        if (!ok || iteration < 0) {
            message = "option --iteration: '" + parser.value(iterationOption) +
                      "' is not an iteration number";
            return parsed::error;
        }
    }
    if (parser.isSet(percentileOption)) {
        percentile = parser.value(percentileOption).toInt(&ok);
        if (!ok || percentile < 1 || percentile > 100) {
            message = "option --percentile: '" + parser.value(percentileOption) +
                      "' is not a whole number from 1 to 100";
            return parsed::error;
        }
    }
    if (parser.isSet(timesOption)) times = parser.value(timesOption);
    dosesFile = parser.value(dosesOption);
    expression = parser.value(expressionOption);
    band = parser.isSet(bandOption);
    out = parser.value(outOption);
    return parsed::run;
}

int batch_simulate::run(QString& message) {
    if (!print) print = toTerminal;
    model_directory files;
    if (!files.load(directory)) {
        message = directory + ": no model (" + model_directory::odeTextFile(directory) +
                  " cannot be read)";
        return 2;
    }
    compResult result;
    if (!result.readIn(directory) || result.Parameter.isEmpty()) {
        message = directory + ": no computation result in compResult/ to simulate with";
        return 2;
    }
    cell_table doseCells = files.simulationDoseEvents;
    if (!dosesFile.isEmpty() && !readCellTable(dosesFile, doseCells)) {
        message = dosesFile + ": cannot be read";
        return 2;
    }

    model_definition model;
    model.load(files);
    simulation_setup setup;
    setup.ode = model.ode;
    setup.parameterRecord = model.para;
    setSimulationTolerances(setup, files.runSettings);
    QStringList warnings =
        applySimulationTables(setup.doses, setup.parameterRecord, doseCells,
                              files.simulationParameters, model.ode.variable_name);
    const simulation_time_points timePoints =
        parseSimulationTimeText(times.isNull() ? files.simulationTimePoints : times);
    warnings << timePoints.messages;
    setup.timePoints = timePoints.points;

    const int k = iteration < 0 ? result.Parameter.size() - 1 : iteration;
    const QString plotted = expression.isEmpty() ? model.ode.variable_name.value(0) : expression;
    const simulation_view view = simulationView(
        runSimulation(setup, result, k, plotDisplayIndex(result, k, percentile)), plotted);
    warnings << view.problems;
    if (view.isEmpty()) {
        message = warnings.join(QLatin1Char(' '));
        return 2;
    }
    for (const QString& w : std::as_const(warnings))
        print("warning: " + w);

    const QString file =
        out.isEmpty() ? QDir(directory).filePath(simulationCsvFileName(plotted, band)) : out;
    if (!writeSimulationCsv(file, view, band)) {
        message = file + ": could not be written";
        return 1;
    }
    print(QStringLiteral("Wrote %1: %2 of %3 parameter sets of iteration %4 at %5 time points.")
              .arg(QDir::toNativeSeparators(file),
                   band ? QStringLiteral("the band") : QStringLiteral("the curves"))
              .arg(view.curves.size() - 1)
              .arg(k)
              .arg(view.curves.first().size()));
    return 0;
}

int runSimulateCommand(const QStringList& arguments) {
    batch_simulate simulate;
    QString message;
    const int parsed = exitStatusOfParse(simulate.parseArguments(arguments, message), message,
                                         "velmora-batch simulate");
    if (parsed >= 0) return parsed;
    return reportedStatus(simulate.run(message), message, "velmora-batch simulate");
}
