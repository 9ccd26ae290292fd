// What the benchmark reports, as text or as JSON: the series and what they
// come to, over the whole run and for each stretch of the camera path.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "base/LoadPhaseTimer.h"
#include "bench/BenchmarkOptions.h"
#include "bench/Series.h"

namespace tandril::bench {

inline constexpr std::array<const char*, render::kPassCount> kPassNames = {
    "base", "reflections and sky", "shadow volumes", "lighting"};

// Stretches of the run: the rows of the camera path's table, and the rest.
struct Stretch {
    const char* name;
    double from;
    double to;
};
inline constexpr std::array<Stretch, 8> kStretches = {{{"0-2 s, standing", 0, 2},
                                                       {"2-6 s, sideways", 2, 6},
                                                       {"6-12 s, back and down", 6, 12},
                                                       {"12-15 s, standing", 12, 15},
                                                       {"15-18 s, diagonally", 15, 18},
                                                       {"18-23 s, down the street", 18, 23},
                                                       {"23-31 s, rising", 23, 31},
                                                       {"31-41 s, at rest", 31, 1e9}}};

struct Results {
    Samples samples;
    std::vector<std::pair<std::string, double>> phases;
    double startupTotal = 0.0;
    Comparison limit;           // ours: the real shaders; theirs: constant colour
    int limitTurns = 0;         // of each set, for each view
    Comparison against;         // ours: shader/; theirs: the other directory
    std::string againstStreet;  // their street's model, or empty when only shaders changed
};

// Start-up phases grouped by what they load, in the order they first ran.
std::vector<std::pair<std::string, double>> groupPhases(const base::PhaseRecorder& recorder);

enum class Ratio { TheirsToOurs, OursToTheirs };

// The median ratio over every turn of the views whose time lies in [from, to).
double medianRatio(const Comparison& c, Ratio ratio, const std::vector<double>& times, double from,
                   double to);

// Theirs / ours of one pass over the whole run, where the passes were timed.
double medianPassRatio(const Comparison& c, int pass, const std::vector<double>& times);

void reportText(const Options& options, const Results& results);
void reportJson(const Options& options, const Results& results);

}  // namespace tandril::bench
