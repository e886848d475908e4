// Ratios against a yardstick measured in the same run: the yardstick benchmark records
// its nanoseconds per iteration, the others report theirs divided by it.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

namespace yardstick {

inline std::map<std::string, double>& times() {
    static std::map<std::string, double> t;
    return t;
}

// Times the state loop around body() and returns nanoseconds per iteration.
template <typename Body> double timed(benchmark::State& state, Body body) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        body();
    const auto end = std::chrono::steady_clock::now();
    const double ns = std::chrono::duration<double, std::nano>(end - start).count();
    return state.iterations() ? ns / static_cast<double>(state.iterations()) : 0.0;
}

inline void record(const std::string& name, double ns) {
    times()[name] = ns;
}

// Adds the counter "x_<yardstick>" (this benchmark's time over the yardstick's).
inline void ratio(benchmark::State& state, const std::string& name, double ns) {
    auto it = times().find(name);
    if (it != times().end() && it->second > 0) state.counters["x_" + name] = ns / it->second;
}

} // namespace yardstick
