// The unit cube and the street slab: both cast shadow volumes, so both are
// closed two-manifolds once corners are welded by position.
#include <array>

#include "Models.h"
#include "Shapes.h"

namespace tandril::assetgen {

// Unit cube centred on the origin, with the bricks of the house walls: half
// the brick image (it spans 2 m) across each face.
Mesh makeCube() {
    struct Face {
        glm::vec3 normal;
        glm::vec3 right;  // u direction seen from outside
    };
    const std::array<Face, 6> faces{{
        {{1, 0, 0}, {0, 0, -1}},
        {{-1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}},
        {{0, 0, -1}, {-1, 0, 0}},
        {{0, 1, 0}, {1, 0, 0}},
        {{0, -1, 0}, {1, 0, 0}},
    }};
    const float span = uvPerUnit(2.0f);
    Mesh mesh;
    for (const Face& f : faces) {
        const glm::vec3 up = glm::cross(f.normal, f.right);
        const glm::vec3 centre = 0.5f * f.normal;
        const glm::vec3 r = 0.5f * f.right;
        const glm::vec3 u = 0.5f * up;
        mesh.addQuad({centre - r - u, {0, 0}}, {centre + r - u, {span, 0}},
                     {centre + r + u, {span, span}}, {centre - r + u, {0, span}});
    }
    mesh.smoothNormals(30.0f);
    return mesh;
}

// The street: a slab with its top at y = 0. The scene scales it by 30 in x
// and z and moves it 20 units along -z, so world x = 30 x and world z =
// 30 z - 600: the slab spans world x -900..900 and z -1800..600, under the
// house rows, the parked car and both cars' starting points (z 30 and 120),
// and its edges lie where the shaders' distance haze has swallowed it.
Mesh makeStreet() {
    const glm::vec3 low(-30.0f, -0.2f, -40.0f);
    const glm::vec3 high(30.0f, 0.0f, 40.0f);
    // Asphalt repeats every 6 m: 0.2 units across, y is not scaled.
    const float worldRepeat = 6.0f;
    const float uvPerUnitXZ = uvPerUnit(worldRepeat / 30.0f);
    const float uvPerUnitY = uvPerUnit(worldRepeat);
    auto vertex = [&](const glm::vec3& p, const glm::vec3& normal) {
        const glm::vec3 scaled(p.x * uvPerUnitXZ, p.y * uvPerUnitY, p.z * uvPerUnitXZ);
        return Vertex{p, planarUv(scaled, normal, 1.0f)};
    };
    auto quad = [&](const glm::vec3& a, const glm::vec3& b, const glm::vec3& c,
                    const glm::vec3& d) {
        const glm::vec3 n = glm::cross(b - a, c - a);
        return std::array<Vertex, 4>{vertex(a, n), vertex(b, n), vertex(c, n), vertex(d, n)};
    };
    Mesh mesh;
    auto add = [&](const std::array<Vertex, 4>& q) { mesh.addQuad(q[0], q[1], q[2], q[3]); };
    const float lx = low.x, ly = low.y, lz = low.z;
    const float hx = high.x, hy = high.y, hz = high.z;
    add(quad({lx, hy, hz}, {hx, hy, hz}, {hx, hy, lz}, {lx, hy, lz}));  // road surface
    add(quad({lx, ly, lz}, {hx, ly, lz}, {hx, ly, hz}, {lx, ly, hz}));  // underside
    add(quad({hx, ly, hz}, {hx, ly, lz}, {hx, hy, lz}, {hx, hy, hz}));  // +x edge
    add(quad({lx, ly, lz}, {lx, ly, hz}, {lx, hy, hz}, {lx, hy, lz}));  // -x edge
    add(quad({lx, ly, hz}, {hx, ly, hz}, {hx, hy, hz}, {lx, hy, hz}));  // +z edge
    add(quad({hx, ly, lz}, {lx, ly, lz}, {lx, hy, lz}, {hx, hy, lz}));  // -z edge
    mesh.smoothNormals(30.0f);
    return mesh;
}

}  // namespace tandril::assetgen
