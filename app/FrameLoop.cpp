#include "app/FrameLoop.h"

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
