#include "scene/Street.h"

#include "scene/ObjectUniforms.h"

namespace tandril::scene {

Street::Street(const glm::mat4& modelMatrix)
    : m_mesh(
          std::make_unique<Mesh>("objects/plane.obj", modelMatrix, true, "textures/asphalt.jpg")) {}

void Street::draw(assets::ShaderProgram* program, glm::mat4 view) {
    drawWithObjectUniforms(*m_mesh, program, view, nullptr);
}

}  // namespace tandril::scene
