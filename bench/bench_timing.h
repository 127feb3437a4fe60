// Timing of the interleaved benchmark rounds: seconds of a number of calls,
// and the median of a round's figures.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace benchtiming {

// Seconds of `reps` calls of f.
template <typename F>
double seconds(int reps, F&& f) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i) f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

}  // namespace benchtiming
