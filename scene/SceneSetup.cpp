#include "scene/SceneSetup.h"

#include <iostream>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>

#include "app/KeyCallback.h"  // set-up registers the key callback
#include "base/LoadPhaseTimer.h"
#include "base/RuntimeSettings.h"
#include "base/WindowGlobals.h"
#include "render/Lighting.h"  // set-up sets the lights
#include "render/Skybox.h"    // set-up creates the sky box
#include "scene/ProgramTable.h"
#include "scene/SceneGlobals.h"

namespace tandril::scene {
namespace {

// The turn of the lamps and the parked car about y: 1.6 radians (about 91.7
// degrees), not a quarter turn, and meant so: the scene was placed with it.
constexpr float kLampAndParkedCarTurn = 1.6f;
constexpr glm::vec3 kUp{0.0f, 1.0f, 0.0f};

glm::mat4 translated(const glm::vec3& offset) {
    return glm::translate(glm::mat4(1.0f), offset);
}

// Scale, then translate, then rotate, each composed on the right.
glm::mat4 scaledTranslated(const glm::vec3& scale, const glm::vec3& offset) {
    return glm::translate(glm::scale(glm::mat4(1.0f), scale), offset);
}
glm::mat4 scaledTranslatedTurned(const glm::vec3& scale, const glm::vec3& offset) {
    return glm::rotate(scaledTranslated(scale, offset), kLampAndParkedCarTurn, kUp);
}

void loadPrograms() {
    base::PhaseScope phase("programs");
    for (const ProgramEntry& program : kPrograms) {
        program.install(program.load("shader"));
    }
}

void createObjects() {
    cube1 = new Cube(translated({8.0f, 0.5f, -10.0f}));
    cube2 = new Cube(translated({10.0f, 0.5f, -20.0f}));
    cube3 = new Cube(translated({10.0f, 0.5f, -30.0f}));
    cube4 = new Cube(translated({13.0f, 0.5f, -40.0f}));
    wall1 = new Wall(translated({-20.0f, 5.2f, 0.0f}));
    wall2 = new Wall(translated({-30.0f, 5.2f, -40.0f}));
    wall3 = new Wall(translated({-40.0f, 5.2f, -60.0f}));
    wall4 = new Wall(translated({-50.0f, 5.2f, -80.0f}));
    streetlamp1 = new Streetlamp(scaledTranslatedTurned(glm::vec3(0.5f), {-10.0f, 0.3f, -20.0f}));
    streetlamp2 = new Streetlamp(scaledTranslatedTurned(glm::vec3(0.5f), {-10.0f, 0.2f, -60.0f}));
    street = new Street(scaledTranslated({30.0f, 1.0f, 30.0f}, {0.0f, 0.0f, -20.0f}));
    car1 = new Car(scaledTranslated(glm::vec3(2.0f), {0.0f, 0.8f, 15.0f}));
    car2 = new Car(scaledTranslatedTurned(glm::vec3(2.0f), {3.3f, 0.8f, -50.0f}));
    car3 = new Car(scaledTranslated(glm::vec3(2.0f), {0.0f, 0.8f, 60.0f}));
}

}  // namespace

void setupScene() {
    GLFWwindow* window = base::window;
    glfwSetInputMode(window, GLFW_STICKY_KEYS, 1);
    glfwSetKeyCallback(window, app::keyCallback);
    glfwSetWindowTitle(window, "tandril");

    loadPrograms();
    camera = new Camera(base::window);
    createObjects();
    render::lightPositions = render::kInitialLightPositions;

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glViewport(0, 0, base::screenWidth, base::screenHeight);
    render::createSkybox();

    std::cout << "Parallax enabled: " << base::parallaxEnabled << std::endl;
    std::cout << "ParallaxScale: " << base::parallaxScale << std::endl;
    std::cout << "Parallax shadowMultiplier" << base::shadowMultiplierEnabled << std::endl;

    glClearStencil(0);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}

}  // namespace tandril::scene
