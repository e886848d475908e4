// Microseconds per model evaluation of pbpk13 (linear, 13 states) and mm2 (nonlinear,
// 2 states) at the default tolerances and at 1e-6, next to a yardstick: the same piecewise
// Rosenbrock integration driven by a hand-written C++ right-hand side and Jacobian.
// Counters: right-hand-side and Jacobian calls per evaluation.
#include "model/model_fixtures.h"
#include "model/restartable_controller.h"

#include <boost/numeric/odeint/integrate/integrate_adaptive.hpp>
#include <boost/numeric/odeint/stepper/rosenbrock4.hpp>
#include <boost/numeric/odeint/stepper/rosenbrock4_controller.hpp>
#include <boost/numeric/odeint/stepper/rosenbrock4_dense_output.hpp>
#include <boost/ref.hpp>

#include <benchmark/benchmark.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

namespace odeint = boost::numeric::odeint;
typedef odeint::rosenbrock4<double> stepper_type;
typedef stepper_type::state_type state_type;
typedef stepper_type::matrix_type matrix_type;

typedef odeint::rosenbrock4_dense_output<boost::reference_wrapper<restartable_controller>>
    dense_stepper_type;

struct call_counts {
    long rhs = 0;
    long jacobian = 0;
};

// ---- hand-written pbpk13 --------------------------------------------------------------

struct pbpk13_native {
    // Index of each state in equation order.
    enum { VE, LU, AR, HT, BR, MU, AD, SK, BO, KI, GU, SP, LI, N };
    double CLint, CLr, KpAD, KpBO, KpBR, KpGU, KpHT, KpKI, KpLI, KpLU, KpMU, KpSK, KpSP;
    double infusion = 0.0;
    call_counts* counts;
    matrix_type jacobian;

    explicit pbpk13_native(const QVector<double>& p, call_counts* c)
        : CLint(p[0]), CLr(p[1]), KpAD(p[2]), KpBO(p[3]), KpBR(p[4]), KpGU(p[5]), KpHT(p[6]),
          KpKI(p[7]), KpLI(p[8]), KpLU(p[9]), KpMU(p[10]), KpSK(p[11]), KpSP(p[12]), counts(c),
          jacobian(N, N) {
        // The system is linear: the Jacobian is the matrix of the right-hand side.
        state_type e(N), d(N);
        const double keep = infusion;
        infusion = 0.0;
        for (size_t j = 0; j < N; ++j) {
            for (size_t k = 0; k < N; ++k)
                e[k] = k == j ? 1.0 : 0.0;
            rhs(e, d);
            for (size_t i = 0; i < N; ++i)
                jacobian(i, j) = d[i];
        }
        infusion = keep;
    }

    void rhs(const state_type& x, state_type& d) const {
        const double ar = x[AR] / 1.7;
        d[VE] = 15.6 * x[HT] / (0.33 * KpHT) + 46.8 * x[BR] / (1.45 * KpBR) +
                66.3 * x[MU] / (29 * KpMU) + 19.5 * x[AD] / (12.5 * KpAD) +
                19.5 * x[SK] / (7.8 * KpSK) + 19.5 * x[BO] / (10.5 * KpBO) +
                74.1 * x[KI] / (0.31 * KpKI) + 87.9 * x[LI] / (1.8 * KpLI) - 349.2 * x[VE] / 3.4 +
                infusion;
        d[LU] = 349.2 * x[VE] / 3.4 - 349.2 * x[LU] / (1.17 * KpLU);
        d[AR] = 349.2 * x[LU] / (1.17 * KpLU) - 349.2 * ar;
        d[HT] = 15.6 * (ar - x[HT] / (0.33 * KpHT));
        d[BR] = 46.8 * (ar - x[BR] / (1.45 * KpBR));
        d[MU] = 66.3 * (ar - x[MU] / (29 * KpMU));
        d[AD] = 19.5 * (ar - x[AD] / (12.5 * KpAD));
        d[SK] = 19.5 * (ar - x[SK] / (7.8 * KpSK));
        d[BO] = 19.5 * (ar - x[BO] / (10.5 * KpBO));
        d[KI] = 74.1 * (ar - x[KI] / (0.31 * KpKI)) - CLr * x[KI] / (0.31 * KpKI);
        d[GU] = 58.5 * (ar - x[GU] / (1.2 * KpGU));
        d[SP] = 3.9 * (ar - x[SP] / (0.18 * KpSP));
        d[LI] = 25.5 * ar + 58.5 * x[GU] / (1.2 * KpGU) + 3.9 * x[SP] / (0.18 * KpSP) -
                87.9 * x[LI] / (1.8 * KpLI) - CLint * x[LI] / (1.8 * KpLI);
    }

    struct rhs_fn {
        pbpk13_native* m;
        void operator()(const state_type& x, state_type& d, double) const {
            m->rhs(x, d);
            ++m->counts->rhs;
        }
    };
    struct jac_fn {
        pbpk13_native* m;
        void operator()(const state_type&, matrix_type& J, double, state_type& dfdt) const {
            J = m->jacobian;
            for (size_t i = 0; i < dfdt.size(); ++i)
                dfdt[i] = 0.0;
            ++m->counts->jacobian;
        }
    };
};

// ---- hand-written mm2 -----------------------------------------------------------------

struct mm2_native {
    double Km, V1, Vmax, k12, k21;
    double infusion = 0.0;
    call_counts* counts;

