// A low rear-engined sports coupé: a lofted body with a fastback roof,
// fenders standing proud of the bonnet, wheel arches, inset glass, four
// wheels with five-spoke rims, round headlights, a rear wing and mirrors.
//
// The scene scales it by 2 (one unit = 2 m) and lifts it by 0.8 units, so the
// tyres touch y = -0.8 exactly. Front toward -z, width along x.
#include <algorithm>
#include <cmath>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "Materials.h"
#include "Models.h"
#include "Shapes.h"

namespace tandril::assetgen {
namespace {

constexpr float kUvPerUnit = uvPerUnit(0.25f);  // brushed metal every 0.5 m
constexpr float kGround = -0.8f;
constexpr float kWheelRadius = 0.16f;
constexpr float kWheelCentreY = kGround + kWheelRadius;
constexpr float kFrontAxle = -0.64f;
constexpr float kRearAxle = 0.52f;
constexpr float kArchRadius = 0.19f;
constexpr float kNose = -1.10f;
constexpr float kTail = 1.10f;

// The body's lines along its length, keyed by z.
struct BodyLines {
    // Centre of the top surface: bonnet, windscreen, roof, fastback, tail.
    KeyCurve top{{-1.10f, -0.550f}, {-0.95f, -0.486f}, {-0.60f, -0.432f}, {-0.31f, -0.398f},
                 {-0.18f, -0.312f}, {-0.06f, -0.200f}, {0.02f, -0.160f},  {0.12f, -0.150f},
                 {0.26f, -0.166f},  {0.46f, -0.226f},  {0.66f, -0.300f},  {0.86f, -0.362f},
                 {0.99f, -0.395f},  {1.06f, -0.425f},  {1.10f, -0.470f}};
    // Widest point of the flanks: narrow at the doors, wide rear haunches.
    KeyCurve halfWidth{{-1.10f, 0.380f}, {-1.00f, 0.415f}, {-0.85f, 0.432f}, {-0.62f, 0.436f},
                       {-0.32f, 0.424f}, {0.05f, 0.428f},  {0.40f, 0.452f},  {0.62f, 0.455f},
                       {0.90f, 0.442f},  {1.04f, 0.415f},  {1.10f, 0.385f}};
    // Crest of the fenders and the waist line under the side glass.
    KeyCurve crestY{{-1.10f, -0.540f}, {-1.00f, -0.442f}, {-0.93f, -0.404f}, {-0.80f, -0.410f},
                    {-0.62f, -0.402f}, {-0.35f, -0.384f}, {-0.10f, -0.366f}, {0.20f, -0.356f},
                    {0.45f, -0.350f},  {0.70f, -0.360f},  {0.95f, -0.392f},  {1.10f, -0.465f}};
    KeyCurve crestX{{-1.10f, 0.300f}, {-0.95f, 0.345f}, {-0.60f, 0.352f}, {-0.30f, 0.360f},
                    {0.00f, 0.368f},  {0.45f, 0.382f},  {0.90f, 0.370f},  {1.10f, 0.320f}};
    // Edge of the bonnet between the fenders, then the roof rail.
    KeyCurve innerX{{-1.10f, 0.220f}, {-0.90f, 0.245f}, {-0.60f, 0.250f},
                    {-0.32f, 0.268f}, {-0.05f, 0.284f}, {0.20f, 0.290f},
                    {0.60f, 0.262f},  {0.95f, 0.250f},  {1.10f, 0.220f}};
    // How far the edge lies below the centre line: the crown of bonnet and roof.
    KeyCurve crown{
        {-1.10f, 0.006f}, {-0.40f, 0.020f}, {0.00f, 0.026f}, {0.60f, 0.030f}, {1.10f, 0.020f}};
    KeyCurve floor{{-1.10f, -0.700f}, {-0.98f, -0.735f}, {0.90f, -0.735f}, {1.10f, -0.670f}};
};

struct Station {
    float z;
    bool inArch;  // at an arch edge two stations share z: one outside, one inside
};

// What a section sample may become: paint, or glass where the glass lies.
enum class Skin { Paint, SideGlass, TopGlass };

struct SectionPoint {
    glm::vec2 position;
    Skin skin;
};

// Inner wall of the wheel wells, inside the tyres' inner faces.
constexpr float kWellX = 0.275f;

// Shrinks a profile toward the body's ends along a quarter circle, so nose
// and tail round off in plan and in elevation.
float endRounding(float distance, float radius, float least) {
    if (distance >= radius) {
        return 1.0f;
    }
    const float t = 1.0f - distance / radius;
    return least + (1.0f - least) * std::sqrt(std::max(0.0f, 1.0f - t * t));
}

// Right half of the cross-section at a station, from the bottom centre line
// under the wheel well, over the flank to the top centre line.
std::vector<SectionPoint> bodySection(const BodyLines& lines, const Station& station) {
    const float z = station.z;
    const float floorY = lines.floor(z);
    float wellTop = floorY;
    if (station.inArch) {
        for (float axle : {kFrontAxle, kRearAxle}) {
            const float d = z - axle;
            if (std::fabs(d) <= kArchRadius * 1.0001f) {
                const float rise = std::sqrt(std::max(0.0f, kArchRadius * kArchRadius - d * d));
                wellTop = std::max(wellTop, kWheelCentreY + rise);
            }
        }
    }
    const float top = lines.top(z);
    const float w = lines.halfWidth(z);
    const float crestY = lines.crestY(z);
    const float side = crestY - floorY;

    std::vector<SectionPoint> out{
        {{0.0f, floorY}, Skin::Paint},
        {{kWellX - 0.004f, floorY}, Skin::Paint},
        {{kWellX, floorY}, Skin::Paint},
    };
    const std::vector<glm::vec2> controls{
        {w - 0.05f, floorY},
        {w - 0.012f, floorY + 0.12f * side},
        {w, floorY + 0.45f * side},
        {w - 0.02f, floorY + 0.85f * side},
        {lines.crestX(z), crestY},
        {lines.innerX(z), top - lines.crown(z)},
        {0.0f, top},
    };
    // Samples close to the waist, the roof rail and the pillars give the
    // glass crisp edges; the first and last listed bands may hold glass.
    const std::vector<float> sideBand{0.0f, 0.07f, 0.25f, 0.45f, 0.65f, 0.85f, 0.94f};
    const std::vector<float> topBand{0.0f, 0.12f, 0.19f, 0.4f, 0.62f, 0.83f};
    const std::vector<std::vector<float>> fractions{evenSteps(2), evenSteps(2), evenSteps(2),
                                                    evenSteps(3), sideBand,     topBand};
    const std::vector<glm::vec2> curve =
        sampleSpline(controls, fractions, {kWellX, floorY}, {-controls[5].x, controls[5].y});
    std::size_t k = 0;
    for (std::size_t segment = 0; segment < fractions.size(); ++segment) {
        for (float f : fractions[segment]) {
            Skin skin = Skin::Paint;
            if (segment == 4 && f > 0.0f) {
                skin = Skin::SideGlass;
            } else if (segment == 5 && f > 0.15f) {
                skin = Skin::TopGlass;
            }
            out.push_back({curve[k++], skin});
        }
    }
    out.push_back({curve[k], Skin::TopGlass});

    // Over a wheel the flank below the arch folds up onto the arch line and
    // becomes the well's ceiling; the flank above stays as it is, so the
    // body's lines run on unbroken past the arch.
    if (wellTop > floorY) {
        std::size_t lip = 2;
        while (lip < out.size() && out[lip].position.y < wellTop) {
            ++lip;
        }
        // No ledge: the ceiling ends where the flank above it starts.
        const float lipX = lip < out.size() ? out[lip].position.x : kWellX;
        for (std::size_t i = 2; i < lip; ++i) {
            out[i].position = {std::min(out[i].position.x, lipX), wellTop};
        }
    }

    const float plan =
        std::min(endRounding(z - kNose, 0.15f, 0.7f), endRounding(kTail - z, 0.14f, 0.72f));
    const float elevation =
        std::min(endRounding(z - kNose, 0.09f, 0.45f), endRounding(kTail - z, 0.07f, 0.55f));
    const float middle = 0.5f * (floorY + top);
    for (SectionPoint& p : out) {
        p.position.x *= plan;
        p.position.y = middle + (p.position.y - middle) * elevation;
    }
    return out;
}

// Edges of the glass along z: windscreen, B pillar, rear window, side glass.
const std::vector<float> kGlassEdges{-0.29f, -0.07f, 0.155f, 0.185f, 0.30f, 0.58f, 0.64f};

bool isGlass(const BodyLines& lines, float z, Skin skin) {
    if (skin == Skin::SideGlass) {
        const float opening = lines.top(z) - lines.crown(z) - lines.crestY(z);
        const bool bPillar = z > kGlassEdges[2] && z < kGlassEdges[3];
        return opening > 0.045f && z < kGlassEdges[5] && !bPillar;
    }
    if (skin == Skin::TopGlass) {
        const bool windscreen = z > kGlassEdges[0] && z < kGlassEdges[1];
        const bool rearWindow = z > kGlassEdges[4] && z < kGlassEdges[6];
        return windscreen || rearWindow;
    }
    return false;
}

// Stations from nose to tail: closer at the rounded ends and either side of
// each glass edge, with each wheel arch cut by a pair of stations at its
// front and rear edge.
std::vector<Station> bodyStations() {
    std::vector<float> plain;
    for (float d : {0.0f, 0.008f, 0.025f, 0.05f, 0.085f}) {
        plain.push_back(kNose + d);
        plain.push_back(kTail - d);
    }
    const int spans = 26;
    for (int i = 0; i <= spans; ++i) {
        plain.push_back(-0.98f + 1.96f * static_cast<float>(i) / spans);
    }
    for (float edge : kGlassEdges) {
        plain.push_back(edge - 0.007f);
        plain.push_back(edge + 0.007f);
    }
    std::sort(plain.begin(), plain.end());
    // Drop plain stations crowding a glass edge pair.
    std::vector<float> kept;
    for (float z : plain) {
        const bool nearEdge = std::any_of(kGlassEdges.begin(), kGlassEdges.end(), [&](float e) {
            const float d = std::fabs(z - e);
            return d > 0.0071f && d < 0.025f;
        });
        if (!nearEdge) {
            kept.push_back(z);
        }
    }
    std::vector<Station> stations;
    std::size_t next = 0;
    for (float axle : {kFrontAxle, kRearAxle}) {
        const float start = axle - kArchRadius;
        const float end = axle + kArchRadius;
        for (; next < kept.size() && kept[next] < end + 0.015f; ++next) {
            if (kept[next] < start - 0.015f) {
                stations.push_back({kept[next], false});
            }
        }
        stations.push_back({start, false});
        const int archSpans = 8;
        for (int i = 0; i <= archSpans; ++i) {
            stations.push_back({start + (end - start) * static_cast<float>(i) / archSpans, true});
        }
        stations.push_back({end, false});
    }
    for (; next < kept.size(); ++next) {
        stations.push_back({kept[next], false});
    }
    return stations;
}

void addBody(Mesh& mesh) {
    const BodyLines lines;
    const std::vector<Station> stations = bodyStations();
    const float glassDepth = 0.012f;

    std::vector<std::vector<Vertex>> rows;
    for (const Station& station : stations) {
        const std::vector<SectionPoint> half = bodySection(lines, station);
        const int n = static_cast<int>(half.size());
        // Whole ring: right half bottom to top, then the left half back down.
        std::vector<SectionPoint> ring(half);
        for (int i = n - 2; i >= 1; --i) {
            ring.push_back({{-half[i].position.x, half[i].position.y}, half[i].skin});
        }
        const int count = static_cast<int>(ring.size());
        std::vector<glm::vec2> placed;
        for (int k = 0; k < count; ++k) {
            glm::vec2 p = ring[k].position;
            if (isGlass(lines, station.z, ring[k].skin)) {
                const glm::vec2 along =
                    ring[(k + 1) % count].position - ring[(k + count - 1) % count].position;
                p += glassDepth * glm::normalize(glm::vec2(-along.y, along.x));
            }
            placed.push_back(p);
        }
        std::vector<Vertex> row;
        float around = 0.0f;
        for (int k = 0; k <= count; ++k) {
            if (k > 0) {
                around += glm::length(ring[k % count].position - ring[k - 1].position);
            }
            const glm::vec2& p = placed[k % count];
            const Material material =
                isGlass(lines, station.z, ring[k % count].skin) ? Material::Glass : Material::Paint;
            row.push_back({{p.x, p.y, station.z},
                           withMaterial({station.z * kUvPerUnit, around * kUvPerUnit}, material)});
        }
        rows.push_back(row);
    }
    // Close nose and tail with a fan. Its hub sits low in the end section so
    // that every rim point is seen from it in turn, even past the dip
    // between bonnet and fenders.
    auto endRow = [&](const std::vector<Vertex>& ring) {
        float low = ring.front().position.y;
        float high = low;
        for (const Vertex& v : ring) {
            low = std::min(low, v.position.y);
            high = std::max(high, v.position.y);
        }
        const glm::vec3 centre(0.0f, low + 0.3f * (high - low), ring.front().position.z);
        std::vector<Vertex> row;
        for (const Vertex& v : ring) {
            row.push_back({centre, glm::vec2(v.uv.x, 0.5f * (centre.y - kGround) * kUvPerUnit)});
        }
        return row;
    };
    rows.insert(rows.begin(), endRow(rows.front()));
    rows.push_back(endRow(rows.back()));
    Mesh body;
    body.addGrid(rows, false);
    body.smoothNormals(50.0f);
    mesh.append(body);
}

// Whether (x, y) lies inside the body's cross-section at z.
bool insideBody(const BodyLines& lines, float z, const glm::vec2& point) {
    const std::vector<SectionPoint> half = bodySection(lines, {z, false});
    // Even-odd rule over the right half closed along the centre line.
    const glm::vec2 p(std::fabs(point.x), point.y);
    bool inside = false;
    for (std::size_t i = 0; i < half.size(); ++i) {
        const glm::vec2 a = half[i].position;
        const glm::vec2 b = half[(i + 1) % half.size()].position;
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) / (b.y - a.y) * (b.x - a.x)) {
            inside = !inside;
        }
    }
    return inside;
}

