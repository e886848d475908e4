// velmora-batch simulate: simulates the parameter sets that the result page shows for a saved
// result (an iteration, the best percentile of its points) with the model directory's saved
// simulation tables and time text, or the ones given as options, and writes the CSV file that
// the simulation page of the window writes for the same inputs.
#pragma once

#include "batch/batch_runner.h"

#include <QString>
#include <QStringList>

#include <functional>

class batch_simulate {
public:
    QString directory;
    // The iteration; -1 is the last one, which the window shows after opening a result.
    int iteration = -1;
    // The percentile filter of the result page (1 to 100; the window starts at 25).
    int percentile = 25;
    // The time text; a null text takes the saved one (model/simulationTimePoints.txt).
    QString times;
    // A dose table file in the dialect of model/dose_events.txt; empty takes the saved
    // simulation dose table (model/simulationDoseEvents.csv).
    QString dosesFile;
    // The plotted expression; empty plots the first ODE variable.
    QString expression;
    // Writes the median and the 5, 25, 75 and 95 % percentiles instead of every curve.
    bool band = false;
    // The CSV file; empty writes the window's proposed name into the model directory.
    QString out;

    using parsed = batch_runner::parsed;
    // Reads the arguments that follow "simulate". --help puts the help text into message and
    // gives exit; a missing directory or a bad value gives error with a one-line message.
    parsed parseArguments(const QStringList& arguments, QString& message);

    // Simulates and writes the file. Returns 0 when it was written; 2, with a one-line
    // message, for a missing model or result, a doses file that cannot be read, or nothing
    // to simulate (the message says why: no time points, no displayed points, ...); 1 when
    // the file could not be written. Warnings (rejected cells, dose rows left out, time-text
    // parts not used, values that are not numbers) go to print.
    int run(QString& message);

    // Where warnings and the closing line go (the terminal's error stream by default).
    std::function<void(const QString&)> print;
};

// The whole subcommand for main(): parses, runs, prints; returns the exit status.
int runSimulateCommand(const QStringList& arguments);
