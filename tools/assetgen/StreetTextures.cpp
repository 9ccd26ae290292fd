// The street's picture: its surfaces side by side in bands (StreetLayout.h),
// each drawn in metres across (s) and along (t) the street and repeating
// along it, so that a band tiles down the whole street.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>

#include "Image.h"
#include "Noise.h"
#include "StreetLayout.h"
#include "Textures.h"

namespace tandril::assetgen {
namespace {

using namespace street;

// Value noise in metres, repeating along t every `period` metres; `cell`
// must divide the period.
float noiseAlong(float s, float t, float cell, float period, int octaves, std::uint64_t seed) {
    float sum = 0.0f;
    float total = 0.0f;
    float amplitude = 1.0f;
    for (int k = 0; k < octaves; ++k) {
        const int repeat = static_cast<int>(std::lround(period / cell)) << k;
        const float scale = static_cast<float>(1 << k) / cell;
        sum += amplitude * valueNoise(s * scale, t * scale, 0, repeat,
                                      hashCombine(seed, static_cast<std::uint64_t>(k)));
        total += amplitude;
        amplitude *= 0.5f;
    }
    return sum / total;
}

// Which repeat of `size` a coordinate falls in, and where within it.
struct Tile {
    int index;
    float local;
};

Tile tileOf(float x, float size) {
    const float i = std::floor(x / size);
    return {static_cast<int>(i), x - i * size};
}

int wrap(int i, int count) {
    return ((i % count) + count) % count;
}

// Asphalt: a weathered grey binder holding stones of 5 to 15 mm, light and
// dark, and grit in every texel (`x`, `y` are the texel's column and row).
float asphalt(float s, float t, float period, int x, int y) {
    float grey = 0.3f + 0.07f * (noiseAlong(s, t, 1.2f, period, 3, 41) - 0.5f) +
                 0.035f * (noiseAlong(s, t, 0.2f, period, 2, 42) - 0.5f);
    const float cell = 0.02f;
    const int rows = static_cast<int>(std::lround(period / cell));
    const Tile cs = tileOf(s, cell);
    const Tile ct = tileOf(t, cell);
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            Random stone(hashCombine(hashCombine(43, static_cast<std::uint64_t>(cs.index + i)),
                                     static_cast<std::uint64_t>(wrap(ct.index + j, rows))));
            if (!stone.chance(0.45f)) {
                continue;
            }
            // One draw per statement: argument order is the compiler's.
            const float offsetS = stone.uniform();
            const float offsetT = stone.uniform();
            const glm::vec2 centre((cs.index + i + offsetS) * cell,
                                   (ct.index + j + offsetT) * cell);
            const float radius = stone.uniform(0.0025f, 0.0075f);
            const float tone =
                stone.chance(0.6f) ? stone.uniform(0.42f, 0.56f) : stone.uniform(0.15f, 0.21f);
            const float squash = stone.uniform(1.2f, 2.0f);
            const float turn = stone.uniform(0.0f, 3.14159f);
            const glm::vec2 axis(std::cos(turn), std::sin(turn));
            const glm::vec2 offset = glm::vec2(s, t) - centre;
            const float d = std::hypot(glm::dot(offset, axis),
                                       glm::dot(offset, glm::vec2(-axis.y, axis.x)) * squash);
            grey = glm::mix(grey, tone, glm::smoothstep(radius + 0.002f, radius - 0.001f, d));
        }
    }
    grey += 0.06f * (latticeValue(44, x, y) - 0.5f);
    return grey;
}

// 1 inside [from, to] with edges a few millimetres soft, eaten away where
// paint has worn off.
float paint(float s, float t, float from, float to, float period) {
    const float inside = glm::smoothstep(from - 0.006f, from + 0.006f, s) *
                         glm::smoothstep(to + 0.006f, to - 0.006f, s);
    const float wear = noiseAlong(s, t, 0.04f, period, 3, 45);
    return inside * glm::smoothstep(0.3f, 0.42f, wear);
}

const glm::vec3 kPaint(0.78f, 0.77f, 0.72f);
const glm::vec3 kAsphaltTint(0.98f, 1.0f, 1.04f);

constexpr float kRoadWidth = 2.0f * kHalfRoad;