// The z where the line through (x, y) along z meets the body's skin, coming
// from the end `from` (kNose or kTail); `from` itself when it misses.
float bodySkinZ(const BodyLines& lines, const glm::vec2& point, float from) {
    const int steps = 400;
    const float toward = from < 0.0f ? 1.0f : -1.0f;
    for (int i = 0; i <= steps; ++i) {
        const float z = from + toward * 0.3f * static_cast<float>(i) / steps;
        if (insideBody(lines, z, point)) {
            return z;
        }
    }
    return from;
}

// A right-hand wheel: tyre with rounded shoulders, a rim lip and a dished
// five-spoke face whose openings are recessed. Axis along x, outer face +x.
Mesh makeWheel(const glm::vec3& centre, float width) {
    const int segments = 30;  // even, so a sample sits exactly at the bottom
    const float r = kWheelRadius;
    const float rim = 0.104f;
    const float h = 0.5f * width;
    // (radius, x) from the inner hub out over the tread and in to the centre cap;
    // negative x offsets in `openDepth` apply between the spokes only.
    struct Ring {
        float radius;
        float x;
        float openDepth;
    };
    const std::vector<Ring> profile{
        {0.0f, -h + 0.015f, 0.0f},
        {rim - 0.005f, -h + 0.015f, 0.0f},
        {r - 0.03f, -h, 0.0f},
        {r, -h + 0.026f, 0.0f},
        {r, h - 0.026f, 0.0f},
        {r - 0.03f, h, 0.0f},
        {rim + 0.006f, h - 0.004f, 0.0f},
        {rim - 0.005f, h - 0.012f, 0.0f},
        {0.092f, h - 0.018f, 0.045f},
        {0.050f, h - 0.014f, 0.045f},
        {0.034f, h - 0.010f, 0.0f},
        {0.0f, h - 0.003f, 0.0f},
    };
    std::vector<std::vector<Vertex>> rows;
    float along = 0.0f;
    for (std::size_t k = 0; k < profile.size(); ++k) {
        const Ring& ring = profile[k];
        if (k > 0) {
            along += glm::length(
                glm::vec2(ring.radius - profile[k - 1].radius, ring.x - profile[k - 1].x));
        }
        std::vector<Vertex> row;
        for (int j = 0; j <= segments; ++j) {
            const float a = glm::two_pi<float>() * static_cast<float>(j % segments) / segments;
            // Five spokes, each a third of its period wide.
            const float phase = 5.0f * static_cast<float>(j % segments) / segments;
            const float offset = std::fabs(phase - std::round(phase));
            const float x = ring.x - (offset > 0.2f ? ring.openDepth : 0.0f);
            const glm::vec3 p =
                centre + glm::vec3(x, ring.radius * std::cos(a), ring.radius * std::sin(a));
            // The rows over the tread and shoulders are the tyre, the rest the rim.
            const Material material = k >= 2 && k <= 5 ? Material::Rubber : Material::BrightMetal;
            row.push_back({p, withMaterial({static_cast<float>(j) / segments *
                                                glm::two_pi<float>() * r * kUvPerUnit,
                                            along * kUvPerUnit},
                                           material)});
        }
        rows.push_back(row);
    }
    Mesh wheel;
    wheel.addGrid(rows, false);
    wheel.smoothNormals(40.0f);
    return wheel;
}

