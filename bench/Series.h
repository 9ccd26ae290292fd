// Running the series of the run's frames: the whole frame with its passes on
// the GPU timer, the CPU's share and the floor frame; each pass finished on
// its own; and each view drawn with two sets of programs in turns.
#pragma once

#include <array>
#include <vector>

#include "bench/BenchmarkOptions.h"
#include "render/FramePasses.h"

namespace tandril::tools {
struct SceneState;
}

namespace tandril::bench {

struct DrawnPrograms;
class TheirStreet;

struct Samples {
    std::vector<double> time;  // of the run, at each frame
    std::vector<double> frame, updates, issue, drawCalls, ownCode, floor;
    std::array<std::vector<double>, render::kPassCount> passes, finishedPasses;
};

// View by view: each set's median turn, and theirs / ours of every turn;
// the same of each pass where the passes were timed.
struct Comparison {
    std::vector<double> ours, theirs;
    std::vector<std::vector<double>> ratios;
    std::array<std::vector<std::vector<double>>, render::kPassCount> passRatios;
};

// Each series starts from the scene as it finds it and steps it through
// `options.frames` views; the caller puts the scene back between series.
void measureFrames(const Options& options, Samples& samples);
void measureFinishedPasses(const Options& options, Samples& samples);
// Each view drawn with the installed programs and with `theirs`, one after
// the other, the order changing from frame to frame, so that drift in the
// machine's speed falls on both alike; `turns` passes over the run from
// `start`; with `street`, their street model goes in with their programs.
// With `byPass`, each pass is finished on its own and timed as well, which
// tells where a difference lies but makes the whole frame longer. Leaves the
// installed programs and the scene's street installed.
void measureAgainst(const Options& options, const DrawnPrograms& theirs, int turns,
                    const tools::SceneState& start, Comparison& comparison,
                    TheirStreet* street = nullptr, bool byPass = false);

}  // namespace tandril::bench
