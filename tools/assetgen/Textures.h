// One function per shipped picture; each writes its file(s) under the
// textures folder it is given.
#pragma once

#include <filesystem>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

namespace tandril::assetgen {

// The dark haze below the sky's horizon, and the colour the shaders fade the
// distant street into (kFogColour in shader_texture_2.frag and the others),
// so that the ground runs into the sky without an edge.
inline const glm::vec3 kFogColour(0.05f, 0.055f, 0.085f);

// Old brick wall: colour, height and the matching tangent-space normal map.
void writeBrickTextures(const std::filesystem::path& folder);
// The street's surfaces side by side, which the lamps share (StreetLayout.h).
void writeStreetSurfaces(const std::filesystem::path& folder);
void writeBrushedMetal(const std::filesystem::path& folder);
// The six faces of the sky box in skybox/.
void writeSkybox(const std::filesystem::path& folder);

inline void writeTextures(const std::filesystem::path& folder) {
    writeBrickTextures(folder);
    writeStreetSurfaces(folder);
    writeBrushedMetal(folder);
    writeSkybox(folder);
}

}  // namespace tandril::assetgen
