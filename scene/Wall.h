// A row of houses with parallax-mapped brick walls.
#pragma once

#include <memory>

#include "assets/Mesh.h"
#include "scene/SceneObject.h"

namespace tandril::scene {

class Wall : public SceneObject {
  public:
    explicit Wall(const glm::mat4& modelMatrix);
    void update(float) override {}
    void draw(assets::ShaderProgram* program, glm::mat4 view) override;

    std::unique_ptr<Mesh> m_mesh;
};

}  // namespace tandril::scene