void addWheels(Mesh& mesh) {
    struct Axle {
        float z;
        float track;  // x of the wheel's middle plane
        float width;
    };
    for (const Axle& axle : {Axle{kFrontAxle, 0.352f, 0.11f}, Axle{kRearAxle, 0.355f, 0.13f}}) {
        Mesh right = makeWheel({axle.track, kWheelCentreY, axle.z}, axle.width);
        Mesh left = right;
        left.mirrorX();
        mesh.append(right);
        mesh.append(left);
    }
}

// Turns +y onto `direction` and moves the origin to `position`.
glm::mat4 placeAlong(const glm::vec3& position, const glm::vec3& direction) {
    const glm::vec3 y(0.0f, 1.0f, 0.0f);
    const glm::vec3 d = glm::normalize(direction);
    const glm::vec3 axis = glm::cross(y, d);
    const float angle = std::acos(std::clamp(glm::dot(y, d), -1.0f, 1.0f));
    glm::mat4 m = glm::translate(glm::mat4(1.0f), position);
    if (glm::length(axis) > 1e-6f) {
        m = glm::rotate(m, angle, glm::normalize(axis));
    }
    return m;
}

// A part built around the origin, placed, given its own normals and added
// to the car on both sides.
void addPair(Mesh& mesh, Mesh part, const glm::mat4& placement, float crease) {
    part.transform(placement);
    part.smoothNormals(crease);
    mesh.append(part);
    part.mirrorX();
    mesh.append(part);
}

