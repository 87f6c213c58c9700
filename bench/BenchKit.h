#pragma once
// Timing helpers for the benchmarks: the best of a few rounds, in seconds.

#include <chrono>
#include <functional>

inline double BestSeconds(int rounds, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best) best = took.count();
    }
    return best;
}
