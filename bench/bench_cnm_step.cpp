// One Cluster Newton step for N = 1000 points, n = 20, m = 30, in both stages: the literal
// algorithm (one weighted row-by-row solve per point and observation; the yardstick) and the
// step as the engine computes it. The counter "speedup" is the literal time over this one.
#include "cnm/cluster_newton_step.h"

#include "cnm/literal_step.h"
#include "cnm/smooth_cluster.h"
#include "yardstick.h"

#include <benchmark/benchmark.h>

namespace {

const smooth_cluster& data() {
    static const smooth_cluster c(1000, 20, 30, 7);
    return c;
}

const char* stageName(bool stage1) { return stage1 ? "literal_stage1" : "literal_stage2"; }

void Literal(benchmark::State& state) {
    const bool stage1 = state.range(0) == 1;
    const smooth_cluster& c = data();
    const double ns = yardstick::timed(state, [&] {
        benchmark::DoNotOptimize(
            literal_step(c.X, c.Y, c.alive, c.lambda, c.Yobs, c.lb, c.ub, 0.1, stage1));
    });
    yardstick::record(stageName(stage1), ns);
}

void Fast(benchmark::State& state) {
    const bool stage1 = state.range(0) == 1;
    const smooth_cluster& c = data();
    const double ns = yardstick::timed(state, [&] {
        benchmark::DoNotOptimize(cluster_newton_step(c.X, c.Y, c.alive, c.lambda, c.Yobs, c.lb,
                                                     c.ub, 0.1, stage1, 1));
    });
    yardstick::ratio(state, stageName(stage1), ns);
    auto it = yardstick::times().find(stageName(stage1));
    if (it != yardstick::times().end() && ns > 0) state.counters["speedup"] = it->second / ns;
}

} // namespace

BENCHMARK(Literal)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Fast)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
