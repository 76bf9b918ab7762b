// Stats.h: median and spread of a set of measurements.
#pragma once

#include <cstddef>
#include <vector>

namespace bench {

struct Summary {
    std::size_t count = 0;
    double median = 0;
    double q1 = 0;  // lower and upper quartile, interpolated between samples
    double q3 = 0;
    double min = 0;
    double max = 0;
};

Summary summarize(std::vector<double> samples);

double median(std::vector<double> samples);

}  // namespace bench