    mm2_native(const QVector<double>& p, call_counts* c)
        : Km(p[0]), V1(p[1]), Vmax(p[2]), k12(p[3]), k21(p[4]), counts(c) {}

    struct rhs_fn {
        mm2_native* m;
        void operator()(const state_type& x, state_type& d, double) const {
            d[0] = -m->Vmax * x[0] / (m->Km * m->V1 + x[0]) - m->k12 * x[0] + m->k21 * x[1] +
                   m->infusion;
            d[1] = m->k12 * x[0] - m->k21 * x[1];
            ++m->counts->rhs;
        }
    };
    struct jac_fn {
        mm2_native* m;
        void operator()(const state_type& x, matrix_type& J, double, state_type& dfdt) const {
            const double s = m->Km * m->V1 + x[0];
            J(0, 0) = -m->Vmax * m->Km * m->V1 / (s * s) - m->k12;
            J(0, 1) = m->k21;
            J(1, 0) = m->k12;
            J(1, 1) = -m->k21;
            dfdt[0] = dfdt[1] = 0.0;
            ++m->counts->jacobian;
        }
    };
};

// The piecewise integration of model_ode with a native system: boluses at the time points,
// the infusion switched per interval, one dense-output stepper restarted per interval.
template <class Native>
QVector<QVector<double>> integrateNative(Native& native, const model_ode& shape, size_t n,
                                         double atol, double rtol) {
    QVector<QVector<double>> rows(shape.observations.size());
    restartable_controller controller(atol, rtol);
    dense_stepper_type stepper(boost::ref(controller));
    const std::pair<typename Native::rhs_fn, typename Native::jac_fn> system(
        typename Native::rhs_fn{&native}, typename Native::jac_fn{&native});
    state_type x(n, 0.0);
    auto record = [&](int index) {
        for (int k = 0; k < shape.observations.size(); ++k)
            if (shape.observationTimeIndex[k] == index)
                for (size_t i = 0; i < n; ++i)
                    rows[k] << x[i];
    };
    record(0);
    for (int j = 0; j + 1 < shape.timePoints.size(); ++j) {
        for (size_t i = 0; i < n; ++i)
            x[i] += shape.bolusAmounts[j][i];
        native.infusion = 0.0;
        for (double r : shape.infusionRates[j])
            native.infusion += r;
        const double t0 = shape.timePoints[j], t1 = shape.timePoints[j + 1];
        controller.restart();
        odeint::integrate_adaptive(boost::ref(stepper), system, x, t0, t1, (t1 - t0) * 0.5);
        record(j + 1);
    }
    return rows;
}

// Argument 0: the defaults (relative 0.1, absolute 1.0); 6: relative 1e-6 with the default
// absolute 1.0 (what the window's tolerance field sets); 106: both 1e-6.
void setTolerances(model_ode& m, long argument) {
    if (argument == 6) m.relativeTolerance = 1e-6;
    if (argument == 106) m.relativeTolerance = m.absoluteTolerance = 1e-6;
}

void evaluateModel(benchmark::State& state, model_ode m, const QVector<double>& p) {
    setTolerances(m, long(state.range(0)));
    double rhs = 0, jac = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(m.evaluate(p));
        rhs = double(m.rhsCallCount);
        jac = double(m.jacobianCallCount);
    }
    state.counters["rhs_calls"] = rhs;
    state.counters["jac_calls"] = jac;
}

template <class Native>
void evaluateNative(benchmark::State& state, model_ode m, const QVector<double>& p) {
    setTolerances(m, long(state.range(0)));
    m.prepareDoseObsTimePoints(p);
    call_counts counts;
    for (auto _ : state) {
        counts = call_counts();
        Native native(p, &counts);
        benchmark::DoNotOptimize(integrateNative(native, m, size_t(m.stateCount),
                                                 m.absoluteTolerance, m.relativeTolerance));
    }
    state.counters["rhs_calls"] = double(counts.rhs);
    state.counters["jac_calls"] = double(counts.jacobian);
}

void BM_pbpk13_model_ode(benchmark::State& state) {
    evaluateModel(state, fixtures::pbpk13Model(), fixtures::pbpk13Parameters());
}
void BM_pbpk13_handwritten(benchmark::State& state) {
    evaluateNative<pbpk13_native>(state, fixtures::pbpk13Model(), fixtures::pbpk13Parameters());
}
void BM_mm2_model_ode(benchmark::State& state) {
    evaluateModel(state, fixtures::mm2Model(), fixtures::mm2Parameters());
}
void BM_mm2_handwritten(benchmark::State& state) {
    evaluateNative<mm2_native>(state, fixtures::mm2Model(), fixtures::mm2Parameters());
}

// A copy per point per pass: the cost of copying an evaluated model.
void BM_pbpk13_copy(benchmark::State& state) {
    model_ode m = fixtures::pbpk13Model();
    m.evaluate(fixtures::pbpk13Parameters());
    for (auto _ : state) {
        model_ode copy = m;
        benchmark::DoNotOptimize(copy.stateCount);
    }
}

BENCHMARK(BM_pbpk13_model_ode)->Arg(0)->Arg(6)->Arg(106)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_pbpk13_handwritten)->Arg(0)->Arg(6)->Arg(106)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_mm2_model_ode)->Arg(0)->Arg(6)->Arg(106)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_mm2_handwritten)->Arg(0)->Arg(6)->Arg(106)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_pbpk13_copy)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
