// Model evaluation: analytic one-compartment and absorption solutions, a tight reference
// solve of nonlinear models, the time-point rules of boluses, infusions and observations,
// and the failure results with their reasons (NaN parameters, a non-finite state, a step
// that cannot advance, the time limit).
#include "model/model_ode.h"

#include "model/evaluation_failures.h"
#include "model/model_fixtures.h"

#include <boost/numeric/odeint/integrate/integrate_n_steps.hpp>
#include <boost/numeric/odeint/stepper/runge_kutta4.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace {

using namespace fixtures;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A dose field written as an expression of parameters, as the dose table leaves it.
void dependOn(parser& expression, double& value, bool& depends, const QString& text) {
    expression = parser(text);
    expression.variable_name = expression.extract_variables();
    expression.generate_tree();
    value = kNaN;
    depends = true;
}

model_ode makeModel(const QString& text, const QVector<dose_event>& doses,
                    const QVector<observation_event>& observations,
                    const QStringList& extraNames = QStringList()) {
    EXPECT_TRUE(parsedOde(text).error_list.isEmpty());
    return modelOf(text, doses, observations, extraNames);
}

model_ode tight(model_ode m, double tolerance = 1e-10) {
    m.relativeTolerance = tolerance;
    m.absoluteTolerance = tolerance;
    return m;
}

// Classical Runge-Kutta with a small fixed step that lands on t1: the reference for
// nonlinear models.
typedef std::function<void(double t, const std::vector<double>& x, std::vector<double>& d)>
    rhs_function;

void rk4(const rhs_function& f, std::vector<double>& x, double t0, double t1, double h) {
    namespace odeint = boost::numeric::odeint;
    const int steps = static_cast<int>(std::ceil((t1 - t0) / h));
    odeint::integrate_n_steps(
        odeint::runge_kutta4<std::vector<double>>(),
        [&](const std::vector<double>& y, std::vector<double>& d, double t) { f(t, y, d); }, x, t0,
        (t1 - t0) / steps, steps);
}

void expectRelative(double got, double expected, double tolerance, const char* what) {
    // Relative, with a floor far below every amount the tests look at.
    EXPECT_NEAR(got, expected, tolerance * std::fabs(expected) + 1e-9) << what;
}

} // namespace

// ---- analytic solutions ---------------------------------------------------------------

// Amount after an infusion of `rate` on [start, end] into a compartment emptied at rate k.
double infused(double rate, double k, double start, double end, double t) {
    if (t <= start) return 0.0;
    const double during = rate / k * (1 - std::exp(-k * (std::min(t, end) - start)));
    return t <= end ? during : during * std::exp(-k * (t - end));
}

// Linear models against their analytic solutions; an observation at a dose time sees the
// state before the bolus. The last case is a 1000 mg oral dose at the default-like
// tolerances, where only hundredths of a mg remain after 12 h.
TEST(ModelEvaluate, AnalyticSolutions) {
    const double ka = 1.5, ke = 0.2;
    const struct {
        const char* name;
        const char* text;
        QVector<dose_event> doses;
        std::vector<double> times;
        QVector<double> p;
        double tolerance, accuracy;
        std::function<std::vector<double>(double)> exact;
    } cases[] = {
        // clang-format off
        {"bolus", "dAdt = -k*A", {dose(0, 0, 100)}, {0, 0.5, 2, 24}, {0.3}, 1e-10, 1e-7,
         [](double t) { return std::vector<double>{t == 0 ? 0 : 100 * std::exp(-0.3 * t)}; }},
        {"infusion from t = 2", "dAdt = -k*A", {dose(2, 0, 100, 10)}, {1, 5, 12, 20}, {0.2},
         1e-10, 1e-7, [](double t) { return std::vector<double>{infused(10, 0.2, 2, 12, t)}; }},
        {"absorption", "dGdt = -ka*G\ndCdt = ka*G - ke*C", {dose(0, 0, 250)}, {0.25, 1, 3, 8, 24},
         {ka, ke}, 1e-10, 1e-7, [=](double t) { return std::vector<double>{250 * std::exp(-ka * t),
             250 * ka / (ka - ke) * (std::exp(-ke * t) - std::exp(-ka * t))}; }},
        {"decoupled blocks", "dAdt = -a*A\ndBdt = -b*B", {dose(0, 0, 10), dose(0, 1, 50, 5)},
         {3, 5, 9}, {0.5, 0.1}, 1e-10, 1e-7, [](double t) {
             return std::vector<double>{10 * std::exp(-0.5 * t), infused(10, 0.1, 0, 5, t)}; }},
        {"low amounts", "dGdt = -ka*G\ndCdt = ka*G - ke*C", {dose(0, 0, 1000)}, {1, 4, 8, 12},
         {2.0, 1.0}, 1e-9, 1e-5, [](double t) { return std::vector<double>{1000 * std::exp(-2 * t),
             2000 * (std::exp(-t) - std::exp(-2 * t))}; }},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model_ode m = tight(makeModel(c.text, c.doses, observationsAt(c.times)), c.tolerance);
        const QVector<QVector<double>> rows = m.evaluate(c.p);
        ASSERT_EQ(rows.size(), int(c.times.size()));
        for (size_t i = 0; i < c.times.size(); ++i) {
            const std::vector<double> exact = c.exact(c.times[i]);
            ASSERT_EQ(rows[int(i)].size(), int(exact.size()));
            for (size_t v = 0; v < exact.size(); ++v)
                expectRelative(rows[int(i)][int(v)], exact[v], c.accuracy, c.name);
        }
    }
    // The infusion's rate holds on the intervals it covers only.
    model_ode m = makeModel("dAdt = -k*A", {dose(2, 0, 100, 10)}, observationsAt({1, 5, 12, 20}));
    m.evaluate({0.2});
    EXPECT_EQ(m.timePoints, (QList<double>{0, 1, 2, 5, 12, 20}));
    EXPECT_EQ(m.infusionRates, (QVector<QVector<double>>{{}, {}, {10}, {10}, {}}));
    EXPECT_EQ(m.infusionCompartments, (QVector<QVector<int>>{{}, {}, {0}, {0}, {}}));
    EXPECT_EQ(makeModel("dAdt = -a*A\ndBdt = -b*B", {}, {}).ode.block_end, (QVector<int>{0, 1}));
}

