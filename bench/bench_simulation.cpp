// The simulation of 1000 pbpk13 parameter sets at 200 time points (run and plotted curves)
// against the yardstick of the same 1000 plain model evaluations on the thread pool, and
// the prediction band over the 1000 curves.
#include "model/model_fixtures.h"
#include "simulation/prediction_band.h"
#include "simulation/simulation_time_text.h"
#include "simulation/simulation_view.h"

#include "yardstick.h"

#include <QtConcurrent>

#include <benchmark/benchmark.h>

namespace {

constexpr int kSets = 1000;

struct workload {
    simulation_setup setup;
    compResult result;
    QVector<int> shown;

    workload() {
        setup.ode = fixtures::parsedOde(fixtures::pbpk13Text());
        setup.parameterRecord.parameterNames = setup.ode.parameter_name;
        setup.doses = {fixtures::dose(0, 0, 100, 0.5)};
        setup.timePoints = parseSimulationTimeText("0.12:0.12:24").points; // 200 points
        const QVector<double> reference = fixtures::pbpk13Parameters();
        QVector<QVector<double>> sets;
        for (int n = 0; n < kSets; ++n) {
            QVector<double> p = reference;
            for (int j = 0; j < p.size(); ++j)
                p[j] *= 0.7 + 0.6 * ((n * 7919 + j * 104729) % 1000) / 1000.0;
            sets << p;
            shown << n;
        }
        result.Parameter = {sets};
    }
};

const workload& data() {
    static const workload w;
    return w;
}

// QtConcurrent of Qt 5 needs the result type of a map function spelled out.
struct evaluate_copy {
    typedef QVector<QVector<double>> result_type;
    const model_ode* model;
    QVector<QVector<double>> operator()(const QVector<double>& p) const {
        model_ode copy = *model;
        return copy.evaluate(p);
    }
};

// Yardstick: each parameter set evaluated by its own copy of the model that observes the
// 200 time points, as the engine evaluates a cluster.
void PlainEvaluations(benchmark::State& state) {
    const workload& w = data();
    QVector<observation_event> observations;
    for (double t : w.setup.timePoints)
        observations << fixtures::observation(t);
    model_ode model(w.setup.ode, w.setup.doses, observations, w.setup.parameterRecord);
    model.prepareDoseObsTimePoints(w.result.Parameter[0][0]);
    const double ns = yardstick::timed(state, [&] {
        benchmark::DoNotOptimize(QtConcurrent::blockingMapped<QVector<QVector<QVector<double>>>>(
            w.result.Parameter[0], evaluate_copy{&model}));
    });
    yardstick::record("plain", ns);
}

void Simulation(benchmark::State& state) {
    const workload& w = data();
    const double ns = yardstick::timed(state, [&] {
        const simulation_run run = runSimulation(w.setup, w.result, 0, w.shown);
        benchmark::DoNotOptimize(simulationView(run, "ALI/(1.8*KpLI)"));
    });
    yardstick::ratio(state, "plain", ns);
}

void Band(benchmark::State& state) {
    const workload& w = data();
    const simulation_view view =
        simulationView(runSimulation(w.setup, w.result, 0, w.shown), "ALI/(1.8*KpLI)");
    const QVector<QVector<double>> curves = view.curves.mid(1);
    for (auto _ : state)
        benchmark::DoNotOptimize(predictionBand(w.setup.timePoints, curves));
}

BENCHMARK(PlainEvaluations)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(Simulation)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(Band)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
