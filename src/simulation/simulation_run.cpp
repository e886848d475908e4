// Evaluation of the displayed parameter sets at the simulation time points.
#include "simulation/simulation_run.h"

#include "cnm/pool_work.h"
#include "model/model_ode.h"

#include <QThread>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A run of consecutive points evaluated on one model copy.
struct point_chunk {
    int first;
    int end;
};

// The simulation dose rows that take part: valid rows whose expressions name only
// parameters of the model. Others are reported and left out.
QVector<dose_event> usableDoses(const simulation_setup& setup, QStringList& problems) {
    const QStringList& names = setup.parameterRecord.parameterNames;
    QVector<dose_event> doses;
    for (int row = 0; row < setup.doses.size(); ++row) {
        const dose_event& dose = setup.doses.at(row);
        if (!dose.isValid) {
            // A row with some accepted cells was meant as a dose; untouched rows are silent.
            if (dose.timeOk || dose.compartmentFound || dose.dosageOk || dose.durationOk)
                problems << QStringLiteral("Simulation dose row %1 is incomplete or has a rejected "
                                           "cell and is left out.")
                                .arg(row + 1);
            continue;
        }
        QStringList unknown;
        for (const parser* expression :
             {&dose.timeExpression, &dose.dosageExpression, &dose.durationExpression})
            for (const QString& name : expression->variable_name)
                if (!names.contains(name)) unknown << name;
        if (unknown.isEmpty()) {
            doses << dose;
            continue;
        }
        unknown.removeDuplicates();
        problems << QStringLiteral("Simulation dose row %1 is left out: %2 is not a parameter of "
                                   "the model.")
                        .arg(row + 1)
                        .arg(unknown.join(QStringLiteral(", ")));
    }
    return doses;
}

// The states at the simulation time points: one observation per time point.
QVector<observation_event> observationsAt(const QVector<double>& times) {
    QVector<observation_event> observations(times.size());
    for (int i = 0; i < times.size(); ++i) {
        observation_event& o = observations[i];
        o.time = times.at(i);
        o.timeOk = o.valueOk = o.observedExpressionOk = o.isValid = true;
    }
    return observations;
}

void reportNotNumbers(const simulation_run& run, QStringList& problems) {
    for (int j = 0; j < run.parameterNames.size(); ++j) {
        int count = 0;
        for (const QVector<double>& p : run.parameterVectors)
            if (std::isnan(p.at(j))) ++count;
        if (count > 0)
            problems << QStringLiteral("The simulation value of %1 is not a number for %2 of %3 "
                                       "parameter sets.")
                            .arg(run.parameterNames.at(j))
                            .arg(count)
                            .arg(run.parameterVectors.size());
    }
}

} // namespace

simulation_run runSimulation(const simulation_setup& setup, const compResult& result, int iteration,
                             const QVector<int>& displayIndex) {
    simulation_run run;
    run.timePoints = setup.timePoints;
    run.variableNames = setup.ode.variable_name;
    run.parameterNames = setup.parameterRecord.parameterNames;

    if (result.Parameter.isEmpty())
        run.problems << QStringLiteral("No computation result to simulate with: run the "
                                       "computation or open a model directory with results.");
    else if (iteration < 0 || iteration >= result.Parameter.size())
        run.problems << QStringLiteral("Iteration %1 is not in the result (iterations 0 to %2).")
                            .arg(iteration)
                            .arg(result.Parameter.size() - 1);
    else {
        const QVector<QVector<double>>& found = result.Parameter.at(iteration);
        for (int p : displayIndex)
            if (p >= 0 && p < found.size()) run.points << p;
        if (run.points.isEmpty())
            run.problems << QStringLiteral("No displayed parameter sets in iteration %1 to "
                                           "simulate.")
                                .arg(iteration);
    }
    if (setup.timePoints.isEmpty())
        run.problems << QStringLiteral("No simulation time points: enter times such as 1,2,3 or "
                                       "0:1:10.");
    if (!setup.ode.error_list.isEmpty())
        run.problems << QStringLiteral("The ODE text has errors; correct it before simulating.");
    if (!run.problems.isEmpty() || run.isEmpty()) {
        run.points.clear();
        return run;
    }

    const QVector<QVector<double>>& found = result.Parameter.at(iteration);
    const int parameterCount = run.parameterNames.size();
    for (int p : std::as_const(run.points)) {
        if (found.at(p).size() != parameterCount) {
            run.problems << QStringLiteral("The found parameter sets have %1 values but the model "
                                           "has %2 parameters; run the computation again.")
                                .arg(found.at(p).size())
                                .arg(parameterCount);
            run.points.clear();
            return run;
        }
        run.parameterVectors << setup.parameterRecord.parameter_to_simulationParameter(found.at(p));
    }
    reportNotNumbers(run, run.problems);

    model_ode model(setup.ode, usableDoses(setup, run.problems), observationsAt(setup.timePoints),
                    setup.parameterRecord);
    model.relativeTolerance = setup.relativeTolerance;
    model.absoluteTolerance = setup.absoluteTolerance;
    // Tables that do not depend on parameters are built once here and shared by the copies.
    model.prepareDoseObsTimePoints(run.parameterVectors.first());
    run.problems << model.errors;

    // Every worker writes only into the rows it owns, through pointers taken here.
    const int count = run.points.size();
    const int stateCount = run.variableNames.size();
    const int rowLength = setup.timePoints.size() * stateCount;
    run.states = QVector<QVector<double>>(count, QVector<double>(rowLength, kNaN));
    QVector<double*> rows(count);
    for (int n = 0; n < count; ++n)
        rows[n] = run.states[n].data();

    const int chunkCount = std::min(count, 4 * std::max(1, QThread::idealThreadCount()));
    QVector<point_chunk> chunks;
    for (int c = 0; c < chunkCount; ++c)
        chunks << point_chunk{c * count / chunkCount, (c + 1) * count / chunkCount};
    const QVector<QVector<double>>& vectors = run.parameterVectors;
    pool_work(chunks.size(), [&](int c) {
        const point_chunk& chunk = chunks.at(c);
        model_ode copy = model;
        for (int n = chunk.first; n < chunk.end; ++n) {
            const QVector<QVector<double>> states = copy.evaluate(vectors.at(n));
            double* out = rows.at(n);
            for (int i = 0; i < states.size(); ++i) {
                const QVector<double>& state = states.at(i);
                std::copy_n(state.constData(), std::min<int>(state.size(), stateCount),
                            out + i * stateCount);
            }
        }
    }).run();
    return run;
}
