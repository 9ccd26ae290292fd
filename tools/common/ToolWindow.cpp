#include "tools/common/ToolWindow.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "base/WindowGlobals.h"

namespace tandril::tools {

using base::screenHeight;
using base::screenWidth;
using base::window;

std::string openToolWindow(int width, int height) {
    if (!glfwInit()) {
        return "cannot initialise GLFW";
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    // The frame is read back from the window itself, so it must not be resized.
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    window = glfwCreateWindow(width, height, "tandril", nullptr, nullptr);
    if (window == nullptr) {
        return "cannot open a " + std::to_string(width) + "x" + std::to_string(height) +
               " window with an OpenGL 3.3 context";
    }
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        return "cannot load the OpenGL entry points";
    }
    // GLEW's probe of a core context can leave GL_INVALID_ENUM behind.
    while (glGetError() != GL_NO_ERROR) {
    }
    screenWidth = width;
    screenHeight = height;
    return {};
}

}  // namespace tandril::tools
