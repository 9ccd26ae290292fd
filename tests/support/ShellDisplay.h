// The test process's own connection to the display.
#pragma once

#include "support/GlContext.h"

namespace tandril::test {

// glfwInit, tried again a few times: Xvfb now and then refuses a connection
// while many clients come and go, and the test window would abort on that.
// Once GLFW is up, the test window's own glfwInit finds it so.
bool connectDisplay();

// A GlTest that connects with connectDisplay() before the test window opens.
class ConnectedGlTest : public GlTest {
  protected:
    void SetUp() override;
};

}  // namespace tandril::test
