// A block of five terraced houses, 10 m deep and 40 m along the street, in
// metres. The scene lifts it by 5.2, so its base sits at y = -5.2 and the
// street facade faces +x.
//
// Each house is a closed box: walls are cut along shared break lines into
// cells, openings are recessed cells, and roof edges meet the walls at the
// same vertices, so no edge ends in the middle of another (no T-junctions).
// The walls keep large flat cells for the brick parallax mapping.
#include <algorithm>
#include <cmath>
#include <vector>

#include <glm/geometric.hpp>

#include "Materials.h"
#include "Models.h"
#include "Shapes.h"
#include "Textures.h"

namespace tandril::assetgen {
namespace {

constexpr float kUvPerUnit = uvPerUnit(2.0f);  // one brick image every 2 m
constexpr float kBase = -5.2f;
constexpr float kBack = -5.0f;

// A rectangular opening in a wall, in the wall's (s, t) coordinates.
struct Opening {
    float s0, s1, t0, t1;
    float depth;
    bool door;
    int number;  // tells the shader's lit windows apart
};

// A vertical wall: s runs to the right seen from outside, t upward.
struct Wall {
    glm::vec3 origin;
    glm::vec3 right;
    glm::vec3 normal;

    glm::vec3 at(float s, float t, float depth = 0.0f) const {
        return origin + right * s + glm::vec3(0.0f, t, 0.0f) - normal * depth;
    }
};

bool inside(float value, float low, float high) {
    return value > low && value < high;
}

// Break lines are computed two ways (from z and from s), so compare loosely.
bool same(float a, float b) {
    return std::fabs(a - b) < 1e-4f;
}

// The wall between the given break lines, with openings (whose edges must be
// break lines) recessed into it.
void addWall(Mesh& mesh, const Wall& wall, const std::vector<float>& sBreaks,
             const std::vector<float>& tBreaks, const std::vector<Opening>& openings) {
    auto quad = [&](const glm::vec3& a, const glm::vec3& b, const glm::vec3& c,
                    const glm::vec3& d) { addPlanarQuad(mesh, a, b, c, d, kUvPerUnit); };
    for (std::size_t i = 0; i + 1 < sBreaks.size(); ++i) {
        for (std::size_t j = 0; j + 1 < tBreaks.size(); ++j) {
            const float s0 = sBreaks[i], s1 = sBreaks[i + 1];
            const float t0 = tBreaks[j], t1 = tBreaks[j + 1];
            const float sm = 0.5f * (s0 + s1), tm = 0.5f * (t0 + t1);
            const auto hole = std::find_if(openings.begin(), openings.end(), [&](const Opening& o) {
                return inside(sm, o.s0, o.s1) && inside(tm, o.t0, o.t1);
            });
            if (hole == openings.end()) {
                quad(wall.at(s0, t0), wall.at(s1, t0), wall.at(s1, t1), wall.at(s0, t1));
                continue;
            }
            // The pane is glass or a door, drawn by the wall shader from its
            // material and its own coordinates: 0..1 across and up the
            // opening in u and v, the opening's number in v's even part.
            const Opening& o = *hole;
            const float d = o.depth;
            auto pane = [&](float s, float t) {
                const glm::vec2 local(
                    (s - o.s0) / (o.s1 - o.s0),
                    2.0f * static_cast<float>(o.number) + (t - o.t0) / (o.t1 - o.t0));
                return Vertex{wall.at(s, t, d),
                              withMaterial(local / kUvScaleInEngine,
                                           o.door ? Material::Door : Material::WindowPane)};
            };
            mesh.addQuad(pane(s0, t0), pane(s1, t0), pane(s1, t1), pane(s0, t1));
            // Reveals on the cell edges that border the wall face.
            if (same(t0, o.t0)) {  // sill, facing up
                quad(wall.at(s0, t0), wall.at(s1, t0), wall.at(s1, t0, d), wall.at(s0, t0, d));
            }
            if (same(t1, o.t1)) {  // lintel, facing down
                quad(wall.at(s0, t1), wall.at(s0, t1, d), wall.at(s1, t1, d), wall.at(s1, t1));
            }
            if (same(s0, o.s0)) {  // left jamb, facing right
                quad(wall.at(s0, t0), wall.at(s0, t0, d), wall.at(s0, t1, d), wall.at(s0, t1));
            }
            if (same(s1, o.s1)) {  // right jamb, facing left
                quad(wall.at(s1, t0), wall.at(s1, t1), wall.at(s1, t1, d), wall.at(s1, t0, d));
            }
        }
    }
}

struct House {
    float zLow, zHigh;
    float front;         // x of the street facade: small setbacks between houses
    float eaves;         // height of the wall top above the block's base
    bool gableToStreet;  // ridge across the block instead of along it
    float roofRise;
    int windowColumns;
    bool chimney;
};

void addHouse(Mesh& mesh, const House& h, int& openings) {
    const float width = h.zHigh - h.zLow;
    const float depth = h.front - kBack;
    const float eaves = kBase + h.eaves;
    const float ridge = eaves + h.roofRise;
    const float windowWidth = 1.1f;

    // Break lines along z shared by both facades, the roof and the floor.
    std::vector<float> zBreaks{h.zLow, h.zHigh};
    std::vector<float> columns;
    for (int k = 0; k < h.windowColumns; ++k) {
        const float centre = h.zLow + width * (static_cast<float>(k) + 0.5f) / h.windowColumns;
        columns.push_back(centre);
        zBreaks.push_back(centre - 0.5f * windowWidth);
        zBreaks.push_back(centre + 0.5f * windowWidth);
    }
    std::sort(zBreaks.begin(), zBreaks.end());

    // Storeys of 3.6, 3.2 and 3.2 m; heights above the base.
    struct Band {
        float bottom, top;
    };
    const std::vector<Band> windowRows{{1.0f, 2.6f}, {4.5f, 6.1f}, {7.7f, 9.2f}};
    // Doors start on a 15 cm step, clear of the street surface below.
    const float doorStep = 0.15f;
    std::vector<float> tBreaks{0.0f, doorStep, h.eaves};
    for (const Band& b : windowRows) {
        tBreaks.push_back(b.bottom);
        tBreaks.push_back(b.top);
    }
    std::sort(tBreaks.begin(), tBreaks.end());

    const Wall front{{h.front, kBase, h.zHigh}, {0, 0, -1}, {1, 0, 0}};
    const Wall back{{kBack, kBase, h.zLow}, {0, 0, 1}, {-1, 0, 0}};
    const Wall lowEnd{{h.front, kBase, h.zLow}, {-1, 0, 0}, {0, 0, -1}};
    const Wall highEnd{{kBack, kBase, h.zHigh}, {1, 0, 0}, {0, 0, 1}};

    std::vector<Opening> frontOpenings;
    std::vector<Opening> backOpenings;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const float frontS = h.zHigh - columns[k];
        const float backS = columns[k] - h.zLow;
        for (std::size_t r = 0; r < windowRows.size(); ++r) {
            const Band& b = windowRows[r];
            // The door takes the ground floor of the middle (or first) column.
            const bool door = r == 0 && k == (columns.size() - 1) / 2;
            frontOpenings.push_back({frontS - 0.5f * windowWidth, frontS + 0.5f * windowWidth,
                                     door ? doorStep : b.bottom, b.top, door ? 0.4f : 0.25f, door,
                                     openings++});
            backOpenings.push_back({backS - 0.5f * windowWidth, backS + 0.5f * windowWidth,
                                    b.bottom, b.top, 0.25f, false, openings++});
            // A stone sill under each street window.
            if (!door) {
                addBox(mesh, {h.front, kBase + b.bottom - 0.12f, columns[k] - 0.62f},
                       {h.front + 0.1f, kBase + b.bottom, columns[k] + 0.62f}, kUvPerUnit);
            }
        }
    }
    std::vector<float> frontS, backS;
    for (float z : zBreaks) {
        frontS.push_back(h.zHigh - z);
        backS.push_back(z - h.zLow);
    }
    std::reverse(frontS.begin(), frontS.end());
    addWall(mesh, front, frontS, tBreaks, frontOpenings);
    addWall(mesh, back, backS, tBreaks, backOpenings);
    addWall(mesh, lowEnd, {0.0f, depth}, tBreaks, {});
    addWall(mesh, highEnd, {0.0f, depth}, tBreaks, {});

