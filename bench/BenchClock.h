#pragma once

#include <chrono>

// The benchmarks' clock: wall time in milliseconds since a point.
using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}
