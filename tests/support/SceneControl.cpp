#include "support/SceneControl.h"

#include <cmath>
#include <string>

#include <glm/geometric.hpp>

namespace tandril::test {

TestProgram::TestProgram(const std::string& vertexSource, const std::string& fragmentSource) {
    m_dir.write("test.vert", vertexSource);
    m_dir.write("test.frag", fragmentSource);
    m_program = std::make_unique<assets::ShaderProgram>((m_dir / "test.vert").string(),
                                                        (m_dir / "test.frag").string());
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

}  // namespace tandril::test
