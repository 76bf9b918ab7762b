// Stats.cpp: median and spread of a set of measurements.
#include "Stats.h"

#include <algorithm>

namespace bench {

namespace {

// The value at fraction `at` (0..1) of the sorted samples, interpolated.
double quantile(const std::vector<double>& sorted, double at) {
    const double place = at * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(place);
    if (below + 1 >= sorted.size()) return sorted.back();
    const double part = place - static_cast<double>(below);
    return sorted[below] + part * (sorted[below + 1] - sorted[below]);
}

}  // namespace

Summary summarize(std::vector<double> samples) {
    Summary s;
    if (samples.empty()) return s;
    std::sort(samples.begin(), samples.end());
    s.count = samples.size();
    s.median = quantile(samples, 0.5);
    s.q1 = quantile(samples, 0.25);
    s.q3 = quantile(samples, 0.75);
    s.min = samples.front();
    s.max = samples.back();
    return s;
}

double median(std::vector<double> samples) { return summarize(std::move(samples)).median; }

}  // namespace bench
