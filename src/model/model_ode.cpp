// Piecewise integration of the ODE system between dose and observation times.
#include "model/model_ode.h"
#include "model/restartable_controller.h"

#include <boost/numeric/odeint/stepper/rosenbrock4.hpp>
#include <boost/numeric/odeint/stepper/rosenbrock4_controller.hpp>
#include <boost/numeric/odeint/stepper/rosenbrock4_dense_output.hpp>
#include <boost/numeric/odeint/util/copy.hpp>
#include <boost/numeric/odeint/util/detail/less_with_sign.hpp>
#include <boost/numeric/odeint/util/odeint_error.hpp>
#include <boost/ref.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

namespace {

namespace odeint = boost::numeric::odeint;

// The quiet NaN of a failure result: the reason sits in the low byte of the payload, under
// a tag that arithmetic never produces.
constexpr std::uint64_t kFailureNaNBits = 0x7ff800000fa11000ull;
constexpr std::uint64_t kFailureNaNMask = ~std::uint64_t(0xff);

double failureNaN(model_ode::failure_reason reason) {
    const std::uint64_t bits = kFailureNaNBits | std::uint64_t(reason);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Ends an integration that cannot go on; the reason becomes the evaluation's failure.
class integration_stopped : public std::runtime_error {
public:
    integration_stopped(model_ode::failure_reason why, const char* message)
        : std::runtime_error(message), reason(why) {}
    model_ode::failure_reason reason;
};

bool allFinite(const double* values, int count) {
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

// NaN fails too.
bool allWithin(const double* values, int count, double largest) {
    for (int i = 0; i < count; ++i)
        if (!(std::fabs(values[i]) <= largest)) return false;
    return true;
}

typedef odeint::rosenbrock4<double> stepper_type;
typedef stepper_type::state_type state_type;
typedef stepper_type::matrix_type matrix_type;

typedef odeint::rosenbrock4_dense_output<boost::reference_wrapper<restartable_controller>>
    dense_stepper_type;

// What the right-hand side and Jacobian of one block need during one interval.
struct block_context {
    const odeTextParser* ode;
    int block;
    int first;
    int size;
    double* scratch;
    const int* infusionCompartment;
    const double* infusionRate;
    int infusionCount;
    const QElapsedTimer* timer;
    qint64 timeLimit;
    const double* derivative; // the last right-hand side computed
    long* rhsCalls;
    long* jacobianCalls;
};

struct block_rhs {
    block_context* c;
    void operator()(const state_type& x, state_type& dxdt, double t) const {
        c->ode->evalRHS(t, &x[0], &dxdt[0], c->block, c->scratch);
        c->derivative = &dxdt[0];
        for (int i = 0; i < c->infusionCount; ++i) {
            const int local = c->infusionCompartment[i] - c->first;
            if (local >= 0 && local < c->size)
                dxdt[static_cast<size_t>(local)] += c->infusionRate[i];
        }
        // The clock is read at the first call and every 32nd after it: reading it costs as
        // much as a small right-hand side, and 32 calls take microseconds.
        if ((++*c->rhsCalls & 31) == 1 && c->timer->elapsed() > c->timeLimit)
            throw integration_stopped(model_ode::time_limit,
                                      "Exception : integration taking too long!");
    }
};

struct block_jacobian {
    block_context* c;
    void operator()(const state_type& x, matrix_type& J, double t, state_type& dfdt) const {
        // The stepper asks for the Jacobian once per step attempt, at the accepted state and
        // right after the right-hand side there: NaN or infinity in either, or a state too
        // large for the error control, defeats every attempt however small its step.
        if (!allWithin(&x[0], c->size, model_ode::kLargestState) ||
            (c->derivative && !allFinite(c->derivative, c->size)))
            throw integration_stopped(model_ode::non_finite_state, "non-finite state");
        c->ode->updateJacobian(t, &x[0], J, &dfdt[0], c->block, c->scratch);
        ++*c->jacobianCalls;
    }
};

// integrate_adaptive of odeint for a dense-output stepper, step for step (the same steps
// give the same numbers), with the step-size checks between the steps.
template <class System>
void integrateInterval(dense_stepper_type& stepper, System system, state_type& x, double t0,
                       double t1) {
    using odeint::detail::less_eq_with_sign;
    using odeint::detail::less_with_sign;
    const double tinyStep = model_ode::kTinyStepFraction * (t1 - t0);
    int tinySteps = 0;
    stepper.initialize(x, t0, (t1 - t0) * 0.5);
    while (less_with_sign(stepper.current_time(), t1, stepper.current_time_step())) {
        while (less_eq_with_sign(stepper.current_time() + stepper.current_time_step(), t1,
                                 stepper.current_time_step())) {
            const std::pair<double, double> step = stepper.do_step(system);
            if (!(step.second > step.first))
                throw integration_stopped(model_ode::step_size, "the step does not advance time");
            tinySteps = step.second - step.first < tinyStep ? tinySteps + 1 : 0;
            if (tinySteps >= model_ode::kTinyStepLimit)
                throw integration_stopped(model_ode::step_size, "the steps stay too small");
        }
        // The step that arrives exactly at the end of the interval.
        stepper.initialize(stepper.current_state(), stepper.current_time(),
                           t1 - stepper.current_time());
    }
    odeint::copy(stepper.current_state(), x);
    if (!allWithin(&x[0], static_cast<int>(x.size()), model_ode::kLargestState))
        throw integration_stopped(model_ode::non_finite_state, "non-finite state");
}

void appendState(QVector<double>& row, const state_type& x) {
    for (size_t k = 0; k < x.size(); ++k)
        row.append(x[k]);
}

} // namespace

model_ode::model_ode(const odeTextParser& odeParser, const QVector<dose_event>& doseEvents,
                     const QVector<observation_event>& observationEvents,
                     const parameters& parameterRecord)
    : isModelValid(1), absoluteTolerance(1.0), relativeTolerance(0.1),
      parameterSpec(parameterRecord), timePointsDependOnParameters(true), ode(odeParser) {
    // Dose expressions that name parameters are evaluated later with a whole parameter
    // vector, so their name list becomes the parameter list.
    for (const dose_event& d : doseEvents) {
        if (!d.isValid) continue;
        dose_event e = d;
        if (e.timeDependsOnParameters) {
            e.timeExpression.variable_name = parameterSpec.parameterNames;
            e.timeExpression.generate_tree();
        }
        if (e.dosageDependsOnParameters) {
            e.dosageExpression.variable_name = parameterSpec.parameterNames;
            e.dosageExpression.generate_tree();
        }
        if (e.durationDependsOnParameters) {
            e.durationExpression.variable_name = parameterSpec.parameterNames;
            e.durationExpression.generate_tree();
        }
        doses << e;
    }
    for (const observation_event& o : observationEvents)
        if (o.isValid) observations << o;
    stateCount = ode.variable_name.size();
}

void model_ode::prepareDoseObsTimePoints(const QVector<double>& parameterValues) {
    const double* p = parameterValues.constData();
    const int pCount = parameterValues.size();

    QVector<double> points;
    points.reserve(observations.size() + 2 * doses.size() + 1);
    for (const observation_event& o : std::as_const(observations))
        points << o.time;

    timePointsDependOnParameters = false;
    for (int k = 0; k < doses.size(); ++k) {
        const dose_event& c = doses.at(k);
        if (c.timeDependsOnParameters || c.durationDependsOnParameters ||
            c.dosageDependsOnParameters) {
            dose_event& d = doses[k];
            if (d.timeDependsOnParameters) d.time = d.timeExpression.evaluate(p, pCount);
            if (d.durationDependsOnParameters)
                d.duration = d.durationExpression.evaluate(p, pCount);
            if (d.dosageDependsOnParameters) d.dosage = d.dosageExpression.evaluate(p, pCount);
            timePointsDependOnParameters = true;
        }
        const dose_event& d = doses.at(k);
        points << d.time << d.time + d.duration;
    }
    points << 0.0;
    points.erase(
        std::remove_if(points.begin(), points.end(), [](double v) { return std::isnan(v); }),
        points.end());
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    timePoints.clear();
    timePoints.reserve(points.size());
    for (double v : points)
        timePoints << v;

    const int count = timePoints.size();
    bolusAmounts = QVector<boost::numeric::ublas::vector<double>>(
        count, boost::numeric::ublas::zero_vector<double>(static_cast<size_t>(stateCount)));
    for (const dose_event& d : std::as_const(doses)) {
        if (d.duration != 0.0) continue;
        if (d.compartmentIndex < 0 || d.compartmentIndex >= stateCount) continue;
        for (int j = 0; j < count; ++j)
            if (timePoints[j] == d.time)
                bolusAmounts[j][static_cast<size_t>(d.compartmentIndex)] += d.dosage;
    }

    // A negative duration is reported once per dose and gives no infusion.
    errors.clear();
    for (int k = 0; k < doses.size(); ++k) {
        if (doses.at(k).duration < 0)
            errors << QStringLiteral("Error on ") + QString::number(k + 1) +
                          QStringLiteral("th dose event: Infusion administration duration "
                                         "cannot be less than 0.");
    }
    const int intervals = std::max(0, count - 1);
    infusionCompartments = QVector<QVector<int>>(intervals);
    infusionRates = QVector<QVector<double>>(intervals);
    for (int j = 0; j < intervals; ++j) {
        const double m = (timePoints[j] + timePoints[j + 1]) * 0.5;
        for (const dose_event& d : std::as_const(doses)) {
            if (!(d.duration > 0)) continue;
            if (m > d.time && d.time + d.duration > m) {
                infusionCompartments[j] << d.compartmentIndex;
                infusionRates[j] << d.dosage / d.duration;
            }
        }
    }

    observationTimeIndex = QVector<int>(observations.size(), -1);
    for (int k = 0; k < observations.size(); ++k) {
        for (int j = 0; j < count; ++j) {
            if (timePoints.at(j) == observations.at(k).time) {
                observationTimeIndex[k] = j;
                break;
            }
        }
    }
}

QVector<QVector<double>> model_ode::failureResult(failure_reason reason) {
    failure = reason;
    return QVector<QVector<double>>(observations.size(),
                                    QVector<double>(stateCount, failureNaN(reason)));
}

model_ode::failure_reason model_ode::failureOf(const QVector<QVector<double>>& rows) {
    for (const QVector<double>& row : rows) {
        if (row.isEmpty()) continue;
        std::uint64_t bits;
        std::memcpy(&bits, &row.first(), sizeof bits);
        const std::uint64_t reason = bits & ~kFailureNaNMask;
        if ((bits & kFailureNaNMask) != kFailureNaNBits || reason > other_failure)
            return no_failure;
        return failure_reason(reason);
    }
    return no_failure;
}

QVector<QVector<double>> model_ode::evaluate(const QVector<double>& parameterValues) {
    rhsCallCount = 0;
    jacobianCallCount = 0;
    failure = no_failure;
    try {
        ode.setParameters(parameterValues);
        if (timePointsDependOnParameters) prepareDoseObsTimePoints(parameterValues);

        double sum = 0.0;
        for (double v : parameterValues)
            sum += v;
        if (std::isnan(sum)) return failureResult(invalid_parameters);

        QElapsedTimer timer;
        timer.start();
        if (isModelValid == 0) return QVector<QVector<double>>();

        QVector<QVector<double>> result(observations.size());
        for (QVector<double>& row : result)
            row.reserve(stateCount);
        ode.initialiseJacobian();

        std::vector<double> scratch(static_cast<size_t>(ode.valueCount()));
        for (int b = 0; b < ode.blockCount(); ++b)
            integrateBlock(b, result, timer, scratch);
        return result;
    } catch (const integration_stopped& stop) {
        return failureResult(stop.reason);
    } catch (const odeint::step_adjustment_error&) {
        // Every attempt of a step was rejected: no step size the stepper can find is accepted.
        return failureResult(step_size);
    } catch (...) {
        return failureResult(other_failure);
    }
}

// The tables are read through at(): a non-const operator[] would detach containers that
// this copy still shares with the model it was copied from.
void model_ode::integrateBlock(int block, QVector<QVector<double>>& result,
                               const QElapsedTimer& timer, std::vector<double>& scratch) {
    const int first = ode.blockFirst(block);
    const int size = ode.blockSize(block);
    const size_t n = static_cast<size_t>(size);
    ode.resetScratch(scratch.data());

    state_type x(n, 0.0);
    for (int k = 0; k < observations.size(); ++k)
        if (observationTimeIndex.at(k) == 0) appendState(result[k], x);

    block_context context;
    context.ode = &ode;
    context.block = block;
    context.first = first;
    context.size = size;
    context.scratch = scratch.data();
    context.infusionCompartment = nullptr;
    context.infusionRate = nullptr;
    context.infusionCount = 0;
    context.timer = &timer;
    context.timeLimit = timeLimitMilliseconds;
    context.derivative = nullptr;
    context.rhsCalls = &rhsCallCount;
    context.jacobianCalls = &jacobianCallCount;
    const std::pair<block_rhs, block_jacobian> system(block_rhs{&context},
                                                      block_jacobian{&context});

    restartable_controller controller(absoluteTolerance, relativeTolerance);
    dense_stepper_type stepper(boost::ref(controller));

    const int intervals = timePoints.size() - 1;
    for (int j = 0; j < intervals; ++j) {
        const boost::numeric::ublas::vector<double>& bolus = bolusAmounts.at(j);
        for (size_t k = 0; k < n; ++k)
            x[k] += bolus[static_cast<size_t>(first) + k];

        const QVector<int>& compartments = infusionCompartments.at(j);
        const QVector<double>& rates = infusionRates.at(j);
        context.infusionCompartment = compartments.constData();
        context.infusionRate = rates.constData();
        context.infusionCount = compartments.size();

        const double t0 = timePoints.at(j);
        const double t1 = timePoints.at(j + 1);
        controller.restart();
        integrateInterval(stepper, system, x, t0, t1);

        for (int k = 0; k < observations.size(); ++k)
            if (observationTimeIndex.at(k) == j + 1) appendState(result[k], x);
    }
}
