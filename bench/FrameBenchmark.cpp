// Measures start-up phase by phase and frames of the real scene with a fixed
// time step: the whole frame, each pass on the GPU timer, the CPU time of the
// program's own code, and a floor frame that only clears and presents. With
// --against DIR it also draws every view of a further series twice, with the
// repository's shaders and with DIR's, so that two versions of the shaders
// are compared on the same machine state.
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
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

#include "app/AppGlobals.h"
#include "assets/ShaderProgram.h"
#include "base/LoadPhaseTimer.h"
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

struct Options {
    int width = 1200;
    int height = 1200;
    int frames = 150;
    int warmup = 30;
    bool json = false;
    std::string against;  // a directory of shader files to compare with, or empty
};

struct Summary {
    double median = 0.0;
    double min = 0.0;
    double max = 0.0;
};

Summary summarise(std::vector<double> samples) {
    if (samples.empty()) {
        return {};
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    const double median = n % 2 == 1 ? samples[n / 2] : 0.5 * (samples[n / 2 - 1] + samples[n / 2]);
    return {median, samples.front(), samples.back()};
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
    std::vector<double> frame, updates, issue, drawCalls, ownCode, floor;
    std::array<std::vector<double>, render::kPassCount> passes, finishedPasses;
};

void measureFrames(const Options& options, Samples& samples) {
    PassTimer timer;
    for (int i = 0; i < options.warmup + options.frames; ++i) {
        const bool counted = i >= options.warmup;

        Clock::time_point start = Clock::now();
        tools::advanceSceneWithoutInput(kTimeStep);
        const double updates = millisecondsSince(start);

        drawCallMilliseconds = 0.0;
        start = Clock::now();
        render::renderFrame(&timer);
        const double issue = millisecondsSince(start);
        const double drawCalls = drawCallMilliseconds;
        glfwSwapBuffers(app::window);
        glFinish();
        const double frame = millisecondsSince(start);

        // The floor, interleaved so that both see the same machine state.
        start = Clock::now();
        glDepthMask(GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glfwSwapBuffers(app::window);
        glFinish();
        const double floor = millisecondsSince(start);
        glfwPollEvents();

        if (glGetError() != GL_NO_ERROR) {
            std::cerr << "tandril_benchmark: OpenGL error in frame " << i << "\n";
        }
        if (!counted) {
            continue;
        }
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
        glfwSwapBuffers(app::window);
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

struct Comparison {
    std::vector<double> ours, theirs, ratios;
};

// A third series over the same views: each view drawn with both sets of
// programs, the order changing from frame to frame, so that drift in the
// machine's speed falls on both alike.
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
            glfwSwapBuffers(app::window);
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
        << ", \"min\": " << s.min << ", \"max\": " << s.max << "}";
    return out.str();
}

void report(const Options& options, const Samples& samples,
            const std::vector<std::pair<std::string, double>>& phases, double startupTotal,
            const Comparison& comparison) {
    const Summary ours = summarise(comparison.ours);
    const Summary theirs = summarise(comparison.theirs);
    const double theirsToOurs = summarise(comparison.ratios).median;
    const Summary frame = summarise(samples.frame);
    const Summary floor = summarise(samples.floor);
    const double ratio = floor.median > 0.0 ? frame.median / floor.median : 0.0;
    const std::vector<std::pair<std::string, Summary>> rows = {
        {"whole frame", frame},
        {"  GPU timer: base", summarise(samples.passes[0])},
        {"  GPU timer: reflections, sky", summarise(samples.passes[1])},
        {"  GPU timer: shadow volumes", summarise(samples.passes[2])},
        {"  GPU timer: lighting", summarise(samples.passes[3])},
        {"updates (CPU)", summarise(samples.updates)},
        {"issuing the passes (CPU)", summarise(samples.issue)},
        {"  inside draw calls", summarise(samples.drawCalls)},
        {"own code (CPU)", summarise(samples.ownCode)},
        {"floor frame", floor},
        {"finished pass: base", summarise(samples.finishedPasses[0])},
        {"finished pass: reflections, sky", summarise(samples.finishedPasses[1])},
        {"finished pass: shadow volumes", summarise(samples.finishedPasses[2])},
        {"finished pass: lighting", summarise(samples.finishedPasses[3])},
    };

    if (options.json) {
        std::cout << "{\n  \"size\": [" << options.width << ", " << options.height
                  << "],\n  \"frames\": " << samples.frame.size() << ",\n  \"renderer\": "
                  << jsonString(reinterpret_cast<const char*>(glGetString(GL_RENDERER)))
                  << ",\n  \"frame_ms\": " << jsonSummary(frame) << ",\n  \"passes_ms\": {";
        for (int pass = 0; pass < render::kPassCount; ++pass) {
            std::cout << (pass ? ", " : "") << jsonString(kPassNames[pass]) << ": "
                      << jsonSummary(summarise(samples.passes[pass]));
        }
        std::cout << "},\n  \"finished_passes_ms\": {";
        for (int pass = 0; pass < render::kPassCount; ++pass) {
            std::cout << (pass ? ", " : "") << jsonString(kPassNames[pass]) << ": "
                      << jsonSummary(summarise(samples.finishedPasses[pass]));
        }
        std::cout << "},\n  \"updates_ms\": " << jsonSummary(rows[5].second)
                  << ",\n  \"issue_ms\": " << jsonSummary(rows[6].second)
                  << ",\n  \"draw_calls_ms\": " << jsonSummary(rows[7].second)
                  << ",\n  \"own_code_ms\": " << jsonSummary(rows[8].second)
                  << ",\n  \"floor_ms\": " << jsonSummary(floor)
                  << ",\n  \"frame_to_floor\": " << std::fixed << std::setprecision(2) << ratio
                  << ",\n  \"startup_ms\": {";
        for (const auto& [name, milliseconds] : phases) {
            std::cout << jsonString(name) << ": " << std::setprecision(1) << milliseconds << ", ";
        }
        std::cout << "\"total\": " << startupTotal << "}";
        if (!options.against.empty()) {
            std::cout << ",\n  \"against\": {\"dir\": " << jsonString(options.against)
                      << ", \"frame_ms\": " << jsonSummary(ours)
                      << ", \"their_frame_ms\": " << jsonSummary(theirs)
                      << ", \"their_to_our_frame\": " << std::setprecision(3) << theirsToOurs
                      << "}";
        }
        std::cout << "\n}\n";
        return;
    }

    std::cout << "tandril benchmark: " << options.width << "x" << options.height << ", "
              << samples.frame.size() << " frames after " << options.warmup
              << " warm-up, fixed step 1/30 s\nrenderer: " << glGetString(GL_RENDERER) << "\n\n"
              << std::left << std::setw(33) << "ms" << std::right << std::setw(9) << "median"
              << std::setw(9) << "min" << std::setw(9) << "max"
              << "\n";
    std::cout << std::fixed << std::setprecision(2);
    for (const auto& [name, s] : rows) {
        std::cout << std::left << std::setw(33) << name << std::right << std::setw(9) << s.median
                  << std::setw(9) << s.min << std::setw(9) << s.max << "\n";
    }
    std::cout << "whole frame / floor frame: " << ratio << "\n\nstart-up, ms\n"
              << std::setprecision(1);
    for (const auto& [name, milliseconds] : phases) {
        std::cout << "  " << std::left << std::setw(52) << name << std::right << std::setw(8)
                  << milliseconds << "\n";
    }
    std::cout << "  " << std::left << std::setw(52) << "total set-up" << std::right << std::setw(8)
              << startupTotal << "\n";
    if (options.against.empty()) {
        return;
    }
    std::cout << "\nagainst " << options.against << ": each view drawn with both, in turns\n"
              << std::setprecision(2);
    for (const auto& [name, s] :
         {std::pair{"whole frame, shader/", ours}, std::pair{"whole frame, theirs", theirs}}) {
        std::cout << std::left << std::setw(33) << name << std::right << std::setw(9) << s.median
                  << std::setw(9) << s.min << std::setw(9) << s.max << "\n";
    }
    std::cout << "theirs / shader/, frame by frame: " << std::setprecision(3) << theirsToOurs
              << "\n";
}

int usage(const std::string& problem) {
    std::cerr << "tandril_benchmark: " << problem << "\n"
              << "usage: tandril_benchmark [--size WxH] [--frames N] [--warmup N] [--json]\n"
              << "                         [--against DIR]   (DIR's shader files against shader/)\n"
              << "Run from the repository root (it reads shader/, objects/, textures/).\n";
    return 2;
}

bool parseCount(const char* text, int minimum, int& value) {
    const std::optional<int> count = tools::parseWholeNumber(text, minimum, 100000);
    value = count.value_or(value);
    return count.has_value();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool hasValue = i + 1 < argc;
        if (flag == "--size" && hasValue) {
            const auto size = tools::parseSize(argv[++i]);
            if (!size) {
                return usage("--size wants WIDTHxHEIGHT, e.g. 800x600");
            }
            options.width = size->width;
            options.height = size->height;
        } else if (flag == "--frames" && hasValue) {
            if (!parseCount(argv[++i], 1, options.frames)) {
                return usage("--frames wants a positive count");
            }
        } else if (flag == "--warmup" && hasValue) {
            if (!parseCount(argv[++i], 0, options.warmup)) {
                return usage("--warmup wants a count");
            }
        } else if (flag == "--json") {
            options.json = true;
        } else if (flag == "--against" && hasValue) {
            options.against = argv[++i];
            if (const std::string path = unreadableShaderFile(options.against); !path.empty()) {
                return usage("--against: cannot read " + path);
            }
        } else {
            return usage("unknown or incomplete option '" + flag + "'");
        }
    }

    if (const std::string error = tools::openToolWindow(options.width, options.height);
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

    Samples samples;
    // Both series start after the warm-up frames.
    for (int i = 0; i < options.warmup; ++i) {
        tools::advanceSceneWithoutInput(kTimeStep);
    }
    const SceneState start = SceneState::save();
    Options measured = options;
    measured.warmup = 0;
    measureFrames(measured, samples);
    start.restore();
    measureFinishedPasses(options, samples);
    Comparison comparison;
    if (!options.against.empty()) {
        DrawnPrograms theirs = DrawnPrograms::load(options.against);
        start.restore();
        measureAgainst(options, theirs, comparison);
        theirs.destroy();
    }
    report(options, samples, groupPhases(recorder), startupTotal, comparison);

    glfwDestroyWindow(app::window);
    glfwTerminate();
    return 0;
}
