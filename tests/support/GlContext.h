// A hidden window with an OpenGL 3.3 context, made once per test process, for
// tests that run GL code on the real driver.
#pragma once

#include <string>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

namespace tandril::test {

// The process's test window; created on first use and current from then on.
// Also stored in the application's global window, which the code under test reads.
GLFWwindow* testWindow();

// The driver's name (GL_RENDERER) for the test window's context.
std::string rendererName();

// Whether the suite asked for Mesa's softpipe (GALLIUM_DRIVER=softpipe), as
// `ctest -L softpipe` does; the checks written for it skip otherwise, and
// fail when the driver is another one all the same.
bool softpipeRequested();
inline constexpr const char* kSoftpipeHint =
    "runs on Mesa's softpipe only: GALLIUM_DRIVER=softpipe, as ctest -L softpipe sets";

class GlTest : public ::testing::Test {
  protected:
    void SetUp() override;
    // Drains the GL error queue and fails on anything but GL_NO_ERROR.
    void expectNoGlError();
};

// An off-screen framebuffer, bound with the viewport on it from construction
// to destruction, so that pixel checks never depend on the hidden window.
class OffscreenTarget {
  public:
    OffscreenTarget(int width, int height, bool withDepth = false);
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

  private:
    GLuint m_framebuffer = 0;
    GLuint m_colour = 0;
    GLuint m_depth = 0;
};

// The full street scene, set up once per test process from the repository's
// data (the working directory is the repository root).
class SceneTest : public GlTest {
  protected:
    static void SetUpTestSuite();
};

}  // namespace tandril::test
