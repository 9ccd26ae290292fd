#include "app/KeyCallback.h"

#include <iostream>

#include <GLFW/glfw3.h>

#include "base/RuntimeSettings.h"
#include "render/Lighting.h"

namespace tandril::app {

using base::frameRateEnabled;
using base::parallaxEnabled;
using base::parallaxScale;
using base::shadowMultiplierEnabled;

namespace {

// The scale step is a double: one F4 from the float nearest 0.01 leaves a tiny
// negative residue rather than 0, which the console line shows.
constexpr double kParallaxScaleStep = 0.01;

void toggle(bool& setting, const char* enabledLine, const char* disabledLine) {
    setting = !setting;
    std::cout << (setting ? enabledLine : disabledLine) << std::endl;
}

void stepParallaxScale(double step) {
    parallaxScale = static_cast<float>(parallaxScale + step);
    std::cout << "parallaxScale: " << parallaxScale << std::endl;
}

void nudgeLight(int axis, float amount, const char* label) {
    glm::vec4& light = render::lightPositions[0];
    light[axis] += amount;
    std::cout << label << light[axis] << std::endl;
}

}  // namespace

void keyCallback(GLFWwindow* window, int key, int /*scancode*/, int action, int /*mods*/) {
    // Escape is read from the key state, so any key event while it is held closes.
    if (glfwGetKey(window, GLFW_KEY_ESCAPE) != 0) {
        glfwSetWindowShouldClose(window, 1);
    }

    const bool pressed = action == GLFW_PRESS;
    switch (key) {
        case GLFW_KEY_ESCAPE:
            if (pressed)
                glfwSetWindowShouldClose(window, 1);
            break;
        case GLFW_KEY_F2:
            if (pressed)
                toggle(frameRateEnabled, "enable frameRate", "disable frameRate");
            break;
        case GLFW_KEY_F3:
            if (pressed)
                toggle(parallaxEnabled, "enable parallax", "disable parallax");
            break;
        case GLFW_KEY_F4:
            if (pressed)
                stepParallaxScale(-kParallaxScaleStep);
            break;
        case GLFW_KEY_F5:
            if (pressed)
                stepParallaxScale(kParallaxScaleStep);
            break;
        case GLFW_KEY_F6:
            if (pressed) {
                toggle(shadowMultiplierEnabled, "enable shadowMultiplier",
                       "disable shadowMultiplier");
            }
            break;
        // The light keys act on press, repeat and release alike.
        case GLFW_KEY_H:
            nudgeLight(0, -1.0f, "x: ");
            break;
        case GLFW_KEY_K:
            nudgeLight(0, 1.0f, "x: ");
            break;
        case GLFW_KEY_L:
            nudgeLight(1, -1.0f, "y: ");
            break;
        case GLFW_KEY_O:
            nudgeLight(1, 1.0f, "y: ");
            break;
        case GLFW_KEY_U:
            nudgeLight(2, -1.0f, "z: ");
            break;
        case GLFW_KEY_J:
            nudgeLight(2, 1.0f, "z: ");
            break;
        default:
            break;
    }
}

}  // namespace tandril::app
