// Setting the shared street scene up for a check and putting it back:
// programs made from test sources to draw with, the camera aimed at a point,
// where a world point lands in the window, and a guard that restores whatever
// a test changed.
#pragma once

#include <array>
#include <memory>
#include <string>

#include <GL/glew.h>
#include <glm/vec3.hpp>

#include "assets/ShaderProgram.h"
#include "scene/Camera.h"
#include "support/Process.h"
#include "tools/common/SceneState.h"

namespace tandril::test {

// A program linked from the given sources, loaded from files as the demo's are.
class TestProgram {
  public:
    TestProgram(const std::string& vertexSource, const std::string& fragmentSource);
    assets::ShaderProgram* get() const { return m_program.get(); }
    GLuint id() const { return m_program->m_program; }

  private:
    ScratchDir m_dir{false};
    std::unique_ptr<assets::ShaderProgram> m_program;
};

// A program that declares no uniform at all: positions scaled by `scale`, white.
TestProgram bareProgram(float scale);

// Points `camera` from `eye` at `target` and rebuilds its matrices as a frame
// does, with no path step.
void aimCamera(scene::Camera& camera, const glm::vec3& eye, const glm::vec3& target);

// Window coordinates of a world point for the camera's matrices and a viewport
// at the origin; z is the depth the point would be written at.
glm::vec3 toWindow(const scene::Camera& camera, const glm::vec3& world, int width, int height);

// What the scene's tests may change, saved on construction and put back on
// destruction: the scene's state (camera, car placements, lights, runtime
// settings) and the viewport.
class SceneStateGuard {
  public:
    SceneStateGuard();
    ~SceneStateGuard();
    SceneStateGuard(const SceneStateGuard&) = delete;
    SceneStateGuard& operator=(const SceneStateGuard&) = delete;

  private:
    tools::SceneState m_state;
    std::array<GLint, 4> m_viewport{};
};

}  // namespace tandril::test
