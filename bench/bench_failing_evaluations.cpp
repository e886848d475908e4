// One evaluation pass over a 250-point cluster of the stiff target-mediated binding model
// (doses of 100 and 50 into L) at the default tolerances, the cluster drawn over a wide
// domain so that some points drive the integrator into a non-finite state or a vanishing
// step. Reported per pass: the time of the good evaluations (the yardstick of this run),
// the time of the failed ones, the whole pass as a ratio to the good evaluations, and the
// failed points by reason.
#include "model/model_fixtures.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <random>

namespace {

constexpr int kPoints = 250;

model_ode bindingModel() {
    using namespace fixtures;
    return modelOf(bindingText(), {dose(0, 0, 100), dose(24, 0, 50)},
                   observationsAt({0.5, 1, 2, 4, 8, 12, 24, 25, 28, 36, 48}));
}

// Log-uniform over a factor of 3 either side of kdeg, kel, kint, koff, kon, ksyn.
QVector<QVector<double>> wideCluster() {
    const double centre[] = {0.2, 0.1, 0.05, 0.5, 50, 1};
    std::mt19937_64 generator(20261206);
    QVector<QVector<double>> cluster(kPoints);
    for (QVector<double>& p : cluster)
        for (double c : centre) {
            const double u = double(generator() >> 11) * 0x1.0p-53;
            p << c * std::pow(3.0, 2 * u - 1);
        }
    return cluster;
}

void BM_binding_wide_cluster_pass(benchmark::State& state) {
    const model_ode prototype = bindingModel();
    const QVector<QVector<double>> cluster = wideCluster();
    double goodSeconds = 0, failedSeconds = 0;
    int failed = 0;
    int byReason[model_ode::other_failure + 1] = {};
    for (auto _ : state) {
        goodSeconds = failedSeconds = 0;
        failed = 0;
        std::fill(std::begin(byReason), std::end(byReason), 0);
        for (const QVector<double>& p : cluster) {
            model_ode m = prototype;
            const auto start = std::chrono::steady_clock::now();
            const QVector<QVector<double>> rows = m.evaluate(p);
            const double s =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const bool ok = !rows.isEmpty() && !std::isnan(rows.last().first());
            (ok ? goodSeconds : failedSeconds) += s;
            if (!ok) ++failed;
            ++byReason[m.failure];
        }
    }
    state.counters["failed_points"] = failed;
    state.counters["non_finite_state"] = byReason[model_ode::non_finite_state];
    state.counters["step_size"] = byReason[model_ode::step_size];
    state.counters["time_limit"] = byReason[model_ode::time_limit];
    state.counters["good_ms"] = goodSeconds * 1e3;
    state.counters["failed_ms"] = failedSeconds * 1e3;
    // The whole pass over its good evaluations: 1 when failures cost nothing.
    state.counters["x_good"] = goodSeconds > 0 ? (goodSeconds + failedSeconds) / goodSeconds : 0;
}

BENCHMARK(BM_binding_wide_cluster_pass)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
