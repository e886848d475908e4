// One Cluster Newton step for N = 1000 points, n = 20, m = 30, in both stages: the literal
// algorithm (one weighted row-by-row solve per point and observation; the yardstick) and the
// step as the engine computes it, on the whole thread pool and on one thread. The counter
// "speedup" is the literal time over this one (wall-clock times: the pool's threads count).
// Then stage 2 of a large cluster with every instruction set.
#include "cnm/cluster_newton_step.h"

#include "cnm/literal_step.h"
#include "cnm/smooth_cluster.h"
#include "yardstick.h"

#include <QThreadPool>

#include <benchmark/benchmark.h>

namespace {

const smooth_cluster& data() {
    static const smooth_cluster c(1000, 20, 30, 7);
    return c;
}

const char* stageName(bool stage1) {
    return stage1 ? "literal_stage1" : "literal_stage2";
}

void Literal(benchmark::State& state) {
    const bool stage1 = state.range(0) == 1;
    const smooth_cluster& c = data();
    const double ns = yardstick::timed(state, [&] {
        benchmark::DoNotOptimize(
            literal_step(c.X, c.Y, c.alive, c.lambda, c.Yobs, c.lb, c.ub, 0.1, stage1));
    });
    yardstick::record(stageName(stage1), ns);
}

// range(0): 1 for stage 1, 0 for stage 2; range(1): threads of the pool (0: all).
void Fast(benchmark::State& state) {
    const bool stage1 = state.range(0) == 1;
    QThreadPool* pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    if (state.range(1) > 0) pool->setMaxThreadCount(static_cast<int>(state.range(1)));
    const smooth_cluster& c = data();
    const double ns = yardstick::timed(state, [&] {
        benchmark::DoNotOptimize(
            cluster_newton_step(c.X, c.Y, c.alive, c.lambda, c.Yobs, c.lb, c.ub, 0.1, stage1, 1));
    });
    pool->setMaxThreadCount(threads);
    state.counters["threads"] = state.range(1) > 0 ? state.range(1) : threads;
    yardstick::ratio(state, stageName(stage1), ns);
    auto it = yardstick::times().find(stageName(stage1));
    if (it != yardstick::times().end() && ns > 0) state.counters["speedup"] = it->second / ns;
}

// A large cluster of the pbpk13 shape (N = 10,000, n = 6, m = 9), stage 2 on one thread, with
// each instruction set the processor runs (range(0) indexes stage2Instructions(); the last,
// "sse2", is the yardstick): N^2 weighted rows, so "ns_per_pair" is the cost of one point in
// another's fit.
void LargeStage2(benchmark::State& state) {
    static const smooth_cluster c(10000, 6, 9, 11);
    const QStringList kernels = stage2Instructions();
    if (state.range(0) >= kernels.size()) {
        state.SkipWithError("this processor lacks the instruction set");
        return;
    }
    const QString kernel = kernels.at(kernels.size() - 1 - static_cast<int>(state.range(0)));
    useStage2Instructions(kernel);
    QThreadPool* pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    const double ns = yardstick::timed(state, [&] {
        benchmark::DoNotOptimize(
            cluster_newton_step(c.X, c.Y, c.alive, c.lambda, c.Yobs, c.lb, c.ub, 0.1, false, 1));
    });
    pool->setMaxThreadCount(threads);
    useStage2Instructions(QString());
    state.SetLabel(kernel.toStdString());
    if (kernel == "sse2") yardstick::record("sse2", ns);
    yardstick::ratio(state, "sse2", ns);
    state.counters["ns_per_pair"] = ns / 1e8;
}

} // namespace

BENCHMARK(LargeStage2)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Literal)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Fast)
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