glm::vec3 road(float s, float t, int x, int y) {
    const float period = kRepeat;
    float grey = asphalt(s, t, period, x, y);
    // Wheel tracks, 0.8 m either side of each lane's middle, polished darker.
    float track = 0.0f;
    for (const float centre : {1.2f, 2.8f, 5.2f, 6.8f}) {
        track = std::max(track, glm::smoothstep(0.35f, 0.0f, std::fabs(s - centre)));
    }
    grey *= 1.0f - 0.12f * track;
    // The gutters along the kerbs gather dirt and stay damp.
    const float kerb = std::min(s, kRoadWidth - s);
    grey *= 1.0f - 0.3f * glm::smoothstep(0.35f, 0.0f, kerb);
    glm::vec3 colour = grey * kAsphaltTint;
    // Edge lines and the dashed centre line.
    const float edgeLine = std::max(
        paint(s, t, kEdgeLineInset - kLineWidth / 2, kEdgeLineInset + kLineWidth / 2, period),
        paint(s, t, kRoadWidth - kEdgeLineInset - kLineWidth / 2,
              kRoadWidth - kEdgeLineInset + kLineWidth / 2, period));
    const float middle = kRoadWidth / 2;
    const float dash =
        glm::smoothstep(0.0f, 0.01f, t) * glm::smoothstep(kDashLength, kDashLength - 0.01f, t);
    const float centreLine =
        dash * paint(s, t, middle - kLineWidth / 2, middle + kLineWidth / 2, period);
    const float lines = std::max(edgeLine, centreLine);
    return glm::mix(colour, kPaint * (0.85f + 0.3f * (grey - 0.25f)), lines);
}

glm::vec3 parking(float s, float t, int x, int y) {
    const float period = kParking.period;
    glm::vec3 colour = asphalt(s, t, period, x, y) * kAsphaltTint;
    // Square to the kerb at every bay's edge (t = 0 of each bay; the lines
    // straddle it), and closed at the back.
    const float bayT = std::fmod(t + kLineWidth, kBayWidth) - kLineWidth;
    const float across = paint(bayT, s, -0.05f, 0.05f, period) * glm::smoothstep(0.1f, 0.12f, s) *
                         glm::smoothstep(4.62f, 4.6f, s);
    const float back = paint(s, t, 4.55f, 4.65f, period);
    return glm::mix(colour, kPaint, std::max(across, back));
}

// Concrete slabs 0.6 m square with sanded joints.
glm::vec3 slabs(float s, float t, int x, int y) {
    const float size = 0.6f;
    const Tile is = tileOf(s, size);
    const Tile it = tileOf(t, size);
    const int rows = static_cast<int>(std::lround(kRepeat / size));
    Random slab(hashCombine(hashCombine(51, static_cast<std::uint64_t>(is.index)),
                            static_cast<std::uint64_t>(wrap(it.index, rows))));
    float grey = slab.uniform(0.66f, 0.74f);
    const float warmth = slab.uniform(-0.02f, 0.02f);
    if (slab.chance(0.1f)) {
        grey *= 0.85f;  // a stained or newer slab
    }
    grey += 0.05f * (noiseAlong(s, t, 0.6f, kRepeat, 2, 52) - 0.5f) +
            0.04f * (noiseAlong(s, t, 0.05f, kRepeat, 2, 53) - 0.5f) +
            0.05f * (latticeValue(54, x, y) - 0.5f);
    // A crack across one slab in twelve.
    if (slab.chance(1.0f / 12.0f)) {
        const float a = slab.uniform(0.1f, 0.5f);
        const float b = slab.uniform(0.1f, 0.5f);
        const float line = a + (b - a) * it.local / size +
                           0.015f * (noiseAlong(s, t, 0.05f, kRepeat, 1, 55) - 0.5f);
        grey *= glm::mix(0.6f, 1.0f, glm::smoothstep(0.002f, 0.009f, std::fabs(is.local - line)));
    }
    const float edge = std::min({is.local, size - is.local, it.local, size - it.local});
    grey *= 0.8f + 0.2f * glm::smoothstep(0.004f, 0.02f, edge);
    if (edge < 0.004f) {
        grey = 0.17f + 0.04f * (latticeValue(56, x, y) - 0.5f);
    }
    return grey * glm::vec3(1.0f + warmth, 1.0f, 0.97f - warmth);
}

// Granite kerb stones 1.2 m long, speckled; `dirt` (0 to 1 across the band)
// darkens toward the road.
glm::vec3 kerb(float s, float t, float dirt, int x, int y) {
    const Tile stone = tileOf(t, 1.2f);
    Random r(hashCombine(61, static_cast<std::uint64_t>(wrap(stone.index, 8))));
    float grey = r.uniform(0.5f, 0.6f) + 0.04f * (noiseAlong(s, t, 0.3f, kRepeat, 2, 62) - 0.5f);
    const float speck = latticeValue(63, x, y);
    grey = speck < 0.15f ? grey * 0.5f : (speck > 0.92f ? grey * 1.25f : grey);
    grey *= 1.0f - 0.35f * dirt;
    const float joint = std::min(stone.local, 1.2f - stone.local);
    if (joint < 0.004f) {
        grey = 0.15f;
    }
    return grey * glm::vec3(1.0f, 0.99f, 0.98f);
}

