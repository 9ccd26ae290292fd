#include "bench/Report.h"

#include <map>

#include "bench/Statistics.h"

namespace tandril::bench {

std::vector<std::pair<std::string, double>> groupPhases(const base::PhaseRecorder& recorder) {
    std::vector<std::pair<std::string, double>> groups;
    std::map<std::string, std::size_t> index;
    double textures = 0.0;
    int textureCount = 0;
    for (const base::PhaseRecord& record : recorder.records()) {
        if (record.name.rfind("texture ", 0) == 0) {
            textures += record.seconds;
            ++textureCount;
            continue;
        }
        auto [it, added] = index.try_emplace(record.name, groups.size());
        if (added) {
            groups.emplace_back(record.name, 0.0);
        }
        groups[it->second].second += record.seconds * 1000.0;
    }
    groups.emplace_back("textures (" + std::to_string(textureCount) + " loads)", textures * 1000.0);
    return groups;
}

namespace {

double medianOf(const std::vector<std::vector<double>>& byView, Ratio ratio,
                const std::vector<double>& times, double from, double to) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < byView.size() && i < times.size(); ++i) {
        if (times[i] < from || times[i] >= to) {
            continue;
        }
        for (const double theirsToOurs : byView[i]) {
            ratios.push_back(ratio == Ratio::TheirsToOurs ? theirsToOurs : 1.0 / theirsToOurs);
        }
    }
    return summarise(ratios).median;
}

}  // namespace

double medianRatio(const Comparison& c, Ratio ratio, const std::vector<double>& times, double from,
                   double to) {
    return medianOf(c.ratios, ratio, times, from, to);
}

double medianPassRatio(const Comparison& c, int pass, const std::vector<double>& times) {
    return medianOf(c.passRatios[pass], Ratio::TheirsToOurs, times, 0.0, 1e9);
}

}  // namespace tandril::bench
