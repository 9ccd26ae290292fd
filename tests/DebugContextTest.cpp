// The demo's set-up and its frames along the whole camera path in a debug
// context, as a strict driver would see them: the driver's debug output holds
// no error and no warning of high or medium severity, and no pass leaves an
// OpenGL error behind (the frame loop reads the error queue once a frame and
// lets GL_INVALID_ENUM pass; here every code counts, after every pass).
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "base/WindowGlobals.h"
#include "render/FramePasses.h"
#include "scene/ProgramTable.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneSetup.h"
#include "tools/common/FixedStep.h"

namespace tandril::test {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
// Eight frames a second of run time, from the start to a second past the path.
constexpr float kStep = 0.125f;

struct DebugMessage {
    GLenum type;
    GLenum severity;
    std::string text;
};

void GLAPIENTRY collect(GLenum /*source*/, GLenum type, GLuint /*id*/, GLenum severity,
                        GLsizei length, const GLchar* message, const void* messages) {
    auto* all = static_cast<std::vector<DebugMessage>*>(const_cast<void*>(messages));
    all->push_back({type, severity, length >= 0 ? std::string(message, length) : message});
}

bool isFault(const DebugMessage& message) {
    return message.type == GL_DEBUG_TYPE_ERROR || message.severity == GL_DEBUG_SEVERITY_HIGH ||
           message.severity == GL_DEBUG_SEVERITY_MEDIUM;
}

// Every code in the error queue, with where it was found.
void drainErrors(const std::string& where, std::vector<std::string>& errors) {
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        std::ostringstream line;
        line << where << ": GL error 0x" << std::hex << error;
        errors.push_back(line.str());
    }
}

const char* passName(render::Pass pass) {
    switch (pass) {
        case render::Pass::Base:
            return "base pass";
        case render::Pass::ReflectionsAndSkybox:
            return "reflection and sky pass";
        case render::Pass::ShadowVolumes:
            return "shadow-volume pass";
        case render::Pass::Lighting:
            return "lighting pass";
    }
    return "?";
}

class ErrorsAfterEachPass : public render::PassObserver {
  public:
    explicit ErrorsAfterEachPass(std::vector<std::string>& errors) : m_errors(errors) {}
    void begin(render::Pass pass) override {
        drainErrors(std::string("before the ") + passName(pass), m_errors);
    }
    void end(render::Pass pass) override { drainErrors(passName(pass), m_errors); }

  private:
    std::vector<std::string>& m_errors;
};

// The scene set-up makes lives in process globals; this test makes its own in
// its own context and takes its GL objects down again, so that tests after it
// in the same process set up theirs. The camera holds none and stays.
void deleteScene() {
    scene::deleteSceneObjects();
    for (const scene::ProgramEntry& entry : scene::kPrograms) {
        entry.destroy(entry.installed());
        entry.install(nullptr);
    }
}

TEST(DebugContextTest, SetUpAndFramesAlongTheCameraPathRaiseNoDebugMessageOrGlError) {
    if (scene::shaderTexture2 != nullptr) {
        GTEST_SKIP() << "another test set up its scene in this process; run this one alone "
                        "(ctest runs every test in a process of its own)";
    }
    ASSERT_EQ(glfwInit(), GLFW_TRUE);
    GLFWwindow* const previousWindow = base::window;
    GLFWwindow* const previousContext = glfwGetCurrentContext();
    const int previousSize[2] = {base::screenWidth, base::screenHeight};
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* const window = glfwCreateWindow(kWidth, kHeight, "tandril debug", nullptr, nullptr);
    glfwDefaultWindowHints();
    ASSERT_NE(window, nullptr);
    glfwMakeContextCurrent(window);
    base::window = window;
    base::screenWidth = kWidth;
    base::screenHeight = kHeight;
    glewExperimental = GL_TRUE;
    ASSERT_EQ(glewInit(), GLEW_OK);
    while (glGetError() != GL_NO_ERROR) {
        // GLEW's probe of the context may leave GL_INVALID_ENUM; not the demo's.
    }
    GLint flags = 0;
    glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
    ASSERT_NE(flags & GL_CONTEXT_FLAG_DEBUG_BIT, 0) << "the driver gave no debug context";
    ASSERT_TRUE(GLEW_KHR_debug) << "the driver has no debug output";

    std::vector<DebugMessage> messages;
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);  // so that each message comes inside its call
    glDebugMessageControl(GL_DONT_CARE, GL_DONT_CARE, GL_DONT_CARE, 0, nullptr, GL_TRUE);
    glDebugMessageCallback(collect, &messages);

    std::vector<std::string> errors;
    scene::setupScene();
    drainErrors("set-up", errors);
    ErrorsAfterEachPass observer(errors);
    int frames = 0;
    for (float time = 0.0f; time <= scene::kCameraPathEnd + 1.0f; time += kStep, ++frames) {
        tools::advanceSceneWithoutInput(kStep);
        render::renderFrame(&observer);
        glfwSwapBuffers(window);
        drainErrors("swap", errors);
    }
    glDebugMessageCallback(nullptr, nullptr);
    glDisable(GL_DEBUG_OUTPUT);

    EXPECT_GT(frames, static_cast<int>(scene::kCameraPathEnd / kStep));
    EXPECT_TRUE(errors.empty()) << errors.size() << " errors, the first: " << errors.front();
    std::vector<std::string> faults;
    for (const DebugMessage& message : messages) {
        std::ostringstream line;
        line << "type 0x" << std::hex << message.type << ", severity 0x" << message.severity << ": "
             << message.text;
        if (isFault(message)) {
            faults.push_back(line.str());
        } else {
            std::cout << "low-severity note: " << line.str() << "\n";
        }
    }
    EXPECT_TRUE(faults.empty()) << faults.size()
                                << " debug messages, the first: " << faults.front();

    deleteScene();
    glfwDestroyWindow(window);
    base::window = previousWindow;
    base::screenWidth = previousSize[0];
    base::screenHeight = previousSize[1];
    glfwMakeContextCurrent(previousContext);
}

}  // namespace
}  // namespace tandril::test
