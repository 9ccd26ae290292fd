// The frame loop's error check, run in a child process of its own: an OpenGL
// error raised in a frame ends the run with the message, the pause and exit
// code 1, except GL_INVALID_ENUM, which the loop lets pass.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/FrameLoop.h"
#include "base/WindowGlobals.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneSetup.h"
#include "support/GlContext.h"

namespace tandril::app {
namespace {

using Raise = void (*)();

void raiseInvalidEnum() {
    glEnable(GL_NONE);
}
void raiseInvalidValue() {
    glLineWidth(-1.0f);
}
void raiseInvalidOperation() {
    glEndQuery(GL_TIME_ELAPSED);  // no query is running
}

// Raises its error in the update of the first frame and asks the window to
// close in the third.
class ErrorRaisingCamera : public scene::Camera {
  public:
    ErrorRaisingCamera(const scene::Camera& camera, Raise raise)
        : scene::Camera(camera), m_raise(raise) {}
    void update(float deltaTime) override {
        scene::Camera::update(deltaTime);
        if (++m_frames == 1) {
            m_raise();
        } else if (m_frames == 3) {
            glfwSetWindowShouldClose(m_window, 1);
        }
    }
    int frames() const { return m_frames; }

  private:
    Raise m_raise;
    int m_frames = 0;
};

// In the child: the scene in a small window, then the demo's frame loop with
// `raise` in its first frame. Standard output joins standard error, where the
// death test reads both in the order they were written; standard input is
// closed, as a scripted run's is, so the pause returns at once.
[[noreturn]] void runFramesRaising(Raise raise, GLenum expected) {
    base::screenWidth = 160;
    base::screenHeight = 120;
    test::testWindow();
    raise();
    if (const GLenum error = glGetError(); error != expected) {
        std::fprintf(stderr, "raised 0x%x\n", error);
        std::exit(2);
    }
    std::streambuf* console = std::cout.rdbuf(nullptr);  // set-up's lines
    scene::setupScene();
    std::cout.rdbuf(console);
    static ErrorRaisingCamera camera(*scene::camera, raise);
    // Set-up's camera stays reachable, so that the leak check at exit passes it.
    [[maybe_unused]] static scene::Camera* const setUpCamera = scene::camera;
    scene::camera = &camera;
    close(STDIN_FILENO);
    std::fflush(stdout);  // what the test program wrote before stays where it went
    dup2(STDERR_FILENO, STDOUT_FILENO);
    runFrameLoop();
    std::fprintf(stderr, "closed after %d frames\n", camera.frames());
    std::exit(0);
}

TEST(FrameLoopDeathTest, AnErrorOtherThanInvalidEnumEndsTheRunWithTheMessageAndThePause) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* const kFatal = "^ERROR: OpenGL Error\nPress any key to continue \\. \\. \\.\n$";
    EXPECT_EXIT(runFramesRaising(raiseInvalidValue, GL_INVALID_VALUE), ::testing::ExitedWithCode(1),
                kFatal);
    EXPECT_EXIT(runFramesRaising(raiseInvalidOperation, GL_INVALID_OPERATION),
                ::testing::ExitedWithCode(1), kFatal);
}

TEST(FrameLoopDeathTest, InvalidEnumPassesAndTheLoopGoesOn) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(runFramesRaising(raiseInvalidEnum, GL_INVALID_ENUM), ::testing::ExitedWithCode(0),
                "^closed after 3 frames\n$");
}

}  // namespace
}  // namespace tandril::app