// Granite setts in rows across the street, 12 cm along it, each row's joints
// half a sett from the last; domed, so darker toward their joints.
glm::vec3 setts(float s, float t, int x, int y) {
    const float size = 0.12f;
    const int rows = static_cast<int>(std::lround(kRepeat / size));
    const Tile row = tileOf(t, size);
    const int r = wrap(row.index, rows);
    const Tile along = tileOf(s + (r % 2 == 0 ? 0.0f : size / 2), size);
    Random sett(hashCombine(hashCombine(71, static_cast<std::uint64_t>(along.index)),
                            static_cast<std::uint64_t>(r)));
    float grey = sett.uniform(0.38f, 0.52f);
    glm::vec3 tint(1.0f);
    const float kind = sett.uniform();
    if (kind < 0.2f) {
        tint = glm::vec3(1.08f, 0.97f, 0.93f);  // red granite
    } else if (kind < 0.3f) {
        grey *= 0.65f;  // basalt
        tint = glm::vec3(0.96f, 0.98f, 1.05f);
    }
    grey += 0.06f * (latticeValue(72, x, y) - 0.5f) +
            0.03f * (noiseAlong(s, t, 0.48f, kRepeat, 2, 73) - 0.5f);
    const float edge = std::min({along.local, size - along.local, row.local, size - row.local});
    grey *= 0.7f + 0.3f * glm::smoothstep(0.006f, 0.03f, edge);
    if (edge < 0.007f) {
        return glm::vec3(0.13f + 0.04f * (latticeValue(74, x, y) - 0.5f));
    }
    return grey * tint;
}

// Near-black green enamel; varies only slowly along t, so the lamps may
// squeeze their coordinates across it.
glm::vec3 lampPaint(float t) {
    const float shade = 0.13f + 0.015f * (noiseAlong(0.0f, t, 0.6f, kRepeat, 2, 81) - 0.5f);
    return shade * glm::vec3(0.85f, 1.0f, 0.92f);
}

// The run's surface at s, from the house side's slabs to the far paving.
glm::vec3 runAt(float s, float t, int x, int y) {
    if (s < kKerbTopFrom) {
        return slabs(s - kSlabsFrom, t, x, y);
    }
    // The kerb's edge is worn smooth and pale, so that it catches the light
    // on both sides.
    if (s < kKerbFaceFrom) {
        const float edge = glm::smoothstep(kKerbFaceFrom - 0.02f, kKerbFaceFrom, s);
        return (1.0f + 0.3f * edge) * kerb(s - kKerbTopFrom, t, 0.0f, x, y);
    }
    if (s < kRoadFrom) {
        const float edge = glm::smoothstep(kKerbFaceFrom + 0.015f, kKerbFaceFrom, s);
        return (1.0f + 0.3f * edge) *
               kerb(s - kKerbFaceFrom, t, 0.4f + 0.6f * (s - kKerbFaceFrom) / kKerbFaceWidth, x, y);
    }
    if (s < kFlushKerbFrom) {
        return road(s - kRoadFrom, t, x, y);
    }
    if (s < kFarPavingFrom) {
        return kerb(s - kFlushKerbFrom, t, 0.0f, x, y);
    }
    return slabs(s - kFarPavingFrom, t, x, y);
}

}  // namespace

void writeStreetSurfaces(const std::filesystem::path& folder) {
    Image image(kAtlasWidth, kAtlasHeight);
    const auto fill = [&](int first, int end, float period, auto&& colourAt) {
        for (int x = first; x < end; ++x) {
            for (int y = 0; y < kAtlasHeight; ++y) {
                const float t = (static_cast<float>(y) + 0.5f) / kAtlasHeight * period;
                image.at(x, y) = colourAt(static_cast<float>(x) + 0.5f, t, x, y);
            }
        }
    };
    const auto fillBand = [&](const Band& band, auto&& colourAt) {
        const float metresPerColumn = band.width / static_cast<float>(band.end - band.first);
        fill(band.first, band.end, band.period, [&](float column, float t, int x, int y) {
            return colourAt((column - static_cast<float>(band.first)) * metresPerColumn, t, x, y);
        });
    };
    fillBand(kSetts, setts);
    fill(kRunFirst, kFarSetts.first, kRepeat, [](float column, float t, int x, int y) {
        return runAt(kSlabsFrom + (column - static_cast<float>(kRunFirst)) / kRunColumnsPerMetre, t,
                     x, y);
    });
    fillBand(kFarSetts, setts);
    fillBand(kParking, parking);
    fillBand(kLampPaint, [](float, float t, int, int) { return lampPaint(t); });
    const float settsMetresPerColumn = kSetts.width / static_cast<float>(kSetts.end - kSetts.first);
    fill(kSettsMirrorFirst, kAtlasWidth, kRepeat, [&](float column, float t, int x, int y) {
        return setts((static_cast<float>(kAtlasWidth) - column) * settsMetresPerColumn, t, x, y);
    });
    saveJpeg(image, folder / "asphalt.jpg", Chroma::Subsampled);
}

}  // namespace tandril::assetgen
