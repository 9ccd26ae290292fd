// Measures start-up phase by phase and the frames of the whole run with a
// fixed time step (the 31 s camera path and ten seconds at rest after it):
// the whole frame by percentiles, over the run and for each stretch of the
// path; each pass on the GPU timer and finished on its own; the CPU time of
// the program's own code; and two floors: a frame that only clears and
// presents, and the limit, every view drawn in turns with the real shaders
// and with constant-colour fragment shaders (the same passes, state,
// geometry and draw calls), which no choice of shading can go below. With
// --against DIR a further series draws every view with the repository's
// shaders and with DIR's in turns (and with the street's model beside DIR,
// where there is one), so two versions are compared on the same machine state.
#include <iostream>
#include <streambuf>
#include <variant>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "base/LoadPhaseTimer.h"
#include "base/WindowGlobals.h"
#include "bench/BenchmarkOptions.h"
#include "bench/Clock.h"
#include "bench/Report.h"
#include "bench/Series.h"
#include "bench/ShaderSets.h"
#include "render/FramePasses.h"
#include "scene/SceneSetup.h"
#include "tools/common/FixedStep.h"
#include "tools/common/SceneState.h"
#include "tools/common/ToolWindow.h"

using namespace tandril;
using namespace tandril::bench;
using tools::kTimeStep;
// Where the camera and the moving cars are, so a series can be repeated.
using tools::SceneState;

namespace {

// The limit's frames are short and much unlike the real ones, so the load
// that other programs put on the machine moves the two differently, and it
// changes within minutes: one pass's ratio differs from the next pass's by
// up to a tenth. Four passes, their ratios taken together, average over that
// (measured run to run in the README); the quickest of three turns in a row
// did not, as the short limit frames reach their floor more often.
constexpr int kLimitTurns = 4;
// Two versions of the same shaders are alike: one turn repeats to a percent.
constexpr int kAgainstTurns = 1;

}  // namespace

int main(int argc, char** argv) {
    const std::variant<Options, int> parsed = parseOptions(argc, argv);
    if (const int* exitCode = std::get_if<int>(&parsed)) {
        return *exitCode;
    }
    const Options& options = std::get<Options>(parsed);

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
        results.limitTurns = kLimitTurns;
        measureAgainst(options, limit, kLimitTurns, start, results.limit);
        limit.destroy();
    }
    if (!options.against.empty()) {
        DrawnPrograms theirs = DrawnPrograms::load(options.against);
        TheirStreet street(options.against);
        results.againstStreet = street.modelPath();
        measureAgainst(options, theirs, kAgainstTurns, start, results.against, &street,
                       options.againstPasses);
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
