#include "bench/Report.h"

#include <iomanip>
#include <iostream>

#include <GL/glew.h>

#include "bench/Statistics.h"

namespace tandril::bench {

void reportText(const Options& options, const Results& r) {
    const Samples& samples = r.samples;
    const Summary frame = summarise(samples.frame);
    const Summary floor = summarise(samples.floor);
    std::cout << "tandril benchmark: " << options.size.width << "x" << options.size.height << ", "
              << samples.frame.size() << " frames of the run at a fixed 1/30 s (the camera path, "
              << "then at rest), after " << options.warmup
              << " warm-up frames\nrenderer: " << glGetString(GL_RENDERER) << "\n\n"
              << std::fixed << std::setprecision(2);

    std::cout << std::left << std::setw(30) << "whole frame, ms" << std::right << std::setw(8)
              << "p50" << std::setw(8) << "p95" << std::setw(8) << "p99" << std::setw(8) << "max"
              << (options.limit ? "   / limit" : "") << "\n";
    auto row = [&](const std::string& name, const std::vector<double>& values, double from,
                   double to) {
        const Summary s = summarise(values);
        std::cout << std::left << std::setw(30) << name << std::right << std::setw(8) << s.median
                  << std::setw(8) << s.p95 << std::setw(8) << s.p99 << std::setw(8) << s.max;
        if (options.limit) {
            std::cout << std::setw(10)
                      << medianRatio(r.limit, Ratio::OursToTheirs, samples.time, from, to);
        }
        std::cout << "\n";
    };
    row("the whole run", samples.frame, 0.0, 1e9);
    for (const Stretch& stretch : kStretches) {
        const std::vector<double> values =
            within(samples.frame, samples.time, stretch.from, stretch.to);
        if (!values.empty()) {
            row("  " + std::string(stretch.name), values, stretch.from, stretch.to);
        }
    }

    const std::vector<std::pair<std::string, Summary>> rows = {
        {"  GPU timer: base", summarise(samples.passes[0])},
        {"  GPU timer: reflections, sky", summarise(samples.passes[1])},
        {"  GPU timer: shadow volumes", summarise(samples.passes[2])},
        {"  GPU timer: lighting", summarise(samples.passes[3])},
        {"finished pass: base", summarise(samples.finishedPasses[0])},
        {"finished pass: reflections, sky", summarise(samples.finishedPasses[1])},
        {"finished pass: shadow volumes", summarise(samples.finishedPasses[2])},
        {"finished pass: lighting", summarise(samples.finishedPasses[3])},
        {"updates (CPU)", summarise(samples.updates)},
        {"issuing the passes (CPU)", summarise(samples.issue)},
        {"  inside draw calls", summarise(samples.drawCalls)},
        {"own code (CPU)", summarise(samples.ownCode)},
        {"floor frame (clear, present)", floor},
    };
    std::cout << "\n"
              << std::left << std::setw(33) << "ms" << std::right << std::setw(9) << "median"
              << std::setw(9) << "min" << std::setw(9) << "max"
              << "\n";
    for (const auto& [name, s] : rows) {
        std::cout << std::left << std::setw(33) << name << std::right << std::setw(9) << s.median
                  << std::setw(9) << s.min << std::setw(9) << s.max << "\n";
    }
    std::cout << "whole frame / floor frame: "
              << (floor.median > 0.0 ? frame.median / floor.median : 0.0) << "\n";
    if (options.limit) {
        std::cout << "\nlimit: each view drawn in turns with constant-colour fragment shaders, "
                  << r.limitTurns << " passes over the run\n";
        for (const auto& [name, values] :
             {std::pair{"whole frame, shaders", &r.limit.ours},
              std::pair{"whole frame, constant colour", &r.limit.theirs}}) {
            const Summary s = summarise(*values);
            std::cout << std::left << std::setw(33) << name << std::right << std::setw(9)
                      << s.median << std::setw(9) << s.min << std::setw(9) << s.max << "\n";
        }
        std::cout << "shaders / limit, median over the views and turns: " << std::setprecision(3)
                  << medianRatio(r.limit, Ratio::OursToTheirs, samples.time, 0.0, 1e9) << "\n"
                  << std::setprecision(2);
    }

    std::cout << "\nstart-up, ms\n" << std::setprecision(1);
    for (const auto& [name, milliseconds] : r.phases) {
        std::cout << "  " << std::left << std::setw(52) << name << std::right << std::setw(8)
                  << milliseconds << "\n";
    }
    std::cout << "  " << std::left << std::setw(52) << "total set-up" << std::right << std::setw(8)
              << r.startupTotal << "\n";
    if (options.against.empty()) {
        return;
    }
    std::cout << "\nagainst " << options.against << ": each view drawn with both, in turns\n";
    if (!r.againstStreet.empty()) {
        std::cout << "(theirs with the street of " << r.againstStreet << ")\n";
    }
    std::cout << std::setprecision(2);
    for (const auto& [name, values] : {std::pair{"whole frame, shader/", &r.against.ours},
                                       std::pair{"whole frame, theirs", &r.against.theirs}}) {
        const Summary s = summarise(*values);
        std::cout << std::left << std::setw(33) << name << std::right << std::setw(9) << s.median
                  << std::setw(9) << s.min << std::setw(9) << s.max << "\n";
    }
    std::cout << "theirs / shader/, frame by frame: " << std::setprecision(3)
              << medianRatio(r.against, Ratio::TheirsToOurs, samples.time, 0.0, 1e9) << "\n";
    if (!options.againstPasses) {
        return;
    }
    std::cout << "theirs / shader/, each pass finished on its own:\n";
    for (int pass = 0; pass < render::kPassCount; ++pass) {
        std::cout << "  " << std::left << std::setw(31) << kPassNames[pass] << std::right
                  << std::setw(9) << medianPassRatio(r.against, pass, samples.time) << "\n";
    }
}

}  // namespace tandril::bench
