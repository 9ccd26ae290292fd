#include "support/GlContext.h"

#include <cstdlib>

#include "base/WindowGlobals.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneSetup.h"
#include "support/Process.h"

namespace tandril::test {

GLFWwindow* testWindow() {
    static GLFWwindow* window = [] {
        // A refused first try is not a broken display (see Process.h).
        if (!test::retryWhileDisplayRefuses([] { return glfwInit() == GLFW_TRUE; })) {
            std::abort();
        }
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        GLFWwindow* created = glfwCreateWindow(base::screenWidth, base::screenHeight,
                                               "tandril test", nullptr, nullptr);
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
    base::window = window;
    return window;
}

std::string rendererName() {
    testWindow();
    return reinterpret_cast<const char*>(glGetString(GL_RENDERER));
}

bool softpipeRequested() {
    const char* driver = std::getenv("GALLIUM_DRIVER");
    return driver != nullptr && std::string(driver) == "softpipe";
}

void GlTest::SetUp() {
    ASSERT_NE(testWindow(), nullptr);
}

void GlTest::expectNoGlError() {
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        ADD_FAILURE() << "GL error 0x" << std::hex << error;
    }
}

OffscreenTarget::OffscreenTarget(int width, int height, bool withDepth) {
    glGenFramebuffers(1, &m_framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    glGenRenderbuffers(1, &m_colour);
    glBindRenderbuffer(GL_RENDERBUFFER, m_colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colour);
    if (withDepth) {
        glGenRenderbuffers(1, &m_depth);
        glBindRenderbuffer(GL_RENDERBUFFER, m_depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    }
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glViewport(0, 0, width, height);
}

OffscreenTarget::~OffscreenTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &m_framebuffer);
    glDeleteRenderbuffers(1, &m_colour);
    glDeleteRenderbuffers(1, &m_depth);  // 0, without depth, is ignored
    glViewport(0, 0, base::screenWidth, base::screenHeight);
}

void SceneTest::SetUpTestSuite() {
    testWindow();
    if (scene::shaderTexture2 == nullptr) {
        scene::setupScene();
    }
}

}  // namespace tandril::test
