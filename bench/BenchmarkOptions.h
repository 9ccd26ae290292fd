// The benchmark's command line.
#pragma once

#include <string>
#include <variant>

#include "tools/common/OptionNumbers.h"

namespace tandril::bench {

// The camera path's 31 s and ten seconds at rest after it.
inline constexpr int kRunFrames = 41 * 30;

struct Options {
    tools::Size size{1200, 1200};
    int frames = kRunFrames;
    int firstFrame = 0;  // frames of the run skipped before the series
    int warmup = 30;
    bool json = false;
    bool limit = true;
    std::string against;         // a directory of shader files to compare with, or empty
    bool againstPasses = false;  // also each pass's ratio, each pass finished on its own
};

// The options, or the exit code after the usage has been printed.
std::variant<Options, int> parseOptions(int argc, char** argv);

}  // namespace tandril::bench
