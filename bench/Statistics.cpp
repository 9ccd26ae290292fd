#include "bench/Statistics.h"

#include <algorithm>
#include <cmath>

namespace tandril::bench {
namespace {

// The sample below which `share` of them lie (nearest rank).
double percentile(const std::vector<double>& sorted, double share) {
    const auto rank =
        static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

Summary summarise(std::vector<double> samples) {
    if (samples.empty()) {
        return {};
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    const double median = n % 2 == 1 ? samples[n / 2] : 0.5 * (samples[n / 2 - 1] + samples[n / 2]);
    return {median, samples.front(), samples.back(), percentile(samples, 0.95),
            percentile(samples, 0.99)};
}

std::vector<double> within(const std::vector<double>& values, const std::vector<double>& times,
                           double from, double to) {
    std::vector<double> picked;
    for (std::size_t i = 0; i < values.size() && i < times.size(); ++i) {
        if (times[i] >= from && times[i] < to) {
            picked.push_back(values[i]);
        }
    }
    return picked;
}

}  // namespace tandril::bench
