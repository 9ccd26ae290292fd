// The per-object uniforms that every scene object sends before its mesh draws.
#pragma once

#include <glm/mat3x3.hpp>
#include <glm/mat4x4.hpp>

namespace tandril::assets {
class ShaderProgram;
}

namespace tandril::scene {

class Mesh;

// The same material for every object.
inline constexpr float kMaterialShininess = 60.0f;

// Maps model-space normals into view space: the inverse transpose of the upper
// 3x3 of view times model; translations take no part.
glm::mat3 normalMatrix(const glm::mat4& view, const glm::mat4& model);

// "M_mat", the normal matrix under `normalMatrixName` (none when null) and the
// material, each optional uniform only where the program declares it; then the
// mesh's own draw.
void drawWithObjectUniforms(Mesh& mesh, assets::ShaderProgram* program, const glm::mat4& view,
                            const char* normalMatrixName);

}  // namespace tandril::scene
