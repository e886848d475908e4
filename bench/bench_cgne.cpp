// The weighted normal-equation CG solve of one linear fit of the CNM step (1000 rows,
// 20 columns), the plain solve on the same matrix, and as yardstick one iteration's worth of
// matrix-vector products (A p and A^T q) done by uBLAS prod.
#include "linalg/cgne.h"

#include <boost/numeric/ublas/matrix.hpp>
#include <boost/numeric/ublas/vector.hpp>

#include <benchmark/benchmark.h>

#include <random>

namespace ublas = boost::numeric::ublas;

namespace {

const std::size_t rows = 1000;
const std::size_t cols = 20;

struct Problem {
    ublas::matrix<double> A{rows, cols};
    ublas::vector<double> b{rows};
    ublas::vector<double> w{rows};

    Problem() {
        std::mt19937 rng(12345);
        std::uniform_real_distribution<double> u(-1, 1);
        std::uniform_real_distribution<double> weight(0.1, 2);
        for (std::size_t i = 0; i < rows; ++i) {
            for (std::size_t j = 0; j < cols; ++j)
                A(i, j) = u(rng);
            b(i) = u(rng);
            w(i) = i % 50 == 0 ? 0.0 : weight(rng);
        }
    }
};

const Problem& problem() {
    static const Problem p;
    return p;
}

void BM_cgne_with_weight(benchmark::State& state) {
    const Problem& p = problem();
    for (auto _ : state) {
        // The caller keeps its A and b: the solver scales its own copies.
        ublas::vector<double> x = cgne_ATAx_ATb_with_weight(p.A, p.b, p.w);
        benchmark::DoNotOptimize(x.data().begin());
    }
}
BENCHMARK(BM_cgne_with_weight)->Unit(benchmark::kMicrosecond);

void BM_cgne_plain(benchmark::State& state) {
    const Problem& p = problem();
    for (auto _ : state) {
        ublas::vector<double> x = cgne_ATAx_ATb(p.A, p.b);
        benchmark::DoNotOptimize(x.data().begin());
    }
}
BENCHMARK(BM_cgne_plain)->Unit(benchmark::kMicrosecond);

void BM_yardstick_ublas_one_iteration_products(benchmark::State& state) {
    const Problem& p = problem();
    ublas::vector<double> v(cols, 0.5);
    ublas::vector<double> q(rows);
    ublas::vector<double> t(cols);
    for (auto _ : state) {
        ublas::noalias(q) = ublas::prod(p.A, v);
        ublas::noalias(t) = ublas::prod(ublas::trans(p.A), q);
        benchmark::DoNotOptimize(t.data().begin());
    }
}
BENCHMARK(BM_yardstick_ublas_one_iteration_products)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
