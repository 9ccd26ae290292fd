#include "app/FrameLoop.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/AppGlobals.h"
#include "app/FrameTiming.h"
#include "base/Console.h"
#include "base/RuntimeSettings.h"
#include "base/WindowGlobals.h"
#include "render/FramePasses.h"
#include "render/Lighting.h"
#include "scene/SceneGlobals.h"

namespace tandril::app {

using base::frameRateEnabled;
using base::window;

void advanceScene(float deltaTime) {
    scene::camera->update(deltaTime);
    advanceCarsAndLights(deltaTime);
}

void advanceCarsAndLights(float deltaTime) {
    scene::car1->update(deltaTime);
    scene::car3->update(deltaTime);
    render::updateLightPositions();
}

void keepWindowWithinDriver() {
    using base::largestWindowHeight;
    using base::largestWindowWidth;
    int width = 0;
    int height = 0;
    glfwGetWindowSize(window, &width, &height);  // as the window system has it now
    if (width > largestWindowWidth || height > largestWindowHeight) {
        // Sent ahead of the driver's own query of the window's size, which
        // comes with the frame's first drawing on the same connection.
        glfwSetWindowSize(window, std::min(width, largestWindowWidth),
                          std::min(height, largestWindowHeight));
    }
}

void runFrameLoop() {
    lastReportTime = glfwGetTime();
    double previousFrameTime = glfwGetTime();
    double pacingReference = glfwGetTime();

    while (!glfwWindowShouldClose(window)) {
        const double now = glfwGetTime();
        ++frameCount;
        const auto deltaTime = static_cast<float>(now - previousFrameTime);
        previousFrameTime = now;

        const double sample = glfwGetTime();
        if (const auto meanFrameMilliseconds = frameReportDue(sample, lastReportTime, frameCount);
            meanFrameMilliseconds && frameRateEnabled) {
            std::cout << "frameRate: " << *meanFrameMilliseconds << std::endl;
        }

        if (const int sleep = pacingSleepMilliseconds(sample, pacingReference); sleep > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(sleep));
        }

        advanceScene(deltaTime);
        keepWindowWithinDriver();
        render::renderFrame();

        glfwSwapBuffers(window);
        glfwPollEvents();

        const GLenum error = glGetError();
        if (error != GL_NO_ERROR && error != GL_INVALID_ENUM) {
            base::fatalError("ERROR: OpenGL Error\n");
        }
    }
}

void shutdown() {
    scene::deleteSceneObjects();
    glfwDestroyWindow(window);
    window = nullptr;
}

}  // namespace tandril::app
