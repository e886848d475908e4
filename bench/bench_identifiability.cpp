// The whole identifiability analysis of a result with 1000 points, 20 parameters and 30
// iterations after the initial cluster, every point of the last iteration accepted (the
// worst case for the families), next to the yardstick of sorting the same record by SSR.
#include "analysis/identifiability.h"
#include "yardstick.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

const int points = 1000;
const int coordinates = 20;
const int iterations = 30;

struct Problem {
    parameters para;
    compResult result;

    Problem() {
        QStringList names;
        QVector<QVector<double>> table;
        for (int i = 0; i < coordinates; ++i) {
            names << QString("k%1").arg(i);
            table.append({0.1, 10, 0, std::nan("")});
        }
        para.createParameters(table, names);
        para.parseParameterExpressions(para.gText.join("\n"));
        para.parseParameterExpressionsInverse(para.gInverseText.join("\n"));

        // The cluster contracts onto the set where the first 15 coordinates are 0.2 and the
        // last 5 are free: SSR 1 there, growing quadratically away from it.
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> u(-1, 1);
        for (int k = 0; k <= iterations; ++k) {
            const double spread = std::pow(0.7, k);
            QVector<QVector<double>> X;
            QVector<QVector<double>> P;
            QVector<double> R;
            for (int p = 0; p < points; ++p) {
                QVector<double> x(coordinates);
                double ssr = 1;
                for (int i = 0; i < coordinates; ++i) {
                    x[i] = i < 15 ? 0.2 + 0.8 * spread * u(rng) : u(rng);
                    if (i < 15) ssr += 10 * (x[i] - 0.2) * (x[i] - 0.2);
                }
                X.append(x);
                P.append(para.x_to_parameter(x));
                R.append(ssr);
            }
            result.X.append(X);
            result.Parameter.append(P);
            result.R.append(R);
            result.Y.append(QVector<QVector<double>>(points, QVector<double>(40, 0.0)));
        }
    }
};

const Problem& problem() {
    static const Problem p;
    return p;
}

void BM_identifiability_whole_analysis(benchmark::State& state) {
    const Problem& p = problem();
    int accepted = 0;
    const double ns = yardstick::timed(state, [&] {
        const identifiabilityResult r = analyseIdentifiability(p.result, p.para);
        accepted = r.accepted.size();
        benchmark::DoNotOptimize(r.summary.constData());
    });
    state.counters["accepted"] = accepted;
    state.counters["ms"] = ns / 1e6;
    yardstick::ratio(state, "sort_by_ssr", ns);
}

void BM_yardstick_sort_by_ssr(benchmark::State& state) {
    const Problem& p = problem();
    const double ns = yardstick::timed(state, [&] {
        compResult copy = p.result;
        copy.sortDataByResidual();
        benchmark::DoNotOptimize(copy.R_sorted.constData());
    });
    yardstick::record("sort_by_ssr", ns);
}

} // namespace

BENCHMARK(BM_yardstick_sort_by_ssr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_identifiability_whole_analysis)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
