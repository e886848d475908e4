// A whole model as the window holds it: the parsed ODE system, the dose and observation
// records, the parameter record with its g(x), inverse and initial cluster. It is built
// from the window's tables cell by cell with the same rules as the window's cell handlers,
// so a model directory read by the batch runner gives the records the window would.
#pragma once

#include "io/cell_table.h"
#include "io/model_directory.h"
#include "model/dose_event.h"
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
    cell_table parameterTable;
    int numInitCluster = 250;
    // Rejected cells and other problems met while building, one line each, naming the
    // table, row and column (1-based) and what is wrong.
    QStringList problems;

    // The ODE text: parse it and rebuild the parameter names.
    void setOdeText(const QString& text);
    // Every cell of the dose table, row by row, then the parameter names.
    void setDoseTable(const cell_table& cells);
    // The bound table: regenerates g(x), its inverse and the initial cluster.
    void setParameterTable(const cell_table& cells);
    // g(x) and g inverse texts as edited on the transformation page; the inverse also
    // redraws the initial cluster.
    void setGText(const QString& text);
    void setGInverseText(const QString& text);
    // Initial cluster points (one row per point); ignored, with a problem line, when the
    // column count does not fit the x space.
    void setInitialCluster(const QVector<QVector<double>>& points);
    // Every cell of the observation table, row by row.
    void setObservationTable(const cell_table& cells);

    // All of the above from a loaded model directory, in the window's loading order; the
    // saved initial cluster replaces the drawn one when it fits.
    void load(const model_directory& files);

    // The measured value of every valid observation, in table order.
    QVector<double> observedValues() const;
    // The messages that block a computation (ODE errors, parameter errors, no observation).
    QStringList blockingErrors() const;
    // One evaluator per initial-cluster point, with the tolerances and point index set.
    QList<model_ode> buildModels(int count, double relativeTolerance,
                                 double absoluteTolerance) const;

private:
    void rebuildParameterNames();
    void redrawCluster();
};
