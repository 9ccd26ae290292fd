#include "scene/Streetlamp.h"

#include "scene/ObjectUniforms.h"

namespace tandril::scene {

Streetlamp::Streetlamp(const glm::mat4& modelMatrix)
    : m_mesh(std::make_unique<Mesh>("objects/street_lamp2.obj", modelMatrix, false,
                                    "textures/asphalt.jpg")) {}

void Streetlamp::draw(assets::ShaderProgram* program, glm::mat4 view) {
    drawWithObjectUniforms(*m_mesh, program, view, "N_mat");
}

}  // namespace tandril::scene
