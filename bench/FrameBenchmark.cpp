// Measures start-up phase by phase and the frames of the whole run with a
// fixed time step (the 31 s camera path and ten seconds at rest after it):
// the whole frame by percentiles, over the run and for each stretch of the
// path; each pass on the GPU timer and finished on its own; the CPU time of
// the program's own code; and two floors: a frame that only clears and
// presents, and the limit, every view drawn in turns with the real shaders
// and with constant-colour fragment shaders (the same passes, state,
// geometry and draw calls), which no choice of shading can go below. With
// --against DIR a further series draws every view with the repository's
// shaders and with DIR's in turns, so two versions of the shaders are
// compared on the same machine state.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "assets/ShaderProgram.h"
#include "base/LoadPhaseTimer.h"
#include "base/WindowGlobals.h"
#include "render/FramePasses.h"
#include "scene/ProgramTable.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneSetup.h"
#include "tools/common/FixedStep.h"
#include "tools/common/OptionNumbers.h"
#include "tools/common/SceneState.h"
#include "tools/common/ToolWindow.h"

namespace {

using namespace tandril;
using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Time spent inside the driver's draw calls during the current frame. The
// benchmark defines the two draw entry points itself (below), so the scene
// code linked into it calls these, and they forward to the driver's.
double drawCallMilliseconds = 0.0;

template <typename Function>
Function driverEntry(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    static const auto real =
        driverEntry<void (*)(GLenum, GLsizei, GLenum, const void*)>("glDrawElements");
    const Clock::time_point start = Clock::now();
    real(mode, count, type, indices);
    drawCallMilliseconds += millisecondsSince(start);
}

extern "C" void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    static const auto real = driverEntry<void (*)(GLenum, GLint, GLsizei)>("glDrawArrays");
    const Clock::time_point start = Clock::now();
    real(mode, first, count);
    drawCallMilliseconds += millisecondsSince(start);
}

