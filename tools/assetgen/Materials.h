// Materials that the models carry in their texture coordinates, for shaders
// that have one texture or none to tell the parts of a model apart: u is
// offset by kMaterialStride (in the engine's coordinates, whole repeats of
// any texture) times the material's number. The shaders decode the same
// numbers (kMaterialStride and the names below in shader/*.frag).
#pragma once

#include <glm/vec2.hpp>

#include "Shapes.h"

namespace tandril::assetgen {

enum class Material {
    Paint = 0,  // and every surface that is only its texture
    Glass = 1,
    Rubber = 2,
    BrightMetal = 3,
    HeadLamp = 4,
    TailLamp = 5,
    LanternGlass = 6,
    WindowPane = 7,
    Door = 8,
    // The street's top: u is its section coordinate (StreetLayout.h), which
    // the street program lays out in the bands of its picture.
    Street = 9,
};

inline constexpr float kMaterialStride = 1024.0f;

// `uv` (as written to the model file) moved into the range of `material`.
inline glm::vec2 withMaterial(glm::vec2 uv, Material material) {
    return uv + glm::vec2(kMaterialStride * static_cast<float>(material) / kUvScaleInEngine, 0.0f);
}

}  // namespace tandril::assetgen
