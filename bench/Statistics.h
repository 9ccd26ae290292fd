// What a series of samples comes to: its median, extremes and percentiles,
// and the samples of the frames within a stretch of the run.
#pragma once

#include <vector>

namespace tandril::bench {

struct Summary {
    double median = 0.0;
    double min = 0.0;
    double max = 0.0;
    double p95 = 0.0;
    double p99 = 0.0;
};

// All zero for no samples.
Summary summarise(std::vector<double> samples);

// The samples of the frames whose time lies in [from, to).
std::vector<double> within(const std::vector<double>& values, const std::vector<double>& times,
                           double from, double to);

}  // namespace tandril::bench
