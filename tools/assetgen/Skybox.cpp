// The sky box at dusk: the sun has just set behind the city ahead and to the
// right of the starting camera, leaving a warm glow low on that side under a
// deep blue sky with the first stars; the skyline stands against it as a
// silhouette with lit windows, and below the horizon lies the dark haze that
// the street fades into with distance (the shaders' fog colour), which is
// also what the parked car's paint reflects under its waist line.
//
// Each texel is coloured from its own direction, computed with the cube-map
// face table of OpenGL, so the faces meet without seams.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>
#include <glm/vec2.hpp>

#include "Image.h"
#include "Noise.h"
#include "Textures.h"

namespace tandril::assetgen {
namespace {

constexpr int kFaceSize = 512;

const glm::vec3 kZenith(0.012f, 0.03f, 0.09f);
const glm::vec3 kHigh(0.04f, 0.08f, 0.21f);
// The horizon away from the glow: the blue hour's violet-blue.
const glm::vec3 kHorizon(0.16f, 0.17f, 0.32f);
// Toward the set sun: orange at the horizon, rose above it.
const glm::vec3 kGlow(0.95f, 0.50f, 0.20f);
const glm::vec3 kRose(0.55f, 0.30f, 0.38f);
const glm::vec3 kWindow(1.0f, 0.78f, 0.45f);

// Horizontal direction of the set sun.
glm::vec3 glowDirection() {
    return glm::normalize(glm::vec3(0.45f, 0.0f, -1.0f));
}

// Direction through (s, t) of a face, in the order the engine loads them:
// +X, -X, +Y, -Y, +Z, -Z. Inverts the table sc/tc = f(direction) / |major|.
glm::vec3 faceDirection(int face, float s, float t) {
    const float sc = 2.0f * s - 1.0f;
    const float tc = 2.0f * t - 1.0f;
    switch (face) {
        case 0:
            return {1.0f, -tc, -sc};
        case 1:
            return {-1.0f, -tc, sc};
        case 2:
            return {sc, 1.0f, tc};
        case 3:
            return {sc, -1.0f, -tc};
        case 4:
            return {sc, -tc, 1.0f};
        default:
            return {-sc, -tc, -1.0f};
    }
}

// Buildings along the horizon, as elevation angle over azimuth; built once
// around the full circle so it closes on itself.
class Skyline {
  public:
    Skyline(std::uint64_t seed, float lowest, float highest, float towerChance) : m_seed(seed) {
        Random random(seed);
        float azimuth = 0.0f;
        while (azimuth < glm::two_pi<float>()) {
            const float width = random.uniform(0.008f, 0.04f);
            // Denser, taller blocks toward a city centre behind the street's far end.
            const float centre = 0.5f + 0.5f * std::cos(azimuth - 0.25f);
            float height = random.uniform(lowest, highest) * (0.35f + 0.65f * centre);
            if (random.chance(towerChance * centre)) {
                height *= random.uniform(1.6f, 2.6f);
            }
            if (random.chance(0.12f)) {
                height *= 0.2f;  // a gap: parks, low sheds
            }
            m_starts.push_back(azimuth);
            m_heights.push_back(height);
            // How many of its windows are lit: offices empty, flats filling up.
            m_litShares.push_back(random.chance(0.3f) ? random.uniform(0.3f, 0.6f)
                                                      : random.uniform(0.02f, 0.15f));
            azimuth += width;
        }
    }

    // The building at `azimuth` in [0, 2 pi): its index, height and start.
    std::size_t at(float azimuth, float& height, float& start) const {
        const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), azimuth);
        const auto i =
            static_cast<std::size_t>(std::max<std::ptrdiff_t>(it - m_starts.begin() - 1, 0));
        height = m_heights[i];
        start = m_starts[i];
        return i;
    }

    // How lit a facade is at (azimuth, elevation): windows in a grid of
    // cells `cell` radians wide, each lit or dark by a hash, with dark
    // margins between them.
    float windowLight(std::size_t building, float azimuth, float start, float elevation,
                      float cell) const {
        const float u = (azimuth - start) / cell;
        const float v = elevation / (cell * 1.4f);
        const auto column = static_cast<std::int64_t>(std::floor(u));
        const auto row = static_cast<std::int64_t>(std::floor(v));
        if (column < 1 || row < 1) {
            return 0.0f;
        }
        const float lit =
            latticeValue(hashCombine(m_seed, building), column, row) < m_litShares[building] ? 1.0f
                                                                                             : 0.0f;
        const float fu = u - static_cast<float>(column);
        const float fv = v - static_cast<float>(row);
        const float pane = glm::smoothstep(0.15f, 0.35f, fu) * glm::smoothstep(0.85f, 0.65f, fu) *
                           glm::smoothstep(0.2f, 0.4f, fv) * glm::smoothstep(0.8f, 0.6f, fv);
        return lit * pane;
    }

  private:
    std::uint64_t m_seed;
    std::vector<float> m_starts;
    std::vector<float> m_heights;
    std::vector<float> m_litShares;
};

struct Sky {
    Skyline far{41, 0.01f, 0.06f, 0.2f};
    Skyline near{42, 0.004f, 0.022f, 0.05f};

