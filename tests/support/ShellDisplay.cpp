#include "support/ShellDisplay.h"

#include <unistd.h>

namespace tandril::test {

bool connectDisplay() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (glfwInit() == GLFW_TRUE) {
            return true;
        }
        usleep(50000);
    }
    return false;
}

void ConnectedGlTest::SetUp() {
    ASSERT_TRUE(connectDisplay()) << "no connection to the display";
    GlTest::SetUp();
}

}  // namespace tandril::test
