// What the simulation page draws and saves: the curves of a simulation view, or its
// prediction band, together with the measured values of the plotted expression, as a
// figure for the plot painter; and the CSV file of the shown numbers, written alike by the
// window and by velmora-batch.
#pragma once

#include "cnm/plot_figure.h"
#include "model/observation_event.h"
#include "simulation/simulation_view.h"

#include <QPointF>
#include <QString>
#include <QVector>

// (time, measured value) of every valid observation whose observed expression is the
// plotted one (compared without blanks), in table order. Empty when no observation
// observes it, when the text is empty, or when there are no observations.
QVector<QPointF> measuredValuesOf(const QVector<observation_event>& observations,
                                  const QString& expressionText);

// The figure of a simulation view. Curves: one polyline per simulated point. Band: the
// 5-95 % and 25-75 % areas and the median line. The measured values are red points. The
// axes show every finite drawn value (fitAxis of the result pages; the time axis without
// margin when it spans more than one time); a log y axis without any positive value falls
// back to linear with a message. plotData is what the CSV file holds: view.curves, or
// view.band. An empty view gives a figure without layers and with an empty plotData.
plot_figure simulationFigure(const simulation_view& view, bool band, bool logScale,
                             const QVector<QPointF>& measured);

// The file name proposed for the CSV file: "CNM_" + expression +
// "_compartment_simulation_plot.csv" for the curves, "CNM_" + expression +
// "_simulation_band.csv" for the band. Characters that cannot stand in a file name
// (/ \ : * ? " < > |) become "_", so "AVE/3.4" does not name a folder.
QString simulationCsvFileName(const QString& expressionText, bool band);

// Writes the curves (rows "time", "1", "2", ...) or the band (rows "time", "median", "5%",
// "25%", "75%", "95%") with csvwriteWithHeader: a first line of one comma per time point,
// then one labelled line per row. False, writing nothing, for an empty view; false when the
// file could not be written.
bool writeSimulationCsv(const QString& file, const simulation_view& view, bool band);
