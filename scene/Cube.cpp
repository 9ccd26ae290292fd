#include "scene/Cube.h"

#include "scene/ObjectUniforms.h"

namespace tandril::scene {

Cube::Cube(const glm::mat4& modelMatrix)
    : m_mesh(std::make_unique<Mesh>("objects/cube.obj", modelMatrix, true,
                                    "textures/Brick_OldDestroyed_d.jpg")) {}

void Cube::draw(assets::ShaderProgram* program, glm::mat4 view) {
    drawWithObjectUniforms(*m_mesh, program, view, "N_mat");
}

}  // namespace tandril::scene
