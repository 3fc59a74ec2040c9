#pragma once
// What the interactive benchmarks report of their iterations' wall times: the median, the
// 90th percentile and the worst.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace bench {

// The q-quantile (0 to 1) of a non-empty list, the nearest value in rank.
inline double percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))];
}

// The median, 90th percentile and worst of `ms` as the counters median_ms, p90_ms and max_ms.
inline void reportTimes(benchmark::State& state, const std::vector<double>& ms) {
    state.counters["median_ms"] = percentile(ms, 0.5);
    state.counters["p90_ms"] = percentile(ms, 0.9);
    state.counters["max_ms"] = *std::max_element(ms.begin(), ms.end());
}

}  // namespace bench
