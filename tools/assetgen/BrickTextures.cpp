// An old, damaged brick wall in running bond. One layout drives all three
// pictures: the colour, the height (mortar low, brick faces high, chips and
// cracks low) and the normal map derived from that very height, so parallax
// and lighting agree. Everything wraps at the picture's edges.
//
// The house walls repeat the picture every 2 m: 8 bricks of 25 cm across and
// 24 courses of 8.3 cm up.
#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/vec2.hpp>

#include "Image.h"
#include "Noise.h"
#include "Textures.h"

namespace tandril::assetgen {
namespace {

constexpr int kSize = 512;
constexpr int kBricksPerCourse = 8;
constexpr int kCourses = 24;
constexpr float kCourseHeight = static_cast<float>(kSize) / kCourses;
constexpr float kBrickLength = static_cast<float>(kSize) / kBricksPerCourse;

enum class Damage { None, Spalled, Missing };

struct Brick {
    glm::vec3 colour;
    float faceHeight;
    float tilt;                   // height change across the brick
    std::array<float, 4> chip{};  // radius at each corner in pixels, 0 = intact
    bool cracked = false;
    std::array<glm::vec2, 4> crack;  // polyline in brick-local pixels, top to bottom
    Damage damage = Damage::None;
};

struct Layout {
    // Left edge of each brick in each course, in pixels, increasing; the
    // brick after the last starts at the first edge plus the picture width.
    std::array<std::array<float, kBricksPerCourse>, kCourses> edges;
    std::array<std::array<Brick, kBricksPerCourse>, kCourses> bricks;
};

glm::vec3 brickColour(Random& random) {
    // Mostly red-browns, some dark overfired ones, a few pale or sooty.
    static const std::array<glm::vec3, 6> palette{{
        {0.56f, 0.26f, 0.18f},
        {0.50f, 0.24f, 0.17f},
        {0.62f, 0.32f, 0.21f},
        {0.42f, 0.21f, 0.16f},
        {0.34f, 0.19f, 0.16f},
        {0.60f, 0.42f, 0.32f},
    }};
    static const std::array<float, 6> weights{0.28f, 0.24f, 0.18f, 0.14f, 0.09f, 0.07f};
    float pick = random.uniform();
    std::size_t i = 0;
    while (i + 1 < weights.size() && pick >= weights[i]) {
        pick -= weights[i];
        ++i;
    }
    const float shade = random.uniform(0.9f, 1.1f);
    return palette[i] * shade;
}

Layout makeLayout() {
    Random random(0xB51C4u);
    Layout layout;
    for (int r = 0; r < kCourses; ++r) {
        // Running bond: every other course shifted by half a brick.
        const float offset = (r % 2) * 0.5f * kBrickLength + random.uniform(-3.0f, 3.0f);
        for (int k = 0; k < kBricksPerCourse; ++k) {
            const float jitter = k == 0 ? 0.0f : random.uniform(-4.0f, 4.0f);
            layout.edges[r][k] = offset + 4.0f + k * kBrickLength + jitter;
        }
        for (int k = 0; k < kBricksPerCourse; ++k) {
            Brick& b = layout.bricks[r][k];
            b.colour = brickColour(random);
            b.faceHeight = random.uniform(0.76f, 0.9f);
            b.tilt = random.uniform(-0.08f, 0.08f);
            for (float& c : b.chip) {
                c = random.chance(0.35f) ? random.uniform(3.0f, 12.0f) : 0.0f;
            }
            b.cracked = random.chance(0.14f);
            const float length = kBrickLength;
            // Mostly vertical, wandering a little: what settling does to a brick.
            float crackX = random.uniform(0.2f, 0.8f) * length;
            for (int i = 0; i < 4; ++i) {
                b.crack[i] = {crackX, kCourseHeight * (1.0f - static_cast<float>(i) / 3.0f)};
                crackX += random.uniform(-0.09f, 0.09f) * length;
            }
            const float d = random.uniform();
            b.damage = d < 0.035f ? Damage::Missing : d < 0.12f ? Damage::Spalled : Damage::None;
        }
    }
    return layout;
}

float distanceToSegment(const glm::vec2& p, const glm::vec2& a, const glm::vec2& b) {
    const glm::vec2 ab = b - a;
    const float t = std::clamp(glm::dot(p - a, ab) / glm::dot(ab, ab), 0.0f, 1.0f);
    return glm::length(p - (a + t * ab));
}

struct Sample {
    float height;
    glm::vec3 colour;
};

Sample sampleWall(const Layout& layout, float px, float py) {
    const float u = px / kSize;
    const float v = py / kSize;
    const int course = std::min(static_cast<int>(py / kCourseHeight), kCourses - 1);
    const float ly = py - course * kCourseHeight;
    const auto& edges = layout.edges[course];
    float x = px < edges[0] ? px + kSize : px;
    int k = kBricksPerCourse - 1;
    while (k > 0 && x < edges[k]) {
        --k;
    }
    const float next = k + 1 < kBricksPerCourse ? edges[k + 1] : edges[0] + kSize;
    const float lx = x - edges[k];
    const float length = next - edges[k];
    const Brick& brick = layout.bricks[course][k];

    // Signed distance into the brick face (positive inside), with rounded
    // corners and edges worn away irregularly.
    const float mortar = 1.3f + 0.7f * tileFbm(u, v, 16, 16, 2, 11);
    const float dx = std::min(lx - mortar, length - mortar - lx);
    const float dy = std::min(ly - mortar, kCourseHeight - mortar - ly);
    const float round = 2.5f;
    float inside = std::min(dx, dy);
    if (dx < round && dy < round && dx > 0.0f && dy > 0.0f) {
        inside = round - glm::length(glm::vec2(round - dx, round - dy));
    }
    const float wear = tileFbm(u, v, 64, 64, 3, 12);
    inside -= 3.5f * std::max(0.0f, wear - 0.45f) + 1.4f * (tileFbm(u, v, 160, 160, 1, 20) - 0.5f);

    // Chipped corners: the face breaks away inside a ragged radius.
    const std::array<glm::vec2, 4> corners{
        {{0.0f, 0.0f}, {length, 0.0f}, {length, kCourseHeight}, {0.0f, kCourseHeight}}};
    float chip = 0.0f;
    for (int c = 0; c < 4; ++c) {
        if (brick.chip[c] > 0.0f) {
            const float d = glm::length(glm::vec2(lx, ly) - corners[c]);
            const float ragged = brick.chip[c] * (0.7f + 0.6f * tileFbm(u, v, 64, 64, 2, 13 + c));
            chip = std::max(chip, glm::smoothstep(ragged, ragged - 2.0f, d));
        }
    }

    const float grain = tileFbm(u, v, 128, 128, 2, 14);
    const float mottling = tileFbm(u, v, 24, 24, 4, 15);
    Sample s;
    if (inside <= 0.0f) {
        // Mortar: recessed, gritty, grey-beige.
        s.height = 0.16f + 0.1f * grain;
        s.colour = glm::vec3(0.55f, 0.52f, 0.47f) * (0.75f + 0.4f * mottling);
    } else {
        const float bevel = glm::smoothstep(0.0f, 2.8f, inside);
        const float across = lx / length - 0.5f;
        float face = brick.faceHeight + brick.tilt * across + 0.06f * (grain - 0.5f) +
                     0.05f * (mottling - 0.5f);
        glm::vec3 colour = brick.colour * (0.78f + 0.45f * mottling) * (0.88f + 0.24f * grain);
        // Pits and lime specks in the fired clay.
        const float speck = latticeValue(26, static_cast<int>(px), static_cast<int>(py));
        if (speck > 0.995f) {
            colour *= 0.7f;
            face -= 0.06f;
        } else if (speck < 0.004f) {
            colour = glm::mix(colour, glm::vec3(0.78f, 0.72f, 0.62f), 0.45f);
        }
        if (brick.damage == Damage::Spalled) {
            // The fired skin has flaked off part of the face: fresher, paler clay.
            const float flake = glm::smoothstep(0.5f, 0.56f, tileFbm(u, v, 32, 32, 3, 16));
            face -= 0.16f * flake;
            colour = glm::mix(colour, brick.colour * glm::vec3(1.25f, 1.2f, 1.1f), 0.6f * flake);
        } else if (brick.damage == Damage::Missing) {
            // Broken out: a rough cavity showing dark backing and debris.
            face = 0.28f + 0.16f * tileFbm(u, v, 96, 96, 3, 17);
            colour = glm::vec3(0.26f, 0.2f, 0.17f) * (0.7f + 0.6f * grain);
        }
        s.height = glm::mix(0.3f, face, bevel);
        s.colour = glm::mix(colour * 0.92f, colour, bevel);
        if (chip > 0.0f) {
            s.height = glm::mix(s.height, 0.36f + 0.12f * grain, chip);
            s.colour = glm::mix(s.colour, brick.colour * 0.85f * (0.8f + 0.4f * grain), chip);
        }
        if (brick.cracked && brick.damage != Damage::Missing) {
            const glm::vec2 p(lx, ly);
            float d = 1e9f;
            for (int i = 0; i < 3; ++i) {
                d = std::min(d, distanceToSegment(p, brick.crack[i], brick.crack[i + 1]));
            }
            const float crack = glm::smoothstep(1.1f, 0.3f, d);
            s.height -= 0.4f * crack * s.height;
            s.colour = glm::mix(s.colour, glm::vec3(0.14f, 0.1f, 0.09f), 0.7f * crack);
        }
    }

    // Grime: large soft patches and streaks running down the wall. Low
    // places collect more of it.
    const float patches = tileFbm(u, v, 3, 3, 4, 18);
    const float streaks = tileFbm(u, v, 20, 2, 3, 19);
    const float dirt = std::clamp(0.55f * (patches - 0.35f) + 0.6f * (streaks - 0.5f), 0.0f, 1.0f);
    const glm::vec3 grey(glm::dot(s.colour, glm::vec3(0.3f, 0.5f, 0.2f)));
    s.colour = glm::mix(s.colour, grey * 0.7f, 0.8f * dirt);
    s.colour *= 0.72f + 0.3f * s.height;
    return s;
}

}  // namespace

void writeBrickTextures(const std::filesystem::path& folder) {
    const Layout layout = makeLayout();
    Image colour(kSize, kSize);
    Image height(kSize, kSize);
    std::vector<float> h(static_cast<std::size_t>(kSize) * kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const Sample s = sampleWall(layout, x + 0.5f, y + 0.5f);
            colour.at(x, y) = s.colour;
            height.at(x, y) = glm::vec3(s.height);
            h[static_cast<std::size_t>(y) * kSize + x] = s.height;
        }
    }

    // Tangent-space normals by central differences, wrapping at the edges:
    // +x toward increasing u (right), +y toward increasing v (up), +z out.
    // A height step of 1 is about 1.5 cm of relief, four texels' width.
    const float strength = 4.0f;
    auto at = [&](int x, int y) {
        return h[static_cast<std::size_t>((y + kSize) % kSize) * kSize + (x + kSize) % kSize];
    };
    Image normal(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float du = 0.5f * (at(x + 1, y) - at(x - 1, y));
            const float dv = 0.5f * (at(x, y + 1) - at(x, y - 1));
            const glm::vec3 n = glm::normalize(glm::vec3(-strength * du, -strength * dv, 1.0f));
            normal.at(x, y) = n * 0.5f + 0.5f;
        }
    }
    saveJpeg(colour, folder / "Brick_OldDestroyed_d.jpg", Chroma::Subsampled);
    saveJpeg(height, folder / "Brick_OldDestroyed_h.jpg", Chroma::Subsampled);
    saveJpeg(normal, folder / "Brick_OldDestroyed_n.jpg", Chroma::Full);
}

}  // namespace tandril::assetgen
