// The street: one slab under the whole scene whose top is shaped as a street,
// from the forecourts of the houses over a pavement and a kerb down to the
// carriageway, and over a flush kerb to the parking bays and the square on
// the far side, level with the road (the cross-section is in StreetLayout.h).
//
// The slab casts shadow volumes, so it is a closed two-manifold once corners
// are welded by position. Welding also gives each position one set of
// attributes, so every part that is textured or lit on its own has corners
// of its own, joined to its neighbours by a strip thinner than a pixel: the
// rounding of a kerb's edge and foot, or a joint between kinds of paving.
// Parts that meet with the same attributes share their corners.
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

// Between parts that are textured differently; five decimals of a model
// unit (0.3 mm) must still tell its sides apart.
constexpr float kJoint = 0.003f;

// Where a band lies along a part: at distance s from the part's first point,
// u is the band's first column plus (s - start) / width of its columns, or
// counted back from its end when the band is laid mirrored. An inset keeps
// off the band's outer columns, which mipmaps far away read as the
// neighbouring band's. The setts instead count widths of their band from
// `start` (back from it when mirrored), which the street program turns into
// columns: at whole even counts the band's first column, at odd ones its last.
struct Mapping {
    Band band;
    float start = 0.0f;
    float width = band.width;
    float zeroZ = 0.0f;  // where v is 0
    bool mirrored = false;
    int inset = 0;
    bool repeatsAcross = false;

    glm::vec2 uv(float s, float z) const {
        const float v = (z - zeroZ) / band.period / kUvScaleInEngine;
        const float across = (s - start) / width;
        if (repeatsAcross) {
            return withMaterial({(mirrored ? 1.0f - across : across) / kUvScaleInEngine, v},
                                Material::Setts);
        }
        const float columns = static_cast<float>(band.end - band.first - 2 * inset);
        const float column =
            static_cast<float>(band.first + inset) + (mirrored ? 1.0f - across : across) * columns;
        return glm::vec2(column / static_cast<float>(kAtlasWidth) / kUvScaleInEngine, v);
    }
};

// One mapping from the previous cell's end (or the slab's far end) to toZ.
struct Cell {
    float toZ;
    Mapping mapping;
};

// A flat strip of the slab along z: a segment of the cross-section.
struct Part {
    glm::vec2 from;  // (x, y), in order around the section
    glm::vec2 to;
    glm::vec3 normal;
    std::vector<Cell> cells;
};

struct Row {
    Corner from;
    Corner to;
};

Part part(glm::vec2 from, glm::vec2 to, glm::vec3 normal, const Mapping& mapping) {
    return Part{from, to, normal, {Cell{kNearZ, mapping}}};
}

Mapping stretched(const Band& band, glm::vec2 from, glm::vec2 to) {
    return Mapping{band, 0.0f, glm::distance(from, to)};
}