// Round headlights in the front of the fenders: a domed lens in a bezel
// that runs back into the body.
void addHeadlights(Mesh& mesh) {
    const float r = 0.047f;
    Mesh lamp;
    addLathe(lamp, glm::vec3(0.0f),
             {{0.0f, -0.035f},
              {r + 0.006f, -0.035f},
              {r + 0.006f, 0.0f},
              {r, 0.004f},
              {0.75f * r, 0.011f},
              {0.4f * r, 0.0145f},
              {0.0f, 0.0155f}},
             14, kUvPerUnit);
    // The dome is the lens, the ring round it the chrome bezel.
    lamp.forEachCorner([](Corner& c) {
        c.uv =
            withMaterial(c.uv, c.position.y > 0.002f ? Material::HeadLamp : Material::BrightMetal);
    });
    // Square to the fender front and sunk into it, so only the dome stands
    // proud. The skin's slope comes from probing it either side.
    const BodyLines lines;
    const glm::vec2 centre(0.255f, -0.492f);
    const float h = 0.02f;
    auto skinZ = [&](const glm::vec2& p) { return bodySkinZ(lines, p, kNose); };
    const float dzdx =
        (skinZ(centre + glm::vec2(h, 0)) - skinZ(centre - glm::vec2(h, 0))) / (2 * h);
    const float dzdy =
        (skinZ(centre + glm::vec2(0, h)) - skinZ(centre - glm::vec2(0, h))) / (2 * h);
    const glm::vec3 axis = glm::normalize(glm::vec3(dzdx, dzdy, -1.0f));
    const glm::vec3 skin(centre, skinZ(centre));
    addPair(mesh, lamp, placeAlong(skin - 0.012f * axis, axis), 35.0f);
}

