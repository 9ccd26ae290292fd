#include "bench/Series.h"

#include <iostream>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "base/WindowGlobals.h"
#include "bench/Clock.h"
#include "bench/DrawCallTiming.h"
#include "bench/ShaderSets.h"
#include "bench/Statistics.h"
#include "tools/common/FixedStep.h"
#include "tools/common/SceneState.h"

namespace tandril::bench {
namespace {

using tools::kTimeStep;

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

}  // namespace

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

void measureAgainst(const Options& options, const DrawnPrograms& theirs, int turns,
                    const tools::SceneState& start, Comparison& comparison, TheirStreet* street,
                    bool byPass) {
    const DrawnPrograms ours = DrawnPrograms::installed();
    const auto views = static_cast<std::size_t>(options.frames);
    std::vector<std::array<std::vector<double>, 2>> milliseconds(views);
    comparison.ratios.assign(views, {});
    FinishingPassTimer passTimer;
    if (byPass) {
        comparison.passRatios.fill(std::vector<std::vector<double>>(views));
    }
    // A turn is a pass over the whole run, so that each view's turns meet
    // the machine's load, which changes over minutes, at different moments.
    for (int turn = 0; turn < turns; ++turn) {
        start.restore();
        for (std::size_t i = 0; i < views; ++i) {
            tools::advanceSceneWithoutInput(kTimeStep);
            double drawn[2] = {0.0, 0.0};
            std::array<double, render::kPassCount> passes[2] = {};
            for (std::size_t draw = 0; draw < 2; ++draw) {
                const std::size_t which = (i + draw + static_cast<std::size_t>(turn)) % 2;
                (which == 0 ? ours : theirs).install();
                if (street != nullptr) {
                    street->use(which == 1);
                }
                const Clock::time_point drawStart = Clock::now();
                render::renderFrame(byPass ? &passTimer : nullptr);
                glfwSwapBuffers(base::window);
                glFinish();
                drawn[which] = millisecondsSince(drawStart);
                for (int pass = 0; byPass && pass < render::kPassCount; ++pass) {
                    passes[which][pass] = passTimer.milliseconds(pass);
                }
                milliseconds[i][which].push_back(drawn[which]);
            }
            glfwPollEvents();
            comparison.ratios[i].push_back(drawn[1] / drawn[0]);
            for (int pass = 0; byPass && pass < render::kPassCount; ++pass) {
                comparison.passRatios[pass][i].push_back(passes[1][pass] / passes[0][pass]);
            }
        }
    }
    for (std::size_t i = 0; i < views; ++i) {
        comparison.ours.push_back(summarise(milliseconds[i][0]).median);
        comparison.theirs.push_back(summarise(milliseconds[i][1]).median);
    }
    ours.install();
    if (street != nullptr) {
        street->use(false);
    }
}

}  // namespace tandril::bench
