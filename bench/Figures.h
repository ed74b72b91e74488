#pragma once
// Figures: timing samples of one measure, with the statistics the bench JSON reports.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct Figures {
    std::vector<double> samples;

    double percentile(double p) const {
        if (samples.empty())
            return -1;
        std::vector<double> sorted = samples;
        std::sort(sorted.begin(), sorted.end());
        size_t rank = static_cast<size_t>(p / 100.0 * static_cast<double>(sorted.size()) + 0.999999);
        return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
    }
    double median() const { return percentile(50); }
    std::string json() const {
        char text[200];
        snprintf(text, sizeof text, "{\"samples\": %zu, \"median\": %.2f, \"p95\": %.2f, \"max\": %.2f}",
                 samples.size(), median(), percentile(95), percentile(100));
        return text;
    }
};

// Milliseconds on the performance counter.
inline double BenchNow() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// A whole file's text; empty when it can't be read.
inline std::string ReadFileText(const char* path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
