// Helpers for tests that look into the street scene on the real driver: what a
// program's uniforms hold, programs made from test sources, aiming the camera,
// and putting back whatever a test changed in the scene that all tests share.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <glm/mat3x3.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include "assets/ShaderProgram.h"
#include "scene/Camera.h"
#include "support/Process.h"
#include "tools/common/SceneState.h"

namespace tandril::test {

// The value a linked program holds now for an active uniform (or array element,
// e.g. "light_position[2]"); the test fails when the program lacks it.
std::vector<float> uniformFloats(GLuint program, const std::string& name, int count);
float uniformFloat(GLuint program, const std::string& name);
int uniformInt(GLuint program, const std::string& name);
glm::vec3 uniformVec3(GLuint program, const std::string& name);
glm::vec4 uniformVec4(GLuint program, const std::string& name);
glm::mat3 uniformMat3(GLuint program, const std::string& name);
glm::mat4 uniformMat4(GLuint program, const std::string& name);

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

// Reads back a rectangle of the current read buffer, bottom row first.
std::vector<std::uint8_t> readColour(int x, int y, int width, int height);  // RGBA
std::vector<float> readDepth(int x, int y, int width, int height);
std::vector<std::uint8_t> readStencil(int x, int y, int width, int height);

}  // namespace tandril::test
