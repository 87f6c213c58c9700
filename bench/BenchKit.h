#pragma once
// Timing helpers for the benchmarks: the best of a few rounds, in seconds.

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

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

// One row of the table tools/bench prints: what was measured, our figure, the anchor's figure
// measured in the same run, their ratio, and the goal for that ratio.
inline void TableRow(const char* benchmark, const char* ours, const char* anchor, double ratio,
                     const char* goal) {
    std::printf("table: %s|%s|%s|%.2f|%s\n", benchmark, ours, anchor, ratio, goal);
}

// A figure as text, for a table row.
inline std::string Figure(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
