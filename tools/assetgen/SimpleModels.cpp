// The unit cube: it casts shadow volumes, so it is a closed two-manifold once
// corners are welded by position.
#include <algorithm>
#include <array>
#include <vector>

#include "Models.h"
#include "Shapes.h"

namespace tandril::assetgen {

// Unit cube centred on the origin, with the bricks of the house walls: half
// the brick image (it spans 2 m) across each face.
//
// Its edges and corners are chamfered by a hair. Welding for the shadow
// volumes joins corners by position, so on a sharp cube every face corner
// would share one normal and one texture coordinate with two other faces;
// with the chamfer each face keeps its own, and the strips between faces,
// far thinner than a pixel, take theirs from the faces they join.
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
    const float chamfer = 0.002f;
    const float inset = 0.5f - chamfer;

    // Each face's corners, counter-clockwise from outside, starting low left.
    std::array<std::array<Vertex, 4>, 6> corners;
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const Face& f = faces[i];
        const glm::vec3 up = glm::cross(f.normal, f.right);
        const std::array<glm::vec2, 4> square{{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}};
        for (std::size_t k = 0; k < 4; ++k) {
            const glm::vec2 s = square[k];
            corners[i][k] = {0.5f * f.normal + inset * (s.x * f.right + s.y * up),
                             span * 0.5f * (s * (inset / 0.5f) + 1.0f)};
        }
    }

    Mesh mesh;
    // Chamfer triangles are added facing out whatever order they come in.
    auto addOutward = [&mesh](const Vertex& a, const Vertex& b, const Vertex& c) {
        const glm::vec3 n = glm::cross(b.position - a.position, c.position - a.position);
        if (glm::dot(n, a.position + b.position + c.position) >= 0.0f) {
            mesh.addTriangle(a, b, c);
        } else {
            mesh.addTriangle(a, c, b);
        }
    };
    // The corner of face i nearest a point.
    auto nearest = [&corners](std::size_t i, const glm::vec3& p) {
        const std::array<Vertex, 4>& c = corners[i];
        return *std::min_element(c.begin(), c.end(), [&p](const Vertex& a, const Vertex& b) {
            return glm::distance(a.position, p) < glm::distance(b.position, p);
        });
    };

    for (const std::array<Vertex, 4>& c : corners) {
        mesh.addQuad(c[0], c[1], c[2], c[3]);
    }
    // A strip along each edge, between the two faces that meet there.
    for (std::size_t i = 0; i < faces.size(); ++i) {
        for (std::size_t j = i + 1; j < faces.size(); ++j) {
            if (glm::dot(faces[i].normal, faces[j].normal) != 0.0f) {
                continue;
            }
            const glm::vec3 edge = 0.5f * (faces[i].normal + faces[j].normal);
            const glm::vec3 along = glm::cross(faces[i].normal, faces[j].normal);
            const Vertex a = nearest(i, edge + along), b = nearest(i, edge - along);
            const Vertex c = nearest(j, edge - along), d = nearest(j, edge + along);
            addOutward(a, b, c);
            addOutward(a, c, d);
        }
    }
    // A triangle at each corner, between the three faces that meet there.
    for (int k = 0; k < 8; ++k) {
        const glm::vec3 corner(k & 1 ? 0.5f : -0.5f, k & 2 ? 0.5f : -0.5f, k & 4 ? 0.5f : -0.5f);
        std::vector<Vertex> around;
        for (std::size_t i = 0; i < faces.size(); ++i) {
            if (glm::dot(faces[i].normal, corner) > 0.0f) {
                around.push_back(nearest(i, corner));
            }
        }
        addOutward(around[0], around[1], around[2]);
    }
    // Every corner takes the normal of the face it lies on.
    mesh.forEachCorner([](Corner& c) {
        const glm::vec3 a = glm::abs(c.position);
        const int axis = a.x == 0.5f ? 0 : (a.y == 0.5f ? 1 : 2);
        c.normal = glm::vec3(0.0f);
        c.normal[axis] = c.position[axis] > 0.0f ? 1.0f : -1.0f;
    });
    return mesh;
}

}  // namespace tandril::assetgen
