// A street lamp: plinth, tapered pole with collars, an arm curving over the
// road and a flat lantern whose underside is a glass panel.
//
// The scene scales it by 0.5 (one unit = 0.5 m) and turns it 1.6 rad about
// y, which takes model +z to world +x, toward the road. The scene's light
// hangs 4 m from the pole at 5 m height, i.e. at model (0, ~9.75, 8): just
// under the glass.
#include <algorithm>
#include <cmath>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>

#include "Materials.h"
#include "Models.h"
#include "Shapes.h"
#include "StreetLayout.h"

namespace tandril::assetgen {
namespace {

constexpr float kUvPerUnit = uvPerUnit(1.0f);  // metal repeats every 0.5 m

struct PathPoint {
    glm::vec3 centre;
    float radius;
};

// A tube along `path` with `sides` sides and closed ends. The ring frame is
// carried along by parallel transport so the tube does not twist at the bend.
void addTube(Mesh& mesh, const std::vector<PathPoint>& path, int sides) {
    std::vector<std::vector<Vertex>> rows;
    const auto n = path.size();
    glm::vec3 normal(1.0f, 0.0f, 0.0f);
    float along = 0.0f;
    rows.push_back(std::vector<Vertex>(sides + 1, Vertex{path[0].centre, {0.0f, 0.0f}}));
    for (std::size_t k = 0; k < n; ++k) {
        const glm::vec3 tangent =
            glm::normalize(path[std::min(k + 1, n - 1)].centre - path[k == 0 ? 0 : k - 1].centre);
        // Remove the part of the old normal along the new tangent.
        normal = glm::normalize(normal - glm::dot(normal, tangent) * tangent);
        const glm::vec3 binormal = glm::cross(tangent, normal);
        if (k > 0) {
            along += glm::length(path[k].centre - path[k - 1].centre);
        }
        std::vector<Vertex> ring;
        for (int j = 0; j <= sides; ++j) {
            const float a =
                glm::two_pi<float>() * static_cast<float>(j % sides) / static_cast<float>(sides);
            const glm::vec3 p =
                path[k].centre + path[k].radius * (std::cos(a) * normal + std::sin(a) * binormal);
            const float u = static_cast<float>(j) / static_cast<float>(sides);
            ring.push_back(
                {p, {u * glm::two_pi<float>() * 0.12f * kUvPerUnit, along * kUvPerUnit}});
        }
        rows.push_back(ring);
    }
    rows.push_back(
        std::vector<Vertex>(sides + 1, Vertex{path[n - 1].centre, {0.0f, along * kUvPerUnit}}));
    mesh.addGrid(rows, false);
}

// Signed power of a cosine or sine: the superellipse's rounded-box outline.
float signedPow(float value, float exponent) {
    return std::copysign(std::pow(std::fabs(value), exponent), value);
}

// A ring around the lantern's plan outline at height y, scaled by `scale`.
std::vector<Vertex> lanternRing(const glm::vec3& centre, const glm::vec2& halfSize, float y,
                                float scale, int columns) {
    std::vector<Vertex> ring;
    for (int j = 0; j <= columns; ++j) {
        const float a =
            glm::two_pi<float>() * static_cast<float>(j % columns) / static_cast<float>(columns);
        // Angle grows toward -z so columns run to the right seen from outside.
        const glm::vec3 p(centre.x + scale * halfSize.x * signedPow(std::cos(a), 0.35f), y,
                          centre.z - scale * halfSize.y * signedPow(std::sin(a), 0.35f));
        ring.push_back({p, glm::vec2(p.x, p.z) * kUvPerUnit});
    }
    return ring;
}

}  // namespace

Mesh makeStreetLamp() {
    Mesh mesh;

    // Plinth: its foot reaches 0.5 below the origin so the scene's small lift
    // never leaves it floating.
    addLathe(mesh, glm::vec3(0.0f),
             {{0.0f, -0.5f},
              {0.44f, -0.5f},
              {0.44f, 0.45f},
              {0.38f, 0.55f},
              {0.31f, 0.62f},
              {0.27f, 0.95f},
              {0.21f, 1.05f},
              {0.17f, 1.2f},
              {0.0f, 1.2f}},
             20, kUvPerUnit);

    // Pole with two collars, then a quarter circle into the horizontal arm.
    std::vector<PathPoint> path{
        {{0, 1.1f, 0}, 0.15f},   {{0, 1.55f, 0}, 0.15f}, {{0, 1.58f, 0}, 0.19f},
        {{0, 1.78f, 0}, 0.19f},  {{0, 1.81f, 0}, 0.15f}, {{0, 6.0f, 0}, 0.115f},
        {{0, 6.03f, 0}, 0.145f}, {{0, 6.2f, 0}, 0.145f}, {{0, 6.23f, 0}, 0.112f},
        {{0, 8.9f, 0}, 0.095f},
    };
    const float bendRadius = 1.3f;
    const glm::vec3 bendCentre(0.0f, 8.9f, bendRadius);
    for (int k = 1; k <= 10; ++k) {
        const float a = glm::half_pi<float>() * static_cast<float>(k) / 10.0f;
        path.push_back(
            {bendCentre + bendRadius * glm::vec3(0.0f, std::sin(a), -std::cos(a)), 0.09f});
    }
    path.push_back({{0, 8.9f + bendRadius, 4.5f}, 0.08f});
    path.push_back({{0, 8.9f + bendRadius, 7.5f}, 0.08f});
    addTube(mesh, path, 12);

    // Lantern: a flat rounded box 0.9 wide, 2.1 long, its flat bottom at 9.95
    // and a domed top, centred where the light hangs.
    const glm::vec3 lanternCentre(0.0f, 0.0f, 8.0f);
    const glm::vec2 halfSize(0.45f, 1.05f);
    const int columns = 24;
    const float bottom = 9.95f;
    std::vector<std::vector<Vertex>> rows;
    rows.push_back(std::vector<Vertex>(columns + 1, Vertex{{0, bottom, 8.0f}, {0, 0}}));
    rows.push_back(lanternRing(lanternCentre, halfSize, bottom, 1.0f, columns));
    const float skirtTop = 10.08f;
    const float domeHeight = 0.42f;
    for (int i = 0; i <= 6; ++i) {
        const float a = glm::half_pi<float>() * static_cast<float>(i) / 6.0f;
        // Exactly closed at the top: cos(pi / 2) in floats is not quite 0.
        const float scale = i == 6 ? 0.0f : signedPow(std::cos(a), 0.6f);
        const float y = skirtTop + domeHeight * signedPow(std::sin(a), 0.8f);
        rows.push_back(lanternRing(lanternCentre, halfSize, y, scale, columns));
    }
    mesh.addGrid(rows, false);

    // Glass: a thin panel standing 3 cm proud of the lantern's underside.
    rows.clear();
    const float glass = bottom - 0.03f;
    rows.push_back(std::vector<Vertex>(columns + 1, Vertex{{0, glass, 8.0f}, {0, 0}}));
    rows.push_back(lanternRing(lanternCentre, halfSize, glass, 0.8f, columns));
    rows.push_back(lanternRing(lanternCentre, halfSize, bottom + 0.01f, 0.8f, columns));
    rows.push_back(std::vector<Vertex>(columns + 1, Vertex{{0, bottom + 0.01f, 8.0f}, {0, 0}}));
    for (std::vector<Vertex>& row : rows) {
        for (Vertex& v : row) {
            v.uv = withMaterial(v.uv, Material::LanternGlass);  // it glows
        }
    }
    mesh.addGrid(rows, false);

    // The lamps share the street's picture: squeeze every coordinate across
    // into its band of lamp paint, which changes only along v.
    const float paint = 0.5f *
                        static_cast<float>(street::kLampPaint.first + street::kLampPaint.end) /
                        static_cast<float>(street::kAtlasWidth);
    mesh.forEachCorner([paint](Corner& c) {
        const float u = c.uv.x * kUvScaleInEngine;
        const float material = std::floor(u / kMaterialStride + 0.5f);
        const float across = u - material * kMaterialStride;
        c.uv.x = (material * kMaterialStride + paint + 0.002f * across) / kUvScaleInEngine;
    });

    mesh.smoothNormals(40.0f);
    return mesh;
}

}  // namespace tandril::assetgen
