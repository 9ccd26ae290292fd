// The street: one slab under the whole scene whose top is shaped as a street,
// from the forecourts of the houses over a pavement and a kerb down to the
// carriageway, and over a flush kerb to the parking bays and the square on
// the far side, level with the road (the cross-section is in StreetLayout.h).
//
// The slab casts shadow volumes, so it is a closed two-manifold once corners
// are welded by position. Welding also gives each position one set of
// attributes, so the hidden sides, textured on their own, have corners of
// their own, joined to the top by a strip thinner than a pixel. The kinds of
// paving are bands of the picture along one part at each level.
#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "Materials.h"
#include "Models.h"
#include "Shapes.h"
#include "StreetLayout.h"

namespace tandril::assetgen {
namespace {

using namespace street;

// The scene scales the model by 30 in x and z and first moves it by -20 in
// z: world x = 30 x, world z = 30 (z - 20). The slab reaches where the haze
// has swallowed it.
constexpr float kScaleXZ = 30.0f;
constexpr float kShiftZ = -20.0f;
constexpr float kFarX = 900.0f;
constexpr float kFarZ = -1800.0f;
constexpr float kNearZ = 1800.0f;
constexpr float kBottom = -0.2f;

// Between the top and the hidden sides, which are textured differently; five
// decimals of a model unit (0.3 mm) must still tell their sides apart.
constexpr float kJoint = 0.003f;

// Metres of the section coordinate per unit of u in the engine: the street's
// material keeps u within half a material's range.
constexpr float kSectionUnit = 2.0f;

// A flat strip of the slab along its whole length: a segment of the
// cross-section.
struct Part {
    glm::vec2 from;  // (x, y), in order around the section
    glm::vec2 to;
    glm::vec3 normal;
    bool hidden = false;  // the sides and the bottom, out of sight in the haze
    // The corners' normals, where they differ from the part's.
    glm::vec3 fromNormal = normal;
    glm::vec3 toNormal = normal;

    // The top and the kerb carry the section coordinate (StreetLayout.h);
    // the hidden parts stretch the setts' band over their width.
    glm::vec2 uv(glm::vec2 at, float z) const {
        const float v = z / kRepeat / kUvScaleInEngine;
        if (!hidden) {
            return withMaterial({(at.x - at.y) / kSectionUnit / kUvScaleInEngine, v},
                                Material::Street);
        }
        const float across = glm::distance(from, at) / glm::distance(from, to);
        const float column = glm::mix(static_cast<float>(kSetts.first + 1),
                                      static_cast<float>(kSetts.end - 1), across);
        return {column / static_cast<float>(kAtlasWidth) / kUvScaleInEngine, v};
    }
};

struct Row {
    Corner from;
    Corner to;
};

// The cross-section, clockwise as seen from +z: the top from west to east,
// down the east side, back along the bottom and up the west side.
std::vector<Part> crossSection() {
    const glm::vec3 up(0, 1, 0);
    const glm::vec3 east(1, 0, 0);
    const float high = kKerbHeight;
    // The house side up to the kerb's edge, its face down to the road, and
    // the road and the far side level with it, all sharing their corners:
    // the face's normal turns from the tops' up at its edge and foot to the
    // road's side halfway down, so that it is lit as a rounded stone. The
    // driver shades the pixels along a long triangle's edges once for each
    // triangle, so the kerb, seen along its length, has only two parts.
    return {
        Part{{-kFarX + kJoint, high}, {-kHalfRoad, high}, up},
        Part{.from = {-kHalfRoad, high},
             .to = {-kHalfRoad, high / 2},
             .normal = east,
             .fromNormal = up},
        Part{.from = {-kHalfRoad, high / 2}, .to = {-kHalfRoad, 0}, .normal = east, .toNormal = up},
        Part{{-kHalfRoad, 0}, {kFarX - kJoint, 0}, up},
        Part{{kFarX, -kJoint}, {kFarX, kBottom + kJoint}, east, true},
        Part{{kFarX - kJoint, kBottom}, {-kFarX + kJoint, kBottom}, -up, true},
        Part{{-kFarX, kBottom + kJoint}, {-kFarX, high - kJoint}, -east, true},
    };
}

// The part's corners at the far and the near end of the slab.
std::array<Row, 2> rowsOf(const Part& p) {
    const auto row = [&](float z) {
        return Row{Corner{{p.from.x, p.from.y, z}, p.uv(p.from, z), p.fromNormal},
                   Corner{{p.to.x, p.to.y, z}, p.uv(p.to, z), p.toNormal}};
    };
    return {row(kFarZ), row(kNearZ)};
}

// Adds a triangle turned to face along `outward`.
void addFacing(Mesh& mesh, const Corner& a, const Corner& b, const Corner& c,
               const glm::vec3& outward) {
    const glm::vec3 n = glm::cross(b.position - a.position, c.position - a.position);
    if (glm::dot(n, outward) >= 0.0f) {
        mesh.addTriangle(Triangle{a, b, c});
    } else {
        mesh.addTriangle(Triangle{a, c, b});
    }
}

// The quad between two edges that run the slab's length, a to b.
void addLengthwise(Mesh& mesh, const Row& a, const Row& b, const glm::vec3& outward) {
    addFacing(mesh, a.from, a.to, b.to, outward);
    addFacing(mesh, a.from, b.to, b.from, outward);
}

// A fan from `centre` over a chain of the section that turns one way around
// it, so that no two of its triangles overlap.
void addFan(Mesh& mesh, const Corner& centre, const std::vector<Corner>& chain,
            const glm::vec3& outward) {
    double last = 0.0;
    for (std::size_t k = 0; k < chain.size(); ++k) {
        const glm::vec3 d = chain[k].position - centre.position;
        const double angle = std::atan2(static_cast<double>(d.y), static_cast<double>(d.x));
        if (k > 0 && angle >= last) {
            throw std::logic_error("the street's end cannot be fanned from its corner");
        }
        last = angle;
        if (k > 0) {
            addFacing(mesh, centre, chain[k - 1], chain[k], outward);
        }
    }
}

}  // namespace

Mesh makeStreet() {
    const std::vector<Part> parts = crossSection();
    std::vector<std::array<Row, 2>> rows;
    for (const Part& p : parts) {
        rows.push_back(rowsOf(p));
    }

    Mesh mesh;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const std::array<Row, 2>& r = rows[k];
        addLengthwise(mesh, r[0], r[1], parts[k].normal);
        // The strip to the next part, unless the two meet edge to edge.
        const std::size_t next = (k + 1) % parts.size();
        if (parts[k].to != parts[next].from) {
            addLengthwise(mesh, Row{r[0].to, rows[next][0].from}, Row{r[1].to, rows[next][1].from},
                          glm::normalize(parts[k].normal + parts[next].normal));
        }
    }

