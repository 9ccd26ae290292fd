// One function per shipped picture; each writes its file(s) under the
// textures folder it is given.
#pragma once

#include <filesystem>

#include <glm/vec2.hpp>

namespace tandril::assetgen {

// Old brick wall: colour, height and the matching tangent-space normal map.
void writeBrickTextures(const std::filesystem::path& folder);
// Centre of a broken-out brick in that picture: a dark cavity that a model
// with only the brick material can sample for window panes.
glm::vec2 brickCavityUv();
void writeAsphalt(const std::filesystem::path& folder);
void writeBrushedMetal(const std::filesystem::path& folder);
// The six faces of the sky box in skybox/.
void writeSkybox(const std::filesystem::path& folder);

inline void writeTextures(const std::filesystem::path& folder) {
    writeBrickTextures(folder);
    writeAsphalt(folder);
    writeBrushedMetal(folder);
    writeSkybox(folder);
}

}  // namespace tandril::assetgen
