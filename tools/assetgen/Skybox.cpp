// The sky box: a deep blue zenith fading to a pale horizon, a low sun ahead
// of the starting camera with its glow, soft clouds, a hazy city skyline on
// the horizon and dark ground below it (which is what chrome reflects under
// its waist line).
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

const glm::vec3 kZenith(0.09f, 0.25f, 0.60f);
const glm::vec3 kHorizon(0.74f, 0.83f, 0.92f);
const glm::vec3 kSunColour(1.0f, 0.93f, 0.80f);

glm::vec3 sunDirection() {
    return glm::normalize(glm::vec3(0.3f, 0.35f, -0.9f));
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

// Rooftops along the horizon, as elevation angle over azimuth; built once
// around the full circle so it closes on itself.
class Skyline {
  public:
    Skyline(std::uint64_t seed, float lowest, float highest, float towerChance) {
        Random random(seed);
        float azimuth = 0.0f;
        while (azimuth < glm::two_pi<float>()) {
            const float width = random.uniform(0.006f, 0.035f);
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
            m_tones.push_back(random.uniform(0.9f, 1.08f));
            azimuth += width;
        }
    }

    // Height and tone of the building at `azimuth` in [0, 2 pi).
    void at(float azimuth, float& height, float& tone) const {
        const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), azimuth);
        const auto i =
            static_cast<std::size_t>(std::max<std::ptrdiff_t>(it - m_starts.begin() - 1, 0));
        height = m_heights[i];
        tone = m_tones[i];
    }

  private:
    std::vector<float> m_starts;
    std::vector<float> m_heights;
    std::vector<float> m_tones;
};

struct Sky {
    Skyline far{41, 0.006f, 0.045f, 0.2f};
    Skyline near{42, 0.003f, 0.02f, 0.05f};

    glm::vec3 colour(const glm::vec3& direction) const {
        const glm::vec3 d = glm::normalize(direction);
        const glm::vec3 sun = sunDirection();
        const float sunCos = glm::dot(d, sun);
        const float sunAngle = std::acos(std::clamp(sunCos, -1.0f, 1.0f));
        const float toward = std::max(sunCos, 0.0f);
        const float elevation = std::asin(std::clamp(d.y, -1.0f, 1.0f));

        // Sky: pale and a little warm at the horizon, deep blue overhead.
        const float up = std::max(d.y, 0.0f);
        glm::vec3 c = glm::mix(kHorizon, kZenith, std::pow(up, 0.5f));
        c += glm::vec3(0.22f, 0.14f, 0.04f) * std::pow(toward, 6.0f) * (1.0f - 0.6f * up);
        c += clouds(d, sunCos, sunAngle, c);
        c += kSunColour * (0.18f * std::pow(toward, 48.0f) + 0.5f * std::pow(toward, 600.0f));
        const float disc = glm::smoothstep(0.024f, 0.019f, sunAngle);
        c = glm::mix(c, glm::vec3(1.0f, 0.98f, 0.93f), disc);

        // Ground below the horizon: a thin band of haze, then dark land, so
        // the far end of the street blends in and chrome shows a crisp
        // horizon under its waist line.
        if (d.y < 0.0f) {
            c = glm::mix(c, ground(d), glm::smoothstep(0.0f, -0.004f, d.y));
        }

        // Two layers of rooftops, the farther one lost in haze.
        float azimuth = std::atan2(d.x, -d.z);
        if (azimuth < 0.0f) {
            azimuth += glm::two_pi<float>();
        }
        float height, tone;
        far.at(azimuth, height, tone);
        if (elevation < height) {
            const float haze = glm::smoothstep(-0.01f, height + 0.001f, elevation);
            c = glm::mix(glm::vec3(0.46f, 0.52f, 0.62f), glm::vec3(0.52f, 0.58f, 0.68f), haze) *
                tone;
        }
        near.at(std::fmod(azimuth + 1.3f, glm::two_pi<float>()), height, tone);
        if (elevation < height) {
            c = glm::vec3(0.30f, 0.33f, 0.39f) * tone;
        }
        if (elevation < -0.004f) {
            c = ground(d);
        }
        return c;
    }

    static glm::vec3 ground(const glm::vec3& d) {
        const float haze = glm::smoothstep(-0.03f, 0.0f, d.y);
        const float depth = std::pow(std::min(-d.y / 0.4f, 1.0f), 0.7f);
        const glm::vec3 land =
            glm::mix(glm::vec3(0.25f, 0.26f, 0.28f), glm::vec3(0.13f, 0.13f, 0.14f), depth);
        return glm::mix(land, glm::vec3(0.42f, 0.46f, 0.52f), haze);
    }

    // What the clouds add to the sky colour `sky` in direction d.
    static glm::vec3 clouds(const glm::vec3& d, float sunCos, float sunAngle,
                            const glm::vec3& sky) {
        if (d.y < 0.01f) {
            return glm::vec3(0.0f);
        }
        // Project onto a cloud deck; warp the noise for billowy shapes.
        const glm::vec2 p = glm::vec2(d.x, d.z) * (1.6f / (d.y + 0.08f));
        const glm::vec2 warp(fbm(p.x * 0.8f, p.y * 0.8f, 3, 51),
                             fbm(p.x * 0.8f + 7.3f, p.y * 0.8f, 3, 52));
        const glm::vec2 q = p + 0.55f * (warp - 0.5f);
        const float n = fbm(q.x, q.y, 6, 53);
        float density = glm::smoothstep(0.52f, 0.7f, n);
        density *= glm::smoothstep(0.01f, 0.2f, d.y);        // thin out toward the horizon
        density *= glm::smoothstep(0.05f, 0.16f, sunAngle);  // keep the sun's disc clear
        // Lit tops are those whose noise rises toward the sun.
        // (The coarse octaves are enough to tell which way the cloud thickens.)
        const float coarse = fbm(q.x, q.y, 3, 53);
        const float lit =
            glm::clamp(0.5f + 2.5f * (coarse - fbm(q.x - 0.08f, q.y + 0.2f, 3, 53)), 0.0f, 1.0f);
        const float toward = std::max(sunCos, 0.0f);
        glm::vec3 cloud = glm::mix(glm::vec3(0.62f, 0.66f, 0.74f), glm::vec3(1.0f, 0.98f, 0.95f),
                                   0.4f + 0.6f * lit);
        cloud += glm::vec3(0.5f, 0.4f, 0.25f) * std::pow(toward, 10.0f) * (1.0f - density);
        // Never as bright as the sun: the sun stays the one white-hot spot.
        cloud = glm::min(cloud, glm::vec3(0.96f));
        return (cloud - sky) * (0.9f * density);
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
