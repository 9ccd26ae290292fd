// The interface of everything drawn in the street scene except the sky box.
#pragma once

#include <glm/mat4x4.hpp>

namespace tandril::assets {
class ShaderProgram;
}

namespace tandril::scene {

class SceneObject {
  public:
    virtual ~SceneObject() {}
    // Advances the object by the frame's elapsed seconds.
    virtual void update(float deltaTime) = 0;
    // Sends the object's uniforms and draws it with a program the caller bound;
    // `view` is the camera's view matrix.
    virtual void draw(assets::ShaderProgram* program, glm::mat4 view) = 0;
};

}  // namespace tandril::scene
