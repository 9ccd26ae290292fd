// Brushed metal for the cars; it tiles.
#include <algorithm>
#include <cmath>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>

#include "Image.h"
#include "Noise.h"
#include "Textures.h"

namespace tandril::assetgen {

// Light grey metal brushed along u: long thin streaks of varying length over
// a faint large-scale sheen.
void writeBrushedMetal(const std::filesystem::path& folder) {
    const int size = 512;
    Image image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (x + 0.5f) / size;
            const float v = (y + 0.5f) / size;
            const float longStreaks = valueNoise(u * 6, v * size, 6, size, 31);
            const float shortStreaks = valueNoise(u * 24, v * size * 0.5f, 24, size / 2, 32);
            const float scratches = valueNoise(u * 48, v * size, 48, size, 33);
            const float sheen = tileFbm(u, v, 2, 2, 3, 34);
            float grey = 0.7f + 0.07f * (longStreaks - 0.5f) + 0.05f * (shortStreaks - 0.5f) +
                         0.06f * (sheen - 0.5f) + 0.02f * (latticeValue(35, x, y) - 0.5f);
            grey += 0.08f * std::max(0.0f, scratches - 0.8f);
            image.at(x, y) = grey * glm::vec3(0.98f, 0.99f, 1.02f);
        }
    }
    saveJpeg(image, folder / "metal.jpg", Chroma::Subsampled);
}

}  // namespace tandril::assetgen
