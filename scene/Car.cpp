#include "scene/Car.h"

#include <glm/gtc/matrix_transform.hpp>

#include "scene/ObjectUniforms.h"

namespace tandril::scene {

Car::Car(const glm::mat4& modelMatrix)
    : m_mesh(std::make_unique<Mesh>("objects/Porsche_911_GT2.obj", modelMatrix, false,
                                    "textures/metal.jpg")) {}

void Car::update(float deltaTime) {
    // Composed on the right, so the step follows the car's own rotation and scale.
    m_mesh->m_modelMatrix =
        glm::translate(m_mesh->m_modelMatrix, glm::vec3(0.0f, 0.0f, deltaTime * -kCarSpeed));
}

void Car::draw(assets::ShaderProgram* program, glm::mat4 view) {
    drawWithObjectUniforms(*m_mesh, program, view, "N_mat");
}

}  // namespace tandril::scene
