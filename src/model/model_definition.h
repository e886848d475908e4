// A whole model: the parsed ODE system, the dose and observation records, the parameter
// record with its g(x), inverse and initial cluster. The window owns one and changes it
// through the per-cell functions below as the user edits; the batch runner builds one from
// a model directory with load, which applies the same functions cell by cell, so both hold
// the same records for the same texts.
#pragma once

#include "io/cell_table.h"
#include "io/model_directory.h"
#include "model/dose_event.h"
#include "model/event_cells.h"
#include "model/model_ode.h"
#include "model/observation_event.h"
#include "model/odeTextParser.h"
#include "model/parameters.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

class model_definition {
public:
    odeTextParser ode;
    QVector<dose_event> doseEvents;
    QStringList doseParameterNames;
    QVector<observation_event> observationEvents;
    parameters para;
    // The bound table the transformation and the drawn cluster come from.
    cell_table parameterTable;
    int numInitCluster = 250;
    // Filled by load: rejected cells and other problems met while building, one line each,
    // naming the file, row and column (1-based) and what is wrong.
    QStringList problems;
    // Set by load when the saved initial cluster became the model's cluster.
    bool initialClusterLoaded = false;

    // The ODE text: parse it and rebuild the parameter names.
    void setOdeText(const QString& text);
    // One cell of the dose table (0-based row and column); the parameter names follow.
    event_cell_result setDoseCell(int row, int column, const QString& text);
    // One cell of the observation table, bound to the current variables and parameters.
    event_cell_result setObservationCell(int row, int column, const QString& text);
    // The parameter names: the ODE parameters, then the names only dose cells use.
    void rebuildParameterNames();
    // The bound table: regenerates g(x), its inverse and the initial cluster. Returns the
    // messages of every step (bound checks, both parses, the drawing), without repeats.
    QStringList setParameterTable(const cell_table& cells);
    // g(x) and g inverse texts as edited on the transformation page, with their messages;
    // the inverse also redraws the initial cluster from parameterTable.
    QStringList setGText(const QString& text);
    QStringList setGInverseText(const QString& text);
    // Draws numInitCluster points from parameterTable.
    QStringList redrawCluster();
    // Initial cluster points (one row per point); refused, with the message, when the column
    // count does not fit the x space.
    QStringList setInitialCluster(const QVector<QVector<double>>& points);

    // Every cell of a table, row by row; rejected non-blank cells become problems.
    void setDoseTable(const cell_table& cells);
    void setObservationTable(const cell_table& cells);

    // All of the above from a loaded model directory, in the window's loading order, after
    // emptying the model. A saved initial cluster replaces the drawn one when it fits the
    // x space; a saved empty one leaves the model without cluster.
    void load(const model_directory& files);

    // The measured value of every valid observation, in table order.
    QVector<double> observedValues() const;
    // Whether every parameter has its g(x) line.
    bool parametersComplete() const;
    // The messages that block a computation (ODE errors, parameter errors, no observation,
    // no initial cluster).
    QStringList blockingErrors() const;
    // One evaluator per initial-cluster point, with the tolerances and point index set.
    QList<model_ode> buildModels(int count, double relativeTolerance,
                                 double absoluteTolerance) const;
};