    glm::vec3 colour(const glm::vec3& direction) const {
        const glm::vec3 d = glm::normalize(direction);
        const float elevation = std::asin(std::clamp(d.y, -1.0f, 1.0f));
        if (elevation < 0.0f) {
            return kFogColour;
        }

        // How much a direction looks toward the set sun, and how low it is.
        const glm::vec3 flat = glm::normalize(glm::vec3(d.x, 0.0f, d.z) + glm::vec3(1e-6f));
        const float toward = std::max(glm::dot(flat, glowDirection()), 0.0f);
        const float glow = std::pow(toward, 3.0f);
        const float up = elevation / glm::half_pi<float>();

        // Sky: the horizon's colour rising into deep blue; the glow keeps low.
        const glm::vec3 horizon = glm::mix(kHorizon, kGlow, glow);
        glm::vec3 c = glm::mix(horizon, kHigh, glm::smoothstep(0.0f, 0.35f, std::pow(up, 0.7f)));
        c = glm::mix(c, kZenith, glm::smoothstep(0.25f, 1.0f, up));
        // Rose above the orange band, toward the glow only.
        c += (kRose - kHorizon) * 0.45f * glow * std::exp(-std::pow((up - 0.09f) / 0.07f, 2.0f));
        float azimuth = std::atan2(d.x, -d.z);
        if (azimuth < 0.0f) {
            azimuth += glm::two_pi<float>();
        }
        c += bands(azimuth, elevation, glow);
        c += stars(d, elevation, glow);

        // Two layers of buildings, the farther one paler in the haze; their
        // lit windows, and haze rising from their feet.
        float height, start;
        std::size_t building = far.at(azimuth, height, start);
        if (elevation < height) {
            const glm::vec3 wall = glm::mix(kFogColour * 1.6f, kFogColour * 2.4f, 0.5f * glow);
            c = wall +
                kWindow * 0.55f * far.windowLight(building, azimuth, start, elevation, 0.0035f);
        }
        const float nearAzimuth = std::fmod(azimuth + 1.3f, glm::two_pi<float>());
        building = near.at(nearAzimuth, height, start);
        if (elevation < height) {
            c = kFogColour * 1.1f +
                kWindow * 0.8f * near.windowLight(building, nearAzimuth, start, elevation, 0.005f);
        }
        // The haze at the foot of the skyline runs into the ground below it.
        return glm::mix(kFogColour, c, glm::smoothstep(0.0f, 0.012f, elevation));
    }

    // A few long, thin cloud bands lying along the horizon, lit from below
    // where they cross the glow, a shade darker than the sky elsewhere.
    static glm::vec3 bands(float azimuth, float elevation, float glow) {
        if (elevation < 0.015f || elevation > 0.35f) {
            return glm::vec3(0.0f);
        }
        // Periodic in azimuth so the bands close around the circle.
        const float n = tileFbm(azimuth / glm::two_pi<float>(), elevation * 2.0f, 7, 16, 4, 71);
        const float density = glm::smoothstep(0.56f, 0.72f, n) *
                              glm::smoothstep(0.015f, 0.05f, elevation) *
                              glm::smoothstep(0.35f, 0.12f, elevation);
        const glm::vec3 lit = glm::vec3(0.8f, 0.4f, 0.32f) * glow;
        const glm::vec3 shade = glm::vec3(-0.035f, -0.035f, -0.06f) * (1.0f - glow);
        return (lit + shade) * density;
    }

    // Sparse stars, more and brighter higher up and away from the glow.
    static glm::vec3 stars(const glm::vec3& d, float elevation, float glow) {
        const float visible = glm::smoothstep(0.2f, 0.7f, elevation) * (1.0f - glow);
        if (visible <= 0.0f) {
            return glm::vec3(0.0f);
        }
        // Cells of about a texel over the sphere, by direction.
        const float cell = 0.004f;
        const glm::vec3 q = d / cell;
        const glm::vec3 base = glm::floor(q);
        const float h = latticeValue(
            81, static_cast<std::int64_t>(base.x),
            static_cast<std::int64_t>(base.y) * 4099 + static_cast<std::int64_t>(base.z));
        if (h < 0.9975f) {
            return glm::vec3(0.0f);
        }
        const float brightness = (h - 0.9975f) / 0.0025f;
        const float centred = 1.0f - glm::length(q - base - glm::vec3(0.5f)) / 0.6f;
        return glm::vec3(0.8f, 0.85f, 1.0f) * visible * (0.25f + 0.6f * brightness) *
               std::max(centred, 0.0f);
    }
};

}  // namespace

void writeSkybox(const std::filesystem::path& folder) {
    const Sky sky;
    const std::array<const char*, 6> names{"right", "left", "top", "bottom", "back", "front"};
    const float n = static_cast<float>(kFaceSize);
    for (int face = 0; face < 6; ++face) {
        Image image(kFaceSize, kFaceSize);
        for (int row = 0; row < kFaceSize; ++row) {  // row 0: top of the picture
            for (int column = 0; column < kFaceSize; ++column) {
                const float s = (column + 0.5f) / n;
                const float t = (row + 0.5f) / n;
                glm::vec3 c(0.0f);
                // Four samples per texel near the horizon, where the rooftops'
                // edges are sharp; one elsewhere.
                const glm::vec3 centre = glm::normalize(faceDirection(face, s, t));
                if (std::fabs(centre.y) < 0.1f) {
                    for (int k = 0; k < 4; ++k) {
                        const float ds = ((k % 2) - 0.5f) * 0.5f / n;
                        const float dt = ((k / 2) - 0.5f) * 0.5f / n;
                        c += 0.25f * sky.colour(faceDirection(face, s + ds, t + dt));
                    }
                } else {
                    c = sky.colour(centre);
                }
                // Half a level of dither against banding in the smooth gradient.
                c += (latticeValue(61 + face, column, row) - 0.5f) / 255.0f;
                // FreeImage keeps the bottom row first; SOIL hands the top row
                // (stored first in the JPEG) to the cube map as t = 0.
                image.at(column, kFaceSize - 1 - row) = c;
            }
        }
        saveJpeg(image, folder / "skybox" / (std::string(names[face]) + ".jpg"),
                 Chroma::Subsampled);
    }
}

}  // namespace tandril::assetgen
