// One point: parameters, integration and the simulated observations.
#include "cnm/point_evaluation.h"

#include <algorithm>
#include <limits>

point_evaluation point_evaluation::of(model_ode evaluator, const QVector<double>& x) {
    point_evaluation out;
    const QVector<double> p = evaluator.parameterSpec.x_to_parameter(x);
    evaluator.prepareDoseObsTimePoints(p);
    out.states = evaluator.evaluate(p);

    // The observed expressions read the state at the observation time followed by the
    // parameters; the times are prepared again because evaluate may have moved parameter-
    // dependent doses.
    evaluator.prepareDoseObsTimePoints(p);
    const int m = evaluator.observations.size();
    out.observed = QVector<double>(m, std::numeric_limits<double>::quiet_NaN());
    QVector<double> values;
    for (int o = 0; o < m && o < out.states.size(); ++o) {
        const QVector<double>& state = out.states[o];
        if (state.size() != evaluator.stateCount) continue;
        values.resize(state.size() + p.size());
        std::copy(state.constBegin(), state.constEnd(), values.begin());
        std::copy(p.constBegin(), p.constEnd(), values.begin() + state.size());
        out.observed[o] = evaluator.observations[o].observedExpression.evaluate_tree(values);
    }
    return out;
}
