// What the driver holds, read back for a check: the values of a program's
// uniforms and the pixels of the framebuffer that is bound for reading.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <glm/mat3x3.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

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

// Reads back a rectangle of the current read buffer, bottom row first.
std::vector<std::uint8_t> readColour(int x, int y, int width, int height);  // RGBA
std::vector<float> readDepth(int x, int y, int width, int height);
std::vector<std::uint8_t> readStencil(int x, int y, int width, int height);

}  // namespace tandril::test
