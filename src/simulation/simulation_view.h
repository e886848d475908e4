// What the simulation page draws and its CSV export writes, computed from a simulation run
// and the plotted expression: one curve per simulated point, the prediction band over them,
// the axis titles and the value ranges, and the messages for the error pane and status.
#pragma once

#include "simulation/simulation_run.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct simulation_view {
    QString xTitle;
    QString yTitle;
    // First row the time points, then one row per simulated point: the expression's value
    // at every time point (NaN where it cannot be evaluated). Empty when nothing is drawn.
    QVector<QVector<double>> curves;
    // Row labels of curves in its CSV file: "time", "1", "2", ...
    QStringList curveRowLabels;
    // predictionBand of the curves: time, median, 5 %, 25 %, 75 %, 95 % rows.
    QVector<QVector<double>> band;
    // predictionBandRowLabels().
    QStringList bandRowLabels;
    // One empty label per time point (the first line of either CSV file is commas only).
    QStringList columnLabels;
    // Ranges of the plotted data, NaN values ignored (the plot painter adds the margins):
    // times, values, and the smallest positive value (NaN when there is none, so a log
    // axis cannot be drawn).
    double timeMinimum = 0;
    double timeMaximum = 0;
    double valueMinimum = 0;
    double valueMaximum = 0;
    double smallestPositiveValue = 0;
    // Plain lines for the status bar or a terminal: the run's problems, then the
    // expression's.
    QStringList problems;
    // The error pane's text: "<font color=red> Error in simulation valiable expression (" ...
    // when the expression does not parse, "<font color=red> Could not evaluate the simulation
    // valiable expression (" ... when some value is NaN; empty otherwise.
    QString paneHtml;

    // Nothing to draw and nothing to save.
    bool isEmpty() const { return curves.isEmpty(); }
};

// Evaluates expressionText over "t", the ODE variables and the parameters for every
// simulated point at every time point. An empty run, an empty text or an expression that
// does not parse (an unknown name, for instance) give an empty view with the reasons.
simulation_view simulationView(const simulation_run& run, const QString& expressionText);