// The full-width tail-light band, following the curve of the tail.
void addTailLights(Mesh& mesh) {
    const BodyLines lines;
    const float bottom = -0.512f;
    const float top = -0.468f;
    const int columns = 12;
    const float halfSpan = 0.35f;
    std::vector<std::vector<Vertex>> rows;
    for (int i = 0; i <= columns; ++i) {
        const float x = -halfSpan + 2.0f * halfSpan * static_cast<float>(i) / columns;
        const float z =
            std::min(bodySkinZ(lines, {x, bottom}, kTail), bodySkinZ(lines, {x, top}, kTail));
        std::vector<Vertex> row;
        // Seen from behind: back into the body, across the lens, and back in.
        for (const glm::vec2& p : {glm::vec2(z - 0.02f, bottom), glm::vec2(z + 0.01f, bottom),
                                   glm::vec2(z + 0.01f, top), glm::vec2(z - 0.02f, top)}) {
            row.push_back(
                {{x, p.y, p.x}, withMaterial(glm::vec2(x, p.y) * kUvPerUnit, Material::TailLamp)});
        }
        rows.push_back(row);
    }
    Mesh band;
    band.addGrid(rows, false, true);
    band.smoothNormals(40.0f);
    mesh.append(band);
}

// Door mirrors on short stalks at the front of the side glass.
void addMirrors(Mesh& mesh) {
    std::vector<glm::vec2> sphere;
    for (int i = 0; i <= 6; ++i) {
        const float a = glm::pi<float>() * static_cast<float>(i) / 6.0f;
        sphere.push_back({std::sin(a), -std::cos(a)});
    }
    Mesh head;
    addLathe(head, glm::vec3(0.0f), sphere, 10, kUvPerUnit);
    const glm::mat4 place = glm::scale(glm::translate(glm::mat4(1.0f), {0.418f, -0.34f, -0.25f}),
                                       {0.024f, 0.018f, 0.034f});
    addPair(mesh, head, place, 60.0f);
    Mesh stalk;
    addBox(stalk, {0.375f, -0.354f, -0.258f}, {0.402f, -0.346f, -0.242f}, kUvPerUnit);
    addPair(mesh, stalk, glm::mat4(1.0f), 30.0f);
}