// ---- nonlinear models against a reference solve ---------------------------------------

TEST(ModelEvaluate, BindingModelSucceedsAndMatchesReference) {
    // Binding with kon = 50: the Jacobian entries of L and R follow the state.
    const double kdeg = 0.2, kel = 0.1, kint = 0.05, koff = 0.5, kon = 50, ksyn = 1;
    const std::vector<double> times = {0.1, 1, 4, 12, 24};
    const QVector<double> p = {kdeg, kel, kint, koff, kon, ksyn};

    const rhs_function f = [&](double, const std::vector<double>& x, std::vector<double>& d) {
        const double bind = kon * x[0] * x[1];
        d[0] = -kel * x[0] - bind + koff * x[2];
        d[1] = ksyn - kdeg * x[1] - bind + koff * x[2];
        d[2] = bind - koff * x[2] - kint * x[2];
    };
    std::vector<std::vector<double>> reference;
    std::vector<double> x = {100, 0, 0};
    double t = 0;
    for (double ti : times) {
        rk4(f, x, t, ti, 2e-5);
        t = ti;
        reference.push_back(x);
    }

    model_ode m = makeModel(bindingText(), {dose(0, 0, 100)}, observationsAt(times));
    // With a Jacobian that misses the state dependence of the binding terms the stepper
    // crawls through hundreds of thousands of rejected and tiny steps; a true one needs
    // a handful.
    m.evaluate(p);
    EXPECT_LT(m.jacobianCallCount, 1000);
    const QVector<QVector<double>> rows = tight(m, 1e-9).evaluate(p);
    for (size_t i = 0; i < times.size(); ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(rows[int(i)][k], reference[i][size_t(k)],
                        1e-5 * std::fabs(reference[i][size_t(k)]) + 1e-7)
                << "t=" << times[i] << " state " << k;
}

// ---- time-point rules -----------------------------------------------------------------

TEST(ModelTimePoints, BolusAtAnObservationTimeIsSeenAfterwards) {
    model_ode m = tight(
        makeModel("dAdt = 0*A", {dose(0, 0, 100), dose(1, 0, 50)}, observationsAt({0, 1, 1, 2})));
    const QVector<QVector<double>> rows = m.evaluate({});
    EXPECT_EQ(rows[0][0], 0.0);
    EXPECT_NEAR(rows[1][0], 100.0, 1e-12); // before the second bolus
    EXPECT_EQ(rows[1], rows[2]);           // two observations at the same time
    EXPECT_NEAR(rows[3][0], 150.0, 1e-12);
    EXPECT_EQ(m.observationTimeIndex, (QVector<int>{0, 1, 1, 2}));
    ASSERT_EQ(m.bolusAmounts.size(), 3);
    EXPECT_EQ(m.bolusAmounts[0][0], 100.0);
    EXPECT_EQ(m.bolusAmounts[1][0], 50.0);
    EXPECT_EQ(m.bolusAmounts[2][0], 0.0);
}

TEST(ModelTimePoints, NegativeDurationIsReportedOnceAndGivesNoInfusion) {
    model_ode m =
        makeModel("dAdt = -k*A", {dose(1, 0, 100, -1), dose(3, 0, 5, 2)}, observationsAt({4, 6}));
    const QString message =
        "Error on 1th dose event: Infusion administration duration cannot be less than 0.";
    m.evaluate({0.1});
    EXPECT_EQ(m.errors, QStringList{message});
    EXPECT_EQ(m.timePoints, (QList<double>{0, 1, 3, 4, 5, 6}));
    for (int j = 0; j < m.infusionCompartments.size(); ++j) {
        const bool inside = m.timePoints[j] >= 3 && m.timePoints[j + 1] <= 5;
        EXPECT_EQ(m.infusionRates[j], inside ? QVector<double>{2.5} : QVector<double>{}) << j;
    }
    m.prepareDoseObsTimePoints({0.1});
    m.evaluate({0.1});
    EXPECT_EQ(m.errors, QStringList{message});
}

TEST(ModelTimePoints, DoseExpressionsOfParametersAreEvaluatedPerVector) {
    dose_event d = dose(0, 0, 0, 0);
    dependOn(d.timeExpression, d.time, d.timeDependsOnParameters, "Tdose");
    dependOn(d.dosageExpression, d.dosage, d.dosageDependsOnParameters, "D*2");
    const double k = 0.25;
    model_ode m = tight(makeModel("dAdt = -k*A", {d}, observationsAt({2, 6}), {"D", "Tdose"}));
    ASSERT_EQ(m.parameterSpec.parameterNames, (QStringList{"k", "D", "Tdose"}));

    QVector<QVector<double>> rows = m.evaluate({k, 10, 1});
    EXPECT_TRUE(m.timePointsDependOnParameters);
    EXPECT_EQ(m.timePoints, (QList<double>{0, 1, 2, 6}));
    expectRelative(rows[0][0], 20 * std::exp(-k * 1), 1e-7, "first vector");
    expectRelative(rows[1][0], 20 * std::exp(-k * 5), 1e-7, "first vector");

    rows = m.evaluate({k, 30, 4});
    EXPECT_EQ(m.timePoints, (QList<double>{0, 2, 4, 6}));
    EXPECT_EQ(rows[0][0], 0.0);
    expectRelative(rows[1][0], 60 * std::exp(-k * 2), 1e-7, "second vector");
}

TEST(ModelTimePoints, NoDosesNoObservations) {
    model_ode m = makeModel("dAdt = -k*A", {}, {});
    EXPECT_TRUE(m.evaluate({1.0}).isEmpty());
    EXPECT_EQ(m.timePoints, QList<double>{0.0});
    EXPECT_TRUE(m.infusionRates.isEmpty());
}

TEST(ModelTimePoints, InvalidRowsAreDropped) {
    dose_event bad = dose(1, 0, 100);
    bad.isValid = false;
    observation_event badObservation = observation(3);
    badObservation.isValid = false;
    model_ode m = makeModel("dAdt = -k*A", {bad, dose(0, 0, 1)}, {badObservation, observation(2)});
    EXPECT_EQ(m.doses.size(), 1);
    EXPECT_EQ(m.observations.size(), 1);
    EXPECT_EQ(m.stateCount, 1);
    EXPECT_EQ(m.isModelValid, 1);
    EXPECT_EQ(m.evaluate({1.0}).size(), 1);
}

// ---- failures -------------------------------------------------------------------------

// A failing evaluation stops at once (a bounded number of right-hand sides) with rows of NaN
// that carry its reason; a pass's log line counts the reasons from those rows.
TEST(ModelFailure, FailuresStopAtOnceWithNaNRowsAndTheirReason) {
    struct Case {
        const char* text;
        QVector<double> p;
        double tolerance; // 0: the defaults
        qint64 timeLimit;
        model_ode::failure_reason reason;
        long maxRhsCalls;
    };
    const Case cases[] = {
        {"dAdt = -k*A", {kNaN}, 0, 10000, model_ode::invalid_parameters, 0},
        {"dAdt = SQRT(1 - A)", {}, 0, 10000, model_ode::non_finite_state, 1}, // NaN at once
        {"dAdt = k*A", {10}, 0, 10000, model_ode::non_finite_state, 2000},    // explosive growth
        // Blow-up at t = 0.01: the step stops advancing time, or at a tight tolerance
        // shrinks slowly and stays tiny.
        {"dAdt = A*A", {}, 0, 10000, model_ode::step_size, 2000},
        {"dAdt = A*A", {}, 1e-6, 10000, model_ode::step_size, 50000},
        // After the second dose the free ligand goes negative and the state runs away
        // while the step stops advancing time.
        // clang-format off
        {bindingText(), {0.0671358, 0.176617, 0.0174466, 0.631666, 31.4155, 0.911358}, 0, 10000,
         model_ode::step_size, 2000},
        // clang-format on
        {"dAdt = -k*A", {0.5}, 0, -1, model_ode::time_limit, 1}, // any time is over the limit
    };
    QList<QVector<QVector<double>>> pass;
    for (const Case& c : cases) {
        model_ode m = makeModel(c.text, {dose(0, 0, 100), dose(24, 0, 50)},
                                observationsAt({0.5, 1, 2, 4, 8, 12, 24, 25, 28, 36, 48}));
        if (c.tolerance > 0) m = tight(m, c.tolerance);
        m.timeLimitMilliseconds = c.timeLimit;
        const QVector<QVector<double>> rows = m.evaluate(c.p);
        pass << rows;
        EXPECT_EQ(m.failure, c.reason) << c.text;
        EXPECT_EQ(model_ode::failureOf(rows), c.reason) << c.text;
        EXPECT_LE(m.rhsCallCount, c.maxRhsCalls) << c.text;
        ASSERT_EQ(rows.size(), 11);
        for (const QVector<double>& row : rows) {
            ASSERT_EQ(row.size(), m.stateCount);
            for (double v : row)
                EXPECT_TRUE(std::isnan(v)) << c.text;
        }
    }
    EXPECT_EQ(evaluation_failures(pass).logLine(),
              "failed model evaluations: 6/7 (non-finite state 2, step size 3, time limit 1)");
}

// Merely slow models, and models stiff at the start, still finish with the exact answer.
TEST(ModelFailure, SlowAndStiffModelsFinish) {
    struct Case {
        const char* text;
        double p, tolerance, time, exact, accuracy;
    };
    const Case cases[] = {
        // 30 periods of an oscillator at a tight tolerance: tens of thousands of steps.
        {"dXdt = V\ndVdt = -w*w*X", 20, 1e-9, 10, std::cos(200.0), 1e-6},
        // A decay 1e12 times faster than the interval: the first steps are tiny.
        {"dXdt = -k*X", 1e12, 1e-10, 1, 0.0, 1e-9},
    };
    for (const Case& c : cases) {
        model_ode m =
            tight(makeModel(c.text, {dose(0, 0, 1)}, observationsAt({c.time})), c.tolerance);
        const QVector<QVector<double>> rows = m.evaluate({c.p});
        EXPECT_EQ(m.failure, model_ode::no_failure) << c.text;
        EXPECT_EQ(model_ode::failureOf(rows), model_ode::no_failure) << c.text;
        EXPECT_NEAR(rows[0][0], c.exact, c.accuracy) << c.text;
    }
}

TEST(ModelFailure, TheNextCallAfterAFailureStartsAfresh) {
    model_ode m = makeModel("dAdt = -k*A", {dose(0, 0, 10)}, observationsAt({1}));
    m.timeLimitMilliseconds = -1;
    m.evaluate({0.5});
    m.timeLimitMilliseconds = 10000;
    EXPECT_NEAR(m.evaluate({0.5})[0][0], 10 * std::exp(-0.5), 0.5);
    EXPECT_EQ(m.failure, model_ode::no_failure);
}

TEST(ModelCopy, PreparingAndEvaluatingACopyDoesNotDetachSharedTables) {
    model_ode original = mm2Model();
    original.prepareDoseObsTimePoints(mm2Parameters());
    model_ode copy = original;
    copy.prepareDoseObsTimePoints(mm2Parameters());
    copy.evaluate(mm2Parameters());
    copy.evaluate(mm2Parameters());
    EXPECT_EQ(copy.ode.rhs_parser.constData(), original.ode.rhs_parser.constData());
    EXPECT_EQ(copy.ode.linear_entry.constData(), original.ode.linear_entry.constData());
    EXPECT_EQ(copy.doses.constData(), original.doses.constData());
    EXPECT_EQ(copy.observations.constData(), original.observations.constData());
    EXPECT_EQ(copy.ode.parameter_name.constBegin(), original.ode.parameter_name.constBegin());
}