// The cross-section, clockwise as seen from +z: the top from west to east,
// down the east side, back along the bottom and up the west side.
std::vector<Part> crossSection() {
    const glm::vec3 up(0, 1, 0);
    const glm::vec3 east(1, 0, 0);
    const float high = kKerbHeight;
    const float kerbTopFrom = -kHalfRoad - kKerbRounding - kKerbWidth;
    const float slabsFrom = kerbTopFrom - kSlabs.width;
    std::vector<Part> parts;

    // Forecourts: setts toward the houses, the first band's last column at
    // the pavement. The street program repeats the setts across as well as
    // along the street, so each side's setts are one strip out to the edge of
    // the slab: the driver shades the pixels along every triangle's edge once
    // for each triangle, and long edges down the street are what a strip costs.
    const glm::vec2 settsFrom(-kFarX + kJoint, high);
    const glm::vec2 settsTo(slabsFrom - kJoint, high);
    parts.push_back(part(
        settsFrom, settsTo, up,
        Mapping{kSetts, glm::distance(settsFrom, settsTo), kSetts.width, 0.0f, true, 0, true}));

    // The house-side pavement and kerb, rounded at its edge and foot.
    parts.push_back(part({slabsFrom, high}, {kerbTopFrom, high}, up, Mapping{kSlabs}));
    parts.push_back(
        part({kerbTopFrom, high}, {-kHalfRoad - kKerbRounding, high}, up, Mapping{kKerbTop}));
    parts.push_back(part({-kHalfRoad, high - kKerbRounding}, {-kHalfRoad, kKerbRounding / 2}, east,
                         Mapping{kKerbFace}));

    // The carriageway, mapped from the kerb faces so the markings keep their
    // places, and the flush kerb before the square, where the picture runs on.
    const float foot = kKerbRounding / 2;
    parts.push_back(part({-kHalfRoad + foot, 0}, {kHalfRoad, 0}, up, Mapping{kRoad, -foot}));
    const float kerbTo = kHalfRoad + kKerbWidth;
    parts.push_back(part({kHalfRoad, 0}, {kerbTo, 0}, up, Mapping{kFlushKerb}));

    // The parking bays and a pavement, then the square.
    const float bays = kerbTo + kJoint;
    Part nearSide = part({bays, 0}, {bays + kParking.width, 0}, up, Mapping{kSlabs});
    nearSide.cells = {Cell{kParkingFromZ, Mapping{kSlabs}},
                      Cell{kParkingToZ, Mapping{kParking, 0.0f, kParking.width, kBayLineZ}},
                      Cell{kNearZ, Mapping{kSlabs}}};
    parts.push_back(nearSide);
    parts.push_back(part({nearSide.to.x + kJoint, 0}, {kFarX - kJoint, 0}, up,
                         Mapping{kSetts, 0.0f, kSetts.width, 0.0f, false, 0, true}));

    // The sides and the bottom, out of sight in the haze.
    const auto hidden = [&](glm::vec2 a, glm::vec2 b, glm::vec3 normal) {
        parts.push_back(part(a, b, normal, stretched(kSetts, a, b)));
    };
    hidden({kFarX, -kJoint}, {kFarX, kBottom + kJoint}, east);
    hidden({kFarX - kJoint, kBottom}, {-kFarX + kJoint, kBottom}, -up);
    hidden({-kFarX, kBottom + kJoint}, {-kFarX, high - kJoint}, -east);
    return parts;
}

// Corners along the part's two edges, from the far end of the slab to the
// near: one row where a cell ends, or a pair a joint apart where the
// mapping changes.
std::vector<Row> rowsOf(const Part& p) {
    const float length = glm::distance(p.from, p.to);
    const auto row = [&](float z, const Mapping& m) {
        return Row{Corner{{p.from.x, p.from.y, z}, m.uv(0.0f, z), p.normal},
                   Corner{{p.to.x, p.to.y, z}, m.uv(length, z), p.normal}};
    };
    std::vector<Row> rows{row(kFarZ, p.cells.front().mapping)};
    for (std::size_t i = 0; i + 1 < p.cells.size(); ++i) {
        rows.push_back(row(p.cells[i].toZ - kJoint / 2, p.cells[i].mapping));
        rows.push_back(row(p.cells[i].toZ + kJoint / 2, p.cells[i + 1].mapping));
    }
    rows.push_back(row(kNearZ, p.cells.back().mapping));
    return rows;
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

// The strip between two edges along z, zipped from the far end: each step
// takes the next corner of whichever edge reaches it first.
void addStrip(Mesh& mesh, const std::vector<Corner>& a, const std::vector<Corner>& b,
              const glm::vec3& outward) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i + 1 < a.size() || j + 1 < b.size()) {
        if (j + 1 == b.size() || (i + 1 < a.size() && a[i + 1].position.z <= b[j + 1].position.z)) {
            addFacing(mesh, a[i], b[j], a[i + 1], outward);
            ++i;
        } else {
            addFacing(mesh, a[i], b[j], b[j + 1], outward);
            ++j;
        }
    }
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
    std::vector<std::vector<Row>> rows;
    for (const Part& p : parts) {
        rows.push_back(rowsOf(p));
    }

    Mesh mesh;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const std::vector<Row>& r = rows[k];
        for (std::size_t i = 0; i + 1 < r.size(); ++i) {
            addFacing(mesh, r[i].from, r[i].to, r[i + 1].to, parts[k].normal);
            addFacing(mesh, r[i].from, r[i + 1].to, r[i + 1].from, parts[k].normal);
        }
        // The strip to the next part, unless the two meet edge to edge.
        const std::size_t next = (k + 1) % parts.size();
        if (parts[k].to == parts[next].from) {
            continue;
        }
        std::vector<Corner> ours;
        std::vector<Corner> theirs;
        for (const Row& row : r) {
            ours.push_back(row.to);
        }
        for (const Row& row : rows[next]) {
            theirs.push_back(row.from);
        }
        addStrip(mesh, ours, theirs, glm::normalize(parts[k].normal + parts[next].normal));
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
