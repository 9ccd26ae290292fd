// A brick cube; it casts and receives the stencil shadows.
#pragma once

#include <memory>

#include "assets/Mesh.h"
#include "scene/SceneObject.h"

namespace tandril::scene {

class Cube : public SceneObject {
  public:
    explicit Cube(const glm::mat4& modelMatrix);
    void update(float) override {}
    void draw(assets::ShaderProgram* program, glm::mat4 view) override;

    std::unique_ptr<Mesh> m_mesh;
};

}  // namespace tandril::scene
