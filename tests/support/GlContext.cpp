#include "support/GlContext.h"

#include <unistd.h>

#include <cstdlib>

#include "app/AppGlobals.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneSetup.h"

namespace tandril::test {

GLFWwindow* testWindow() {
    static GLFWwindow* window = [] {
        // Xvfb now and then refuses a connection while many clients come and
        // go; a refused first try is not a broken display.
        bool connected = false;
        for (int attempt = 0; attempt < 10 && !connected; ++attempt) {
            connected = glfwInit() == GLFW_TRUE;
            if (!connected) {
                usleep(100000);
            }
        }
        if (!connected) {
            std::abort();
        }
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        GLFWwindow* created = glfwCreateWindow(app::screenWidth, app::screenHeight, "tandril test",
                                               nullptr, nullptr);
        if (created == nullptr) {
            std::abort();
        }
        glfwMakeContextCurrent(created);
        glewExperimental = GL_TRUE;
        if (glewInit() != GLEW_OK) {
            std::abort();
        }
        glGetError();  // GLEW's probe of a core context may leave GL_INVALID_ENUM
        return created;
    }();
    app::window = window;
    return window;
}

void GlTest::SetUp() { ASSERT_NE(testWindow(), nullptr); }

void GlTest::expectNoGlError() {
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        ADD_FAILURE() << "GL error 0x" << std::hex << error;
    }
}

void SceneTest::SetUpTestSuite() {
    testWindow();
    if (scene::shaderTexture2 == nullptr) {
        scene::setupScene();
    }
}

}  // namespace tandril::test