// A rear wing on two pylons above the engine lid, with end plates.
void addRearWing(Mesh& mesh) {
    const float span = 0.40f;
    const float leading = 0.83f;
    const float chord = 0.2f;
    const float lift = 0.02f;  // trailing edge above the leading edge
    const float thickness = 0.026f;
    const float height = -0.325f;
    // Airfoil in (z, y): over the top from the leading edge to the trailing
    // edge, back along the bottom.
    std::vector<glm::vec2> foil;
    const std::vector<float> stations{0.0f, 0.03f, 0.1f, 0.25f, 0.45f, 0.7f, 1.0f};
    auto halfThickness = [&](float f) {
        return 0.5f * thickness *
               (1.4845f * std::sqrt(f) - 0.63f * f - 1.758f * f * f + 1.4215f * f * f * f -
                0.5075f * f * f * f * f) /
               0.5f;
    };
    for (float f : stations) {
        foil.push_back({leading + chord * f, height + lift * f + halfThickness(f)});
    }
    for (auto it = stations.rbegin() + 1; it + 1 != stations.rend(); ++it) {
        foil.push_back({leading + chord * *it, height + lift * *it - halfThickness(*it)});
    }
    std::vector<std::vector<Vertex>> rows;
    glm::vec2 middle(0.0f);
    for (const glm::vec2& p : foil) {
        middle += p / static_cast<float>(foil.size());
    }
    for (float x : {-span, -span, span, span}) {
        const bool cap = rows.empty() || rows.size() == 3;
        std::vector<Vertex> row;
        for (const glm::vec2& p : foil) {
            const glm::vec2 q = cap ? middle : p;
            row.push_back({{x, q.y, q.x}, glm::vec2(x, q.x) * kUvPerUnit});
        }
        rows.push_back(row);
    }
    Mesh blade;
    blade.addGrid(rows, true);
    blade.smoothNormals(50.0f);
    mesh.append(blade);

    Mesh plate;
    addBox(plate, {span, height - 0.025f, leading - 0.005f},
           {span + 0.01f, height + 0.045f, leading + chord + 0.01f}, kUvPerUnit);
    addPair(mesh, plate, glm::mat4(1.0f), 30.0f);
    Mesh pylon;
    addBox(pylon, {0.23f, -0.43f, leading + 0.07f}, {0.245f, height, leading + 0.14f}, kUvPerUnit);
    addPair(mesh, pylon, glm::mat4(1.0f), 30.0f);
}

// Twin tail pipes under the rear valance.
void addExhausts(Mesh& mesh) {
    Mesh pipe;
    addLathe(pipe, glm::vec3(0.0f),
             {{0.0f, 0.0f}, {0.022f, 0.0f}, {0.022f, 0.1f}, {0.017f, 0.1f}, {0.0f, 0.07f}}, 10,
             kUvPerUnit);
    pipe.forEachCorner([](Corner& c) { c.uv = withMaterial(c.uv, Material::BrightMetal); });
    addPair(mesh, pipe, placeAlong({0.17f, -0.685f, 0.99f}, {0.0f, 0.0f, 1.0f}), 40.0f);
}

}  // namespace

Mesh makeCar() {
    Mesh mesh;
    addBody(mesh);
    addWheels(mesh);
    addHeadlights(mesh);
    addTailLights(mesh);
    addMirrors(mesh);
    addRearWing(mesh);
    addExhausts(mesh);
    return mesh;
}

}  // namespace tandril::assetgen
