#include "app/ToolWindow.h"

#include <cstdio>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/AppGlobals.h"

namespace tandril::app {

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

bool parseSize(const std::string& text, int& width, int& height) {
    char separator = 0;
    char trailing = 0;
    return std::sscanf(text.c_str(), "%d%c%d%c", &width, &separator, &height, &trailing) == 3 &&
           separator == 'x' && width > 0 && height > 0 && width <= 16384 && height <= 16384;
}

}  // namespace tandril::app
