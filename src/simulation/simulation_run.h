// The simulation of the found parameter sets: every displayed point of a chosen iteration
// of a result, with the simulation's own doses, time points and parameter overrides, is
// evaluated on the global thread pool; the states at every time point are kept so that any
// expression can be plotted from them without simulating again.
#pragma once

#include "cnm/compResult.h"
#include "cnm/run_settings.h"
#include "model/dose_event.h"
#include "model/odeTextParser.h"
#include "model/parameters.h"

#include <QStringList>
#include <QVector>

// What the simulation page holds besides the result.
struct simulation_setup {
    odeTextParser ode;
    // Parameter names (the order of every parameter vector) and simulationExpressions, the
    // overrides of the simulation parameter table.
    parameters parameterRecord;
    // The simulation dose table's rows; rows whose isValid is false are left out (with a
    // warning when some of their cells were accepted), as are rows naming a name that is not
    // a parameter.
    QVector<dose_event> doses;
    // Ascending (parseSimulationTimeText); the states are recorded here, whatever
    // observations the fit had.
    QVector<double> timePoints;
    double relativeTolerance = 0.1;
    double absoluteTolerance = 1.0;
};

struct simulation_run {
    QVector<double> timePoints;
    QStringList variableNames;
    QStringList parameterNames;
    // Per simulated point n: its index in the iteration and its parameter values (the
    // found values with the overrides applied).
    QVector<int> points;
    QVector<QVector<double>> parameterVectors;
    // Per simulated point n: the state at time i, variable v at [i * variableNames.size() +
    // v]. NaN throughout for a point whose evaluation failed.
    QVector<QVector<double>> states;
    // Plain lines: why nothing was simulated (no result, no displayed points, no time
    // points, parameter sets that do not fit the model, ODE errors), and warnings (dose
    // rows left out, parameter values that are not numbers, dose errors of the model).
    QStringList problems;

    // Nothing to plot: the problems say why.
    bool isEmpty() const { return points.isEmpty() || timePoints.isEmpty(); }
};

// The ODE tolerances of the computation page's settings; a field that does not read as a
// positive number keeps the default.
void setSimulationTolerances(simulation_setup& setup, const run_settings& settings);

// Simulates the points displayIndex of iteration `iteration` of result.Parameter. Each
// point's parameter vector is parameter_to_simulationParameter of its found values as the
// result files hold them (6 significant digits, so that the window right after a run and
// velmora-batch simulate on the saved result simulate the same numbers) and is evaluated as
// it stands, so an override of a parameter that was fixed in the fit takes effect. Indices outside
// the iteration are skipped. Blocks until every point is done; the evaluations run on
// QThreadPool::globalInstance(), each worker on its own model copy.
simulation_run runSimulation(const simulation_setup& setup, const compResult& result, int iteration,
                             const QVector<int>& displayIndex);
