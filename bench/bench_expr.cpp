// Nanoseconds per evaluation of all 13 pbpk13 right-hand sides: compiled expressions,
// compiled expressions with the parameters bound, the literal token reduction, and the
// same right-hand sides written by hand in C++ (the yardstick of the ratios).
#include "expr/parser.h"

#include "expr/reference_reduction.h"
#include "pbpk13.h"
#include "yardstick.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct fixture {
    std::vector<parser> rhs;
    std::vector<compiled_expression> bound;
    QVector<double> values; // t, amounts, parameters
    int instructions = 0;
    int boundInstructions = 0;

    fixture() {
        QStringList names{"t"};
        names << pbpk13::variables() << pbpk13::parameterNames();
        values << 0.5;
        for (int i = 0; i < 13; ++i)
            values << 1.0 + 0.37 * i;
        values << pbpk13::referenceParameters();
        for (const QString& text : pbpk13::rightHandSides()) {
            parser p(text);
            p.variable_name = names;
            p.generate_tree();
            instructions += p.compiled()->instructionCount();
            compiled_expression b = p.compiled()->bind(14, values.constData() + 14, 13);
            boundInstructions += b.instructionCount();
            bound.push_back(b);
            rhs.push_back(p);
        }
    }
};

fixture& data() {
    static fixture f;
    return f;
}

void HandWritten(benchmark::State& state) {
    fixture& f = data();
    double out[13];
    const double ns = yardstick::timed(state, [&] {
        benchmark::DoNotOptimize(f.values.data());
        pbpk13::handWritten(f.values.constData() + 1, f.values.constData() + 14, out);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    });
    yardstick::record("handwritten", ns);
}

void Compiled(benchmark::State& state) {
    fixture& f = data();
    double out[13];
    const double* v = f.values.constData();
    const int n = f.values.size();
    const double ns = yardstick::timed(state, [&] {
        for (int i = 0; i < 13; ++i)
            out[i] = f.rhs[i].evaluate(v, n);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    });
    yardstick::ratio(state, "handwritten", ns);
    state.counters["instructions"] = f.instructions;
}

void CompiledParametersBound(benchmark::State& state) {
    fixture& f = data();
    double out[13];
    const double* v = f.values.constData();
    const int n = f.values.size();
    const double ns = yardstick::timed(state, [&] {
        for (int i = 0; i < 13; ++i)
            out[i] = f.bound[i].evaluate(v, n);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    });
    yardstick::ratio(state, "handwritten", ns);
    state.counters["instructions"] = f.boundInstructions;
}

void EvaluateTreeQVector(benchmark::State& state) {
    fixture& f = data();
    double out[13];
    const double ns = yardstick::timed(state, [&] {
        for (int i = 0; i < 13; ++i)
            out[i] = f.rhs[i].evaluate_tree(f.values);
        benchmark::DoNotOptimize(out);
    });
    yardstick::ratio(state, "handwritten", ns);
}

void LiteralReduction(benchmark::State& state) {
    fixture& f = data();
    double out[13];
    const double ns = yardstick::timed(state, [&] {
        for (int i = 0; i < 13; ++i)
            out[i] = reference_reduction(f.rhs[i].tree, f.values);
        benchmark::DoNotOptimize(out);
    });
    yardstick::ratio(state, "handwritten", ns);
}

BENCHMARK(HandWritten);
BENCHMARK(Compiled);
BENCHMARK(CompiledParametersBound);
BENCHMARK(EvaluateTreeQVector);
BENCHMARK(LiteralReduction);

} // namespace

BENCHMARK_MAIN();