namespace {

using tools::kTimeStep;
// Where the camera and the moving cars are, so a series can be repeated.
using tools::SceneState;
constexpr std::array<const char*, render::kPassCount> kPassNames = {"base", "reflections and sky",
                                                                    "shadow volumes", "lighting"};
// The camera path's 31 s and ten seconds at rest after it.
constexpr int kRunFrames = 41 * 30;

// Stretches of the run: the rows of the camera path's table, and the rest.
struct Stretch {
    const char* name;
    double from;
    double to;
};
constexpr std::array<Stretch, 8> kStretches = {{{"0-2 s, standing", 0, 2},
                                                {"2-6 s, sideways", 2, 6},
                                                {"6-12 s, back and down", 6, 12},
                                                {"12-15 s, standing", 12, 15},
                                                {"15-18 s, diagonally", 15, 18},
                                                {"18-23 s, down the street", 18, 23},
                                                {"23-31 s, rising", 23, 31},
                                                {"31-41 s, at rest", 31, 1e9}}};

struct Options {
    tools::Size size{1200, 1200};
    int frames = kRunFrames;
    int firstFrame = 0;  // frames of the run skipped before the series
    int warmup = 30;
    bool json = false;
    bool limit = true;
    std::string against;  // a directory of shader files to compare with, or empty
};

struct Summary {
    double median = 0.0;
    double min = 0.0;
    double max = 0.0;
    double p95 = 0.0;
    double p99 = 0.0;
};

// The sample below which `share` of them lie (nearest rank).
double percentile(const std::vector<double>& sorted, double share) {
    const auto rank =
        static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

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

// One GL_TIME_ELAPSED query per pass; read after the frame has finished.
class PassTimer : public render::PassObserver {
  public:
    PassTimer() { glGenQueries(render::kPassCount, m_queries.data()); }
    ~PassTimer() override { glDeleteQueries(render::kPassCount, m_queries.data()); }
    void begin(render::Pass pass) override {
        glBeginQuery(GL_TIME_ELAPSED, m_queries[static_cast<int>(pass)]);
    }
    void end(render::Pass) override { glEndQuery(GL_TIME_ELAPSED); }
    double milliseconds(int pass) const {
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(m_queries[pass], GL_QUERY_RESULT, &nanoseconds);
        return static_cast<double>(nanoseconds) / 1.0e6;
    }

  private:
    std::array<GLuint, render::kPassCount> m_queries{};
};

// The software driver defers rasterisation to the end of the frame, where its
// timer queries cannot tell the passes apart. This series finishes the GL
// work before and after each pass and takes the wall time in between.
class FinishingPassTimer : public render::PassObserver {
  public:
    void begin(render::Pass) override {
        glFinish();
        m_start = Clock::now();
    }
    void end(render::Pass pass) override {
        glFinish();
        m_milliseconds[static_cast<int>(pass)] = millisecondsSince(m_start);
    }
    double milliseconds(int pass) const { return m_milliseconds[pass]; }

  private:
    Clock::time_point m_start;
    std::array<double, render::kPassCount> m_milliseconds{};
};

struct Samples {
    std::vector<double> time;  // of the run, at each frame
    std::vector<double> frame, updates, issue, drawCalls, ownCode, floor;
    std::array<std::vector<double>, render::kPassCount> passes, finishedPasses;
};

// The samples of the frames whose time lies in [from, to).
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

void measureFrames(const Options& options, Samples& samples) {
    PassTimer timer;
    for (int i = 0; i < options.frames; ++i) {
        Clock::time_point start = Clock::now();
        tools::advanceSceneWithoutInput(kTimeStep);
        const double updates = millisecondsSince(start);

        drawCallMilliseconds = 0.0;
        start = Clock::now();
        render::renderFrame(&timer);
        const double issue = millisecondsSince(start);
        const double drawCalls = drawCallMilliseconds;
        glfwSwapBuffers(base::window);
        glFinish();
        const double frame = millisecondsSince(start);

        // The floor, interleaved so that both see the same machine state.
        start = Clock::now();
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glfwSwapBuffers(base::window);
        glFinish();
        const double floor = millisecondsSince(start);
        glfwPollEvents();

        if (glGetError() != GL_NO_ERROR) {
            std::cerr << "tandril_benchmark: OpenGL error in frame " << i << "\n";
        }
        samples.time.push_back((options.firstFrame + i + 1) * static_cast<double>(kTimeStep));
        samples.frame.push_back(frame);
        samples.updates.push_back(updates);
        samples.issue.push_back(issue);
        samples.drawCalls.push_back(drawCalls);
        samples.ownCode.push_back(updates + issue - drawCalls);
        samples.floor.push_back(floor);
        for (int pass = 0; pass < render::kPassCount; ++pass) {
            samples.passes[pass].push_back(timer.milliseconds(pass));
        }
    }
}

// A second series over the same views as the first.
void measureFinishedPasses(const Options& options, Samples& samples) {
    FinishingPassTimer timer;
    for (int i = 0; i < options.frames; ++i) {
        tools::advanceSceneWithoutInput(kTimeStep);
        render::renderFrame(&timer);
        glfwSwapBuffers(base::window);
        glfwPollEvents();
        for (int pass = 0; pass < render::kPassCount; ++pass) {
            samples.finishedPasses[pass].push_back(timer.milliseconds(pass));
        }
    }
}

// The programs that the passes draw with, as the program table lists them
// (null for the others, which stay as set-up made them).
struct DrawnPrograms {
    std::array<assets::ShaderProgram*, scene::kProgramCount> programs{};

    static DrawnPrograms installed() {
        DrawnPrograms drawn;
        for (int i = 0; i < scene::kProgramCount; ++i) {
            if (scene::kPrograms[i].drawn) {
                drawn.programs[i] = scene::kPrograms[i].installed();
            }
        }
        return drawn;
    }
    static DrawnPrograms load(const std::string& dir) {
        DrawnPrograms drawn;
        for (int i = 0; i < scene::kProgramCount; ++i) {
            if (scene::kPrograms[i].drawn) {
                drawn.programs[i] = scene::kPrograms[i].load(dir);
            }
        }
        return drawn;
    }
    void install() const {
        for (int i = 0; i < scene::kProgramCount; ++i) {
            if (programs[i] != nullptr) {
                scene::kPrograms[i].install(programs[i]);
            }
        }
    }
    void destroy() {
        for (int i = 0; i < scene::kProgramCount; ++i) {
            if (programs[i] != nullptr) {
                scene::kPrograms[i].destroy(programs[i]);
                programs[i] = nullptr;
            }
        }
    }
};

// The first of DIR's shader files that cannot be read, or empty.
std::string unreadableShaderFile(const std::string& dir) {
    for (const scene::ProgramEntry& program : scene::kPrograms) {
        if (!program.drawn) {
            continue;
        }
        for (const std::string& name : program.stageFiles()) {
            const std::string path = dir + "/" + name;
            if (!std::filesystem::is_regular_file(path) || !std::ifstream(path)) {
                return path;
            }
        }
    }
    return {};
}

// The drawn programs' stages, with every fragment stage replaced by one that
// writes a constant colour, in a fresh directory (removed on destruction).
class ConstantColourShaders {
  public:
    ConstantColourShaders() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tandril-limit-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            return;
        }
        m_dir = pattern;
        for (const scene::ProgramEntry& program : scene::kPrograms) {
            for (const std::string& name :
                 program.drawn ? program.stageFiles() : std::vector<std::string>{}) {
                const std::filesystem::path file(name);
                std::ofstream out(m_dir / file);
                if (file.extension() == ".frag") {
                    out << "#version 330 core\nout vec4 fragColor;\n"
                           "void main() { fragColor = vec4(0.5, 0.5, 0.5, 1.0); }\n";
                } else {
                    out << std::ifstream(std::filesystem::path("shader") / file).rdbuf();
                }
            }
        }
    }
    ~ConstantColourShaders() {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    ConstantColourShaders(const ConstantColourShaders&) = delete;
    ConstantColourShaders& operator=(const ConstantColourShaders&) = delete;
    // Empty when the directory could not be made.
    std::string dir() const { return m_dir.string(); }

  private:
    std::filesystem::path m_dir;
};

struct Comparison {
    std::vector<double> ours, theirs, ratios;
};

// A series over the same views: each view drawn with both sets of programs,
// the order changing from frame to frame, so that drift in the machine's
// speed falls on both alike.
void measureAgainst(const Options& options, const DrawnPrograms& theirs, Comparison& comparison) {
    const DrawnPrograms ours = DrawnPrograms::installed();
    for (int i = 0; i < options.frames; ++i) {
        tools::advanceSceneWithoutInput(kTimeStep);
        double milliseconds[2] = {0.0, 0.0};
        for (int turn = 0; turn < 2; ++turn) {
            const int which = (i + turn) % 2;
            (which == 0 ? ours : theirs).install();
            const Clock::time_point start = Clock::now();
            render::renderFrame();
            glfwSwapBuffers(base::window);
            glFinish();
            milliseconds[which] = millisecondsSince(start);
        }
        glfwPollEvents();
        comparison.ours.push_back(milliseconds[0]);
        comparison.theirs.push_back(milliseconds[1]);
        comparison.ratios.push_back(milliseconds[1] / milliseconds[0]);
    }
    ours.install();
}

// Start-up phases grouped by what they load, in the order they first ran.
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

// What the report shows: the series and what they come to.
struct Results {
    Samples samples;
    std::vector<std::pair<std::string, double>> phases;
    double startupTotal = 0.0;
    Comparison limit;    // ours: the real shaders; theirs: constant colour
    Comparison against;  // ours: shader/; theirs: the other directory
};

// Median of ours / theirs over the frames whose time lies in [from, to).
double medianRatio(const Comparison& c, const std::vector<double>& times, double from, double to) {
    std::vector<double> ratios;
    for (double r : within(c.ratios, times, from, to)) {
        ratios.push_back(1.0 / r);
    }
    return summarise(ratios).median;
}

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
                      << medianRatio(r.limit, samples.time, stretch.from, stretch.to);
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
                  << ", \"frame_to_limit\": " << std::setprecision(3)
                  << medianRatio(r.limit, samples.time, 0.0, 1e9) << "}";
    }
    if (!options.against.empty()) {
        std::cout << ",\n  \"against\": {\"dir\": " << jsonString(options.against)
                  << ", \"frame_ms\": " << jsonSummary(summarise(r.against.ours))
                  << ", \"their_frame_ms\": " << jsonSummary(summarise(r.against.theirs))
                  << ", \"their_to_our_frame\": " << std::setprecision(3)
                  << summarise(r.against.ratios).median << "}";
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
            std::cout << std::setw(10) << medianRatio(r.limit, samples.time, from, to);
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
        std::cout << "\nlimit: each view drawn in turns with constant-colour fragment shaders\n";
        for (const auto& [name, values] :
             {std::pair{"whole frame, shaders", &r.limit.ours},
              std::pair{"whole frame, constant colour", &r.limit.theirs}}) {
            const Summary s = summarise(*values);
            std::cout << std::left << std::setw(33) << name << std::right << std::setw(9)
                      << s.median << std::setw(9) << s.min << std::setw(9) << s.max << "\n";
        }
        std::cout << "shaders / limit, frame by frame: " << std::setprecision(3)
                  << medianRatio(r.limit, samples.time, 0.0, 1e9) << "\n"
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
    std::cout << "\nagainst " << options.against << ": each view drawn with both, in turns\n"
              << std::setprecision(2);
    for (const auto& [name, values] : {std::pair{"whole frame, shader/", &r.against.ours},
                                       std::pair{"whole frame, theirs", &r.against.theirs}}) {
        const Summary s = summarise(*values);
        std::cout << std::left << std::setw(33) << name << std::right << std::setw(9) << s.median
                  << std::setw(9) << s.min << std::setw(9) << s.max << "\n";
    }
    std::cout << "theirs / shader/, frame by frame: " << std::setprecision(3)
              << summarise(r.against.ratios).median << "\n";
}

