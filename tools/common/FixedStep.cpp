#include "tools/common/FixedStep.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/FrameLoop.h"
#include "base/WindowGlobals.h"
#include "scene/SceneGlobals.h"

namespace tandril::tools {

void advanceSceneWithoutInput(float deltaTime) {
    int width = 0;
    int height = 0;
    glfwGetWindowSize(base::window, &width, &height);
    scene::camera->step(width / 2, height / 2, width, height, {}, deltaTime);
    app::advanceCarsAndLights(deltaTime);
}

}  // namespace tandril::tools
