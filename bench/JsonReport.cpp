#include "bench/Report.h"

#include <iomanip>
#include <iostream>
#include <sstream>

#include <GL/glew.h>

#include "bench/Statistics.h"

namespace tandril::bench {
namespace {

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string jsonSummary(const Summary& s) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(3) << "{\"median\": " << s.median
        << ", \"p95\": " << s.p95 << ", \"p99\": " << s.p99 << ", \"min\": " << s.min
        << ", \"max\": " << s.max << "}";
    return out.str();
}

std::string jsonArray(const std::vector<double>& values) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(3) << "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        out << (i ? ", " : "") << values[i];
    }
    return out.str() + "]";
}

}  // namespace

void reportJson(const Options& options, const Results& r) {
    const Samples& samples = r.samples;
    const Summary frame = summarise(samples.frame);
    const Summary floor = summarise(samples.floor);
    std::cout << "{\n  \"size\": [" << options.size.width << ", " << options.size.height
              << "],\n  \"frames\": " << samples.frame.size() << ",\n  \"renderer\": "
              << jsonString(reinterpret_cast<const char*>(glGetString(GL_RENDERER)))
              << ",\n  \"frame_ms\": " << jsonSummary(frame) << ",\n  \"stretches\": [";
    for (std::size_t k = 0; k < kStretches.size(); ++k) {
        const Stretch& stretch = kStretches[k];
        std::cout << (k ? ",\n    " : "\n    ") << "{\"name\": " << jsonString(stretch.name)
                  << ", \"frame_ms\": "
                  << jsonSummary(
                         summarise(within(samples.frame, samples.time, stretch.from, stretch.to)));
        if (options.limit) {
            std::cout << ", \"frame_to_limit\": " << std::fixed << std::setprecision(3)
                      << medianRatio(r.limit, Ratio::OursToTheirs, samples.time, stretch.from,
                                     stretch.to);
        }
        std::cout << "}";
    }
    std::cout << "],\n  \"passes_ms\": {";
    for (int pass = 0; pass < render::kPassCount; ++pass) {
        std::cout << (pass ? ", " : "") << jsonString(kPassNames[pass]) << ": "
                  << jsonSummary(summarise(samples.passes[pass]));
    }
    std::cout << "},\n  \"finished_passes_ms\": {";
    for (int pass = 0; pass < render::kPassCount; ++pass) {
        std::cout << (pass ? ", " : "") << jsonString(kPassNames[pass]) << ": "
                  << jsonSummary(summarise(samples.finishedPasses[pass]));
    }
    std::cout << "},\n  \"updates_ms\": " << jsonSummary(summarise(samples.updates))
              << ",\n  \"issue_ms\": " << jsonSummary(summarise(samples.issue))
              << ",\n  \"draw_calls_ms\": " << jsonSummary(summarise(samples.drawCalls))
              << ",\n  \"own_code_ms\": " << jsonSummary(summarise(samples.ownCode))
              << ",\n  \"floor_ms\": " << jsonSummary(floor)
              << ",\n  \"frame_to_floor\": " << std::fixed << std::setprecision(2)
              << (floor.median > 0.0 ? frame.median / floor.median : 0.0)
              << ",\n  \"startup_ms\": {";
    for (const auto& [name, milliseconds] : r.phases) {
        std::cout << jsonString(name) << ": " << std::setprecision(1) << milliseconds << ", ";
    }
    std::cout << "\"total\": " << r.startupTotal << "}";
    if (options.limit) {
        std::cout << ",\n  \"limit\": {\"frame_ms\": " << jsonSummary(summarise(r.limit.ours))
                  << ", \"limit_frame_ms\": " << jsonSummary(summarise(r.limit.theirs))
                  << ", \"turns\": " << r.limitTurns
                  << ", \"frame_to_limit\": " << std::setprecision(3)
                  << medianRatio(r.limit, Ratio::OursToTheirs, samples.time, 0.0, 1e9) << "}";
    }
    if (!options.against.empty()) {
        std::cout << ",\n  \"against\": {\"dir\": " << jsonString(options.against)
                  << ", \"frame_ms\": " << jsonSummary(summarise(r.against.ours))
                  << ", \"their_frame_ms\": " << jsonSummary(summarise(r.against.theirs))
                  << ", \"their_to_our_frame\": " << std::setprecision(3)
                  << medianRatio(r.against, Ratio::TheirsToOurs, samples.time, 0.0, 1e9)
                  << ", \"their_street\": " << jsonString(r.againstStreet);
        if (options.againstPasses) {
            std::cout << ", \"their_to_our_pass\": {";
            for (int pass = 0; pass < render::kPassCount; ++pass) {
                std::cout << (pass ? ", " : "") << jsonString(kPassNames[pass]) << ": "
                          << medianPassRatio(r.against, pass, samples.time);
            }
            std::cout << "}";
        }
        std::cout << "}";
    }
    // Frame by frame, for plotting.
    std::cout << ",\n  \"series\": {\"time_s\": " << jsonArray(samples.time)
              << ",\n    \"frame_ms\": " << jsonArray(samples.frame);
    for (int pass = 0; pass < render::kPassCount; ++pass) {
        std::cout << ",\n    " << jsonString(std::string("finished ") + kPassNames[pass]) << ": "
                  << jsonArray(samples.finishedPasses[pass]);
    }
    if (options.limit) {
        std::cout << ",\n    \"limit_ms\": " << jsonArray(r.limit.theirs);
    }
    std::cout << "}\n}\n";
}

}  // namespace tandril::bench