    auto quad = [&](const glm::vec3& a, const glm::vec3& b, const glm::vec3& c,
                    const glm::vec3& d) { addPlanarQuad(mesh, a, b, c, d, kUvPerUnit); };
    auto triangle = [&](const glm::vec3& a, const glm::vec3& b, const glm::vec3& c) {
        const glm::vec3 n = glm::cross(b - a, c - a);
        mesh.addTriangle({a, planarUv(a, n, kUvPerUnit)}, {b, planarUv(b, n, kUvPerUnit)},
                         {c, planarUv(c, n, kUvPerUnit)});
    };

    for (std::size_t k = 0; k + 1 < zBreaks.size(); ++k) {  // floor
        quad({kBack, kBase, zBreaks[k]}, {h.front, kBase, zBreaks[k]},
             {h.front, kBase, zBreaks[k + 1]}, {kBack, kBase, zBreaks[k + 1]});
    }

    if (!h.gableToStreet) {
        // Ridge along the street; gable triangles on the party walls.
        const float mid = 0.5f * (h.front + kBack);
        for (std::size_t k = 0; k + 1 < zBreaks.size(); ++k) {
            const float z0 = zBreaks[k], z1 = zBreaks[k + 1];
            quad({h.front, eaves, z1}, {h.front, eaves, z0}, {mid, ridge, z0}, {mid, ridge, z1});
            quad({kBack, eaves, z0}, {kBack, eaves, z1}, {mid, ridge, z1}, {mid, ridge, z0});
        }
        triangle({h.front, eaves, h.zLow}, {kBack, eaves, h.zLow}, {mid, ridge, h.zLow});
        triangle({kBack, eaves, h.zHigh}, {h.front, eaves, h.zHigh}, {mid, ridge, h.zHigh});
        // Eaves cornice along the street.
        addBox(mesh, {h.front, eaves - 0.35f, h.zLow}, {h.front + 0.22f, eaves, h.zHigh},
               kUvPerUnit);
    } else {
        // Ridge across the block: a gable faces the street.
        const float mid = 0.5f * (h.zLow + h.zHigh);
        quad({h.front, eaves, h.zLow}, {kBack, eaves, h.zLow}, {kBack, ridge, mid},
             {h.front, ridge, mid});
        quad({kBack, eaves, h.zHigh}, {h.front, eaves, h.zHigh}, {h.front, ridge, mid},
             {kBack, ridge, mid});
        for (std::size_t k = 0; k + 1 < zBreaks.size(); ++k) {
            const float z0 = zBreaks[k], z1 = zBreaks[k + 1];
            triangle({h.front, eaves, z1}, {h.front, eaves, z0}, {h.front, ridge, mid});
            triangle({kBack, eaves, z0}, {kBack, eaves, z1}, {kBack, ridge, mid});
        }
        // String course where the gable starts.
        addBox(mesh, {h.front, eaves - 0.2f, h.zLow}, {h.front + 0.14f, eaves, h.zHigh},
               kUvPerUnit);
    }
    // Band between the ground floor and the upper storeys.
    addBox(mesh, {h.front, kBase + 3.45f, h.zLow}, {h.front + 0.1f, kBase + 3.6f, h.zHigh},
           kUvPerUnit);
    if (h.chimney) {
        const float z = h.zLow + 0.7f * width;
        addBox(mesh, {-2.4f, eaves + 0.4f, z - 0.4f}, {-1.6f, ridge + 0.9f, z + 0.4f}, kUvPerUnit);
    }
}

}  // namespace

Mesh makeHouseRow() {
    const std::vector<House> houses{
        {-20.0f, -12.0f, 5.0f, 10.2f, false, 1.8f, 3, true},
        {-12.0f, -5.0f, 4.6f, 10.8f, true, 2.6f, 2, false},
        {-5.0f, 4.0f, 5.0f, 10.4f, false, 1.8f, 3, true},
        {4.0f, 11.0f, 4.75f, 11.2f, true, 2.2f, 2, false},
        {11.0f, 20.0f, 5.0f, 10.6f, false, 1.8f, 3, true},
    };
    Mesh mesh;
    int openings = 0;
    for (const House& h : houses) {
        addHouse(mesh, h, openings);
    }
    mesh.smoothNormals(20.0f);
    return mesh;
}

}  // namespace tandril::assetgen