int usage(const std::string& problem) {
    std::cerr
        << "tandril_benchmark: " << problem << "\n"
        << "usage: tandril_benchmark [--size WxH] [--frames N] [--warmup N] [--json]\n"
        << "                         [--against DIR]   (DIR's shader files against shader/)\n"
        << "                         [--no-limit]      (skip the constant-colour series)\n"
        << "                         [--from SECONDS]  (start the series that far into the run)\n"
        << "--frames N measures N frames of the run (default: all 1230, 41 s).\n"
        << "Run from the repository root (it reads shader/, objects/, textures/).\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool hasValue = i + 1 < argc;
        if (flag == "--size" && hasValue) {
            if (!tools::storeParsed(tools::parseSize(argv[++i]), options.size)) {
                return usage("--size wants WIDTHxHEIGHT, e.g. 800x600");
            }
        } else if (flag == "--frames" && hasValue) {
            if (!tools::storeParsed(tools::parseWholeNumber(argv[++i], 1, 100000),
                                    options.frames)) {
                return usage("--frames wants a positive count");
            }
        } else if (flag == "--warmup" && hasValue) {
            if (!tools::storeParsed(tools::parseWholeNumber(argv[++i], 0, 100000),
                                    options.warmup)) {
                return usage("--warmup wants a count");
            }
        } else if (flag == "--from" && hasValue) {
            const std::optional<double> seconds = tools::parseNumber(argv[++i], 0.0, 3600.0);
            if (!seconds) {
                return usage("--from wants seconds from 0 to 3600");
            }
            options.firstFrame = static_cast<int>(std::lround(*seconds / kTimeStep));
        } else if (flag == "--json") {
            options.json = true;
        } else if (flag == "--no-limit") {
            options.limit = false;
        } else if (flag == "--against" && hasValue) {
            options.against = argv[++i];
            if (const std::string path = unreadableShaderFile(options.against); !path.empty()) {
                return usage("--against: cannot read " + path);
            }
        } else {
            return usage("unknown or incomplete option '" + flag + "'");
        }
    }

    if (const std::string error = tools::openToolWindow(options.size.width, options.size.height);
        !error.empty()) {
        std::cerr << "tandril_benchmark: " << error << "\n";
        return 1;
    }
    // Presenting must not wait for a display refresh.
    glfwSwapInterval(0);

    base::PhaseRecorder recorder;
    base::phaseRecorder = &recorder;
    // The set-up's own console lines would mix with the report.
    std::streambuf* console = std::cout.rdbuf(nullptr);
    const Clock::time_point setupStart = Clock::now();
    scene::setupScene();
    const double startupTotal = millisecondsSince(setupStart);
    std::cout.rdbuf(console);
    base::phaseRecorder = nullptr;

    Results results;
    results.phases = groupPhases(recorder);
    results.startupTotal = startupTotal;
    // Warm-up: the first view, drawn until the driver has built what it
    // builds on first use; the run's time does not move.
    tools::advanceSceneWithoutInput(0.0f);
    for (int i = 0; i < options.firstFrame; ++i) {
        tools::advanceSceneWithoutInput(kTimeStep);
    }
    for (int i = 0; i < options.warmup; ++i) {
        render::renderFrame();
        glfwSwapBuffers(base::window);
        glFinish();
    }
    // Every series draws the same views, from the start of the run on.
    const SceneState start = SceneState::save();
    measureFrames(options, results.samples);
    start.restore();
    measureFinishedPasses(options, results.samples);
    if (options.limit) {
        const ConstantColourShaders constant;
        if (constant.dir().empty()) {
            std::cerr << "tandril_benchmark: cannot make a directory for the limit's shaders\n";
            return 1;
        }
        DrawnPrograms limit = DrawnPrograms::load(constant.dir());
        start.restore();
        measureAgainst(options, limit, results.limit);
        limit.destroy();
    }
    if (!options.against.empty()) {
        DrawnPrograms theirs = DrawnPrograms::load(options.against);
        start.restore();
        measureAgainst(options, theirs, results.against);
        theirs.destroy();
    }
    if (options.json) {
        reportJson(options, results);
    } else {
        reportText(options, results);
    }

    glfwDestroyWindow(base::window);
    glfwTerminate();
    return 0;
}