    // The two ends. The kerb steps down toward the road, so the section
    // turns one way around the bottom's west corner as far as the road, and
    // around its east corner from there.
    const std::size_t bottom = parts.size() - 2;
    std::size_t road = 0;
    while (parts[road].from.y != 0.0f) {
        ++road;
    }
    for (const bool farEnd : {true, false}) {
        const glm::vec3 outward(0.0f, 0.0f, farEnd ? -1.0f : 1.0f);
        // The ends come last, so welding keeps the sides' attributes at
        // their corners; in the file they carry their own normal.
        const auto corner = [&](std::size_t k, bool first) {
            const Row& row = farEnd ? rows[k].front() : rows[k].back();
            Corner c = first ? row.from : row.to;
            c.normal = outward;
            return c;
        };
        std::vector<Corner> west;
        std::vector<Corner> east;
        for (std::size_t k = bottom + 1; k != road + 1; k = (k + 1) % parts.size()) {
            std::vector<Corner>& chain = k == road ? east : west;
            chain.push_back(corner(k, true));
            if (k != road && parts[k].to != parts[(k + 1) % parts.size()].from) {
                chain.push_back(corner(k, false));
            }
        }
        for (std::size_t k = road; k != bottom; ++k) {
            if (k != road && parts[k].from != parts[k - 1].to) {
                east.push_back(corner(k, true));
            }
            east.push_back(corner(k, false));
        }
        const Corner westCorner = corner(bottom, false);
        const Corner eastCorner = corner(bottom, true);
        west.push_back(east.front());
        addFan(mesh, westCorner, west, outward);
        addFan(mesh, eastCorner, east, outward);
        addFacing(mesh, westCorner, east.front(), eastCorner, outward);
    }

    mesh.transform(glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -kShiftZ)) *
                   glm::scale(glm::mat4(1.0f), glm::vec3(1.0f / kScaleXZ, 1.0f, 1.0f / kScaleXZ)));
    return mesh;
}

}  // namespace tandril::assetgen
