// The street slab; it casts and receives the stencil shadows and has no normal matrix.
#pragma once

#include <memory>

#include "assets/Mesh.h"
#include "scene/SceneObject.h"

namespace tandril::scene {

class Street : public SceneObject {
  public:
    explicit Street(const glm::mat4& modelMatrix);
    void update(float) override {}
    void draw(assets::ShaderProgram* program, glm::mat4 view) override;

    std::unique_ptr<Mesh> m_mesh;
};

}  // namespace tandril::scene
