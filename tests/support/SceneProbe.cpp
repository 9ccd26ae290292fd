#include "support/SceneProbe.h"

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

TestProgram::TestProgram(const std::string& vertexSource, const std::string& fragmentSource) {
    m_dir.write("test.vert", vertexSource);
    m_dir.write("test.frag", fragmentSource);
    m_program = std::make_unique<assets::ShaderProgram>((m_dir / "test.vert").string(),
                                                        (m_dir / "test.frag").string());
}

void aimCamera(scene::Camera& camera, const glm::vec3& eye, const glm::vec3& target) {
    const glm::vec3 d = target - eye;
    camera.m_position = eye;
    camera.m_horizontalAngle = static_cast<float>(std::atan2(d.x, d.z));
    camera.m_verticalAngle = static_cast<float>(std::asin(d.y / glm::length(d)));
    // The pointer at the centre turns nothing; only the derived vectors change.
    camera.look(100.0, 100.0, 200, 200, 0.0f);
    camera.rebuildMatrices();
}

glm::vec3 toWindow(const scene::Camera& camera, const glm::vec3& world, int width, int height) {
    const glm::vec4 clip = camera.m_projectionMatrix * camera.m_viewMatrix * glm::vec4(world, 1.0f);
    const glm::vec3 ndc = glm::vec3(clip) / clip.w;
    return {(ndc.x + 1.0f) * 0.5f * static_cast<float>(width),
            (ndc.y + 1.0f) * 0.5f * static_cast<float>(height), (ndc.z + 1.0f) * 0.5f};
}

SceneStateGuard::SceneStateGuard() : m_state(tools::SceneState::save()) {
    glGetIntegerv(GL_VIEWPORT, m_viewport.data());
}

SceneStateGuard::~SceneStateGuard() {
    m_state.restore();
    glViewport(m_viewport[0], m_viewport[1], m_viewport[2], m_viewport[3]);
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

TestProgram bareProgram(float scale) {
    return TestProgram(
        "#version 330 core\n"
        "layout(location = 0) in vec3 position;\n"
        "void main() { gl_Position = vec4(position * " +
            std::to_string(scale) + ", 1.0); }\n",
        "#version 330 core\n"
        "out vec4 colour;\n"
        "void main() { colour = vec4(1.0); }\n");
}

}  // namespace tandril::test
