#pragma once
// The process's CPU time over all threads (the engine renders on several), for the benchmarks'
// cpu_ms counters beside their wall time.

#include <ctime>

namespace bench {

inline double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace bench
