#pragma once
// Timings of a project's work and its floor taken in turn, run by run, so both see the same
// machine: one run's seconds, and the median of a list of them.

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace bench {

inline double seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace bench
