#include "support/ReadBack.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>
#include <glm/gtc/type_ptr.hpp>

namespace tandril::test {

std::vector<float> uniformFloats(GLuint program, const std::string& name, int count) {
    std::vector<float> values(static_cast<std::size_t>(count), std::nanf(""));
    const GLint location = glGetUniformLocation(program, name.c_str());
    EXPECT_NE(location, -1) << "the program has no active uniform " << name;
    if (location != -1) {
        glGetUniformfv(program, location, values.data());
    }
    return values;
}

float uniformFloat(GLuint program, const std::string& name) {
    return uniformFloats(program, name, 1)[0];
}

int uniformInt(GLuint program, const std::string& name) {
    GLint value = -12345;
    const GLint location = glGetUniformLocation(program, name.c_str());
    EXPECT_NE(location, -1) << "the program has no active uniform " << name;
    if (location != -1) {
        glGetUniformiv(program, location, &value);
    }
    return value;
}

glm::vec3 uniformVec3(GLuint program, const std::string& name) {
    return glm::make_vec3(uniformFloats(program, name, 3).data());
}

glm::vec4 uniformVec4(GLuint program, const std::string& name) {
    return glm::make_vec4(uniformFloats(program, name, 4).data());
}

glm::mat3 uniformMat3(GLuint program, const std::string& name) {
    return glm::make_mat3(uniformFloats(program, name, 9).data());
}

glm::mat4 uniformMat4(GLuint program, const std::string& name) {
    return glm::make_mat4(uniformFloats(program, name, 16).data());
}

std::vector<std::uint8_t> readColour(int x, int y, int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<float> readDepth(int x, int y, int width, int height) {
    std::vector<float> depths(static_cast<std::size_t>(width) * height, -1.0f);
    glReadPixels(x, y, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    return depths;
}

std::vector<std::uint8_t> readStencil(int x, int y, int width, int height) {
    std::vector<std::uint8_t> counts(static_cast<std::size_t>(width) * height, 0xAB);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, counts.data());
    return counts;
}

}  // namespace tandril::test
