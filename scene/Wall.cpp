#include "scene/Wall.h"

#include "scene/ObjectUniforms.h"

namespace tandril::scene {

Wall::Wall(const glm::mat4& modelMatrix) : m_mesh(std::make_unique<Mesh>(modelMatrix)) {}

void Wall::draw(assets::ShaderProgram* program, glm::mat4 view) {
    drawWithObjectUniforms(*m_mesh, program, view, "normal_mat");
}

}  // namespace tandril::scene
