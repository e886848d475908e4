// Piecewise integration of the ODE system between dose and observation times.
#include "model/model_ode.h"
#include "model/restartable_controller.h"

#include <boost/numeric/odeint/integrate/integrate_adaptive.hpp>
#include <boost/numeric/odeint/stepper/rosenbrock4.hpp>
#include <boost/numeric/odeint/stepper/rosenbrock4_controller.hpp>
#include <boost/numeric/odeint/stepper/rosenbrock4_dense_output.hpp>
#include <boost/ref.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

namespace {

namespace odeint = boost::numeric::odeint;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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
    long* rhsCalls;
    long* jacobianCalls;
};

struct block_rhs {
    block_context* c;
    void operator()(const state_type& x, state_type& dxdt, double t) const {
        c->ode->evalRHS(t, &x[0], &dxdt[0], c->block, c->scratch);
        for (int i = 0; i < c->infusionCount; ++i) {
            const int local = c->infusionCompartment[i] - c->first;
            if (local >= 0 && local < c->size)
                dxdt[static_cast<size_t>(local)] += c->infusionRate[i];
        }
        // The clock is read at the first call and every 32nd after it: reading it costs as
        // much as a small right-hand side, and 32 calls take microseconds.
        if ((++*c->rhsCalls & 31) == 1 && c->timer->elapsed() > c->timeLimit)
            throw std::runtime_error("Exception : integration taking too long!");
    }
};

struct block_jacobian {
    block_context* c;
    void operator()(const state_type& x, matrix_type& J, double t, state_type& dfdt) const {
        c->ode->updateJacobian(t, &x[0], J, &dfdt[0], c->block, c->scratch);
        ++*c->jacobianCalls;
    }
};

void appendState(QVector<double>& row, const state_type& x) {
    for (size_t k = 0; k < x.size(); ++k)
        row.append(x[k]);
}

} // namespace

model_ode::model_ode(const odeTextParser& odeParser, const QVector<dose_event>& doseEvents,
                     const QVector<observation_event>& observationEvents, const parameters& parameterRecord)
    : isModelValid(1), absoluteTolerance(1.0), relativeTolerance(0.1), parameterSpec(parameterRecord),
      timePointsDependOnParameters(true), ode(odeParser) {
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

QVector<QVector<double>> model_ode::failureResult() const {
    return QVector<QVector<double>>(observations.size(), QVector<double>(stateCount, kNaN));
}

QVector<QVector<double>> model_ode::evaluate(const QVector<double>& parameterValues) {
    rhsCallCount = 0;
    jacobianCallCount = 0;
    try {
        ode.setParameters(parameterValues);
        if (timePointsDependOnParameters) prepareDoseObsTimePoints(parameterValues);

        double sum = 0.0;
        for (double v : parameterValues)
            sum += v;
        if (std::isnan(sum)) return failureResult();

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
    } catch (...) {
        return failureResult();
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
        odeint::integrate_adaptive(boost::ref(stepper), system, x, t0, t1, (t1 - t0) * 0.5);

        for (int k = 0; k < observations.size(); ++k)
            if (observationTimeIndex.at(k) == j + 1) appendState(result[k], x);
    }
}
