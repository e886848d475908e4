// A small, cheap problem for whole runs of the engine: the one-compartment model
// dA/dt = -CL/V*A after a bolus of 100 at t = 0, observed as A/V, so that
// C(t) = 100/V exp(-CL/V t). The parameters CL and V map to x by the identity over their
// domains of interest. The engine is filled as the window fills it before a run.
#pragma once

#include "cnm/cluster_newton_method.h"
#include "model/event_cells.h"
#include "model/model_fixtures.h"

#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <random>
#include <vector>

namespace one_compartment {

inline double concentration(double CL, double V, double t) {
    return 100.0 / V * std::exp(-CL / V * t);
}

struct problem {
    // Domain of interest of (CL, V).
    QVector<double> lower{0.5, 5.0};
    QVector<double> upper{2.0, 20.0};
    std::vector<double> times{0.5, 1.0, 2.0};
    // The values observed at `times` (by default those of CL = 1, V = 10).
    std::vector<double> observed;

    problem() {
        for (double t : times)
            observed.push_back(concentration(1.0, 10.0, t));
    }

    model_ode model() const {
        const odeTextParser ode = fixtures::parsedOde("dAdt = -CL/V*A");
        const parameters record = fixtures::parameterRecord(
            {{lower[0], upper[0], NAN, NAN}, {lower[1], upper[1], NAN, NAN}}, ode.parameter_name);
        QVector<observation_event> observations;
        for (int row = 0; row < int(times.size()); ++row) {
            applyObservationCell(observations, row, observationTimeColumn,
                                 QString::number(times[row]), ode.variable_name,
                                 record.parameterNames);
            applyObservationCell(observations, row, observationExpressionColumn, "A/V",
                                 ode.variable_name, record.parameterNames);
            applyObservationCell(observations, row, observationValueColumn,
                                 QString::number(observed[row], 'g', 17), ode.variable_name,
                                 record.parameterNames);
        }
        model_ode m(ode, {fixtures::dose(0, 0, 100)}, observations, record);
        m.relativeTolerance = 1e-10;
        m.absoluteTolerance = 1e-10;
        return m;
    }

    // A uniform random cluster of N points in the domain.
    QVector<QVector<double>> cluster(int N, unsigned seed) const {
        std::mt19937 gen(seed);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        QVector<QVector<double>> X;
        for (int i = 0; i < N; ++i)
            X.append({lower[0] + u(gen) * (upper[0] - lower[0]),
                      lower[1] + u(gen) * (upper[1] - lower[1])});
        return X;
    }

    // Fills the engine as the launcher does: evaluators, record with the initial cluster,
    // observed values, domain, stage counts and the save directory (which gets its
    // "compResult" folder).
    void fill(cluster_newton_method& engine, const QVector<QVector<double>>& X0,
              const QString& saveDirectory) const {
        const model_ode m = model();
        engine.modelList.clear();
        for (int i = 0; i < X0.size(); ++i) {
            engine.modelList.append(m);
            engine.modelList.last().parameterSpec.pointIndex = i;
        }
        engine.result = compResult();
        engine.result.X = {X0};
        QVector<double> y;
        for (double v : observed)
            y.append(v);
        engine.setY_star_matrix(y, X0.size());
        engine.x_lowerBound = lower;
        engine.x_upperBound = upper;
        engine.x_center = {(lower[0] + upper[0]) / 2, (lower[1] + upper[1]) / 2};
        engine.saveDirectory = saveDirectory;
        QDir(saveDirectory).mkpath("compResult");
    }
};

} // namespace one_compartment
