// A car: the sports-car model in brushed metal; it drives along its own -z.
#pragma once

#include <memory>

#include "assets/Mesh.h"
#include "scene/SceneObject.h"

namespace tandril::scene {

class Car : public SceneObject {
  public:
    explicit Car(const glm::mat4& modelMatrix);
    // Drives 5 model units per second along the car's own -z axis.
    void update(float deltaTime) override;
    void draw(assets::ShaderProgram* program, glm::mat4 view) override;

    std::unique_ptr<Mesh> m_mesh;
};

// Model units per second; the scene's scale of 2 makes it 10 world units.
inline constexpr float kCarSpeed = 5.0f;

}  // namespace tandril::scene
