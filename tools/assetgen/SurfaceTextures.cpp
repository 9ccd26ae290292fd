// Asphalt for the street and brushed metal for cars and lamps; both tile.
#include <algorithm>
#include <cmath>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>

#include "Image.h"
#include "Noise.h"
#include "Textures.h"

namespace tandril::assetgen {

// The street repeats this every 6 m, so a texel is about 12 mm: aggregate
// shows as single bright or dark specks and a few larger stones.
void writeAsphalt(const std::filesystem::path& folder) {
    const int size = 512;
    const int cells = 96;  // stone grid, wraps with the picture
    const float cellSize = static_cast<float>(size) / cells;
    Image image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (x + 0.5f) / size;
            const float v = (y + 0.5f) / size;
            // Binder: weathered grey with wide, faint patches of wear.
            float grey = 0.36f + 0.08f * (tileFbm(u, v, 3, 3, 4, 21) - 0.5f) +
                         0.04f * (tileFbm(u, v, 16, 16, 3, 22) - 0.5f);
            // Embedded stones: one candidate per cell, seen from the 3 x 3
            // neighbourhood so stones may cross cell borders.
            const int cx = static_cast<int>(x / cellSize);
            const int cy = static_cast<int>(y / cellSize);
            for (int j = -1; j <= 1; ++j) {
                for (int i = -1; i <= 1; ++i) {
                    const int gx = (cx + i + cells) % cells;
                    const int gy = (cy + j + cells) % cells;
                    Random stone(hashCombine(hashCombine(23, gx), gy));
                    if (!stone.chance(0.4f)) {
                        continue;
                    }
                    // One draw per statement: the order of function arguments
                    // is up to the compiler, and the output must not be.
                    const float offsetX = stone.uniform();
                    const float offsetY = stone.uniform();
                    const glm::vec2 centre((cx + i + offsetX) * cellSize,
                                           (cy + j + offsetY) * cellSize);
                    const float radius = stone.uniform(0.5f, 1.8f);
                    const float tone = stone.chance(0.65f) ? stone.uniform(0.46f, 0.62f)
                                                           : stone.uniform(0.2f, 0.26f);
                    // Angular rather than round: a squashed, turned ellipse.
                    const float turn = stone.uniform(0.0f, 3.14159f);
                    const glm::vec2 axis(std::cos(turn), std::sin(turn));
                    const glm::vec2 offset = glm::vec2(x + 0.5f, y + 0.5f) - centre;
                    const float along = glm::dot(offset, axis);
                    const float across = glm::dot(offset, glm::vec2(-axis.y, axis.x));
                    const float d = std::hypot(along, across * stone.uniform(1.2f, 2.0f));
                    grey = glm::mix(grey, tone, glm::smoothstep(radius + 0.6f, radius - 0.4f, d));
                }
            }
            // Fine grit in every texel.
            grey += 0.07f * (latticeValue(24, x, y) - 0.5f) +
                    0.05f * (valueNoise(x * 0.5f, y * 0.5f, size / 2, size / 2, 26) - 0.5f);
            grey *= 0.92f + 0.16f * tileFbm(u, v, 64, 64, 2, 25);
            image.at(x, y) = grey * glm::vec3(0.98f, 1.0f, 1.04f);
        }
    }
    saveJpeg(image, folder / "asphalt.jpg", Chroma::Subsampled);
}

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
