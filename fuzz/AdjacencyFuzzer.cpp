// Adjacency of arbitrary triangle soups: open borders, edges of three or more
// triangles, degenerate and repeated triangles, indices past the last vertex,
// NaN and infinite positions. Whatever the input, every triangle must give six
// indices that name real vertices, and its neighbours must be true neighbours.
//
// Input layout (so that seeds can be written by hand):
//   byte 0       flags; bit 0 set: coordinates are raw 4-byte floats, any bit
//                pattern; clear: one signed byte / 4 each, so positions repeat
//                and weld often
//   byte 1       vertex count n
//   3n coords    x, y, z of each vertex
//   rest         faces, three 1-byte vertex indices each (>= n: out of range)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "assets/Adjacency.h"

using tandril::scene::AdjacencyData;
using tandril::scene::buildAdjacency;
using tandril::scene::PositionLess;
using tandril::scene::Triangle;

namespace {

[[noreturn]] void fail(const char* what, std::size_t triangle, int slot) {
    std::fprintf(stderr, "adjacency invariant broken: %s (triangle %zu, slot %d)\n", what, triangle,
                 slot);
    std::abort();
}

bool samePosition(const glm::vec3& p, const glm::vec3& q) {
    const PositionLess less;
    return !less(p, q) && !less(q, p);
}

bool hasCorner(const Triangle& t, std::uint32_t v) {
    return t[0] == v || t[1] == v || t[2] == v;
}

bool isDegenerate(const Triangle& t) {
    return t[0] == t[1] || t[1] == t[2] || t[2] == t[0];
}

struct Input {
    std::vector<glm::vec3> positions;
    std::vector<Triangle> faces;
};

Input parse(const std::uint8_t* data, std::size_t size) {
    Input input;
    if (size < 2) {
        return input;
    }
    const bool rawFloats = (data[0] & 1) != 0;
    const std::size_t count = data[1];
    std::size_t at = 2;
    const std::size_t coordinateSize = rawFloats ? 4 : 1;
    for (std::size_t v = 0; v < count && at + 3 * coordinateSize <= size; ++v) {
        glm::vec3 p;
        for (int c = 0; c < 3; ++c, at += coordinateSize) {
            if (rawFloats) {
                std::memcpy(&p[c], data + at, 4);
            } else {
                p[c] = static_cast<float>(static_cast<std::int8_t>(data[at])) / 4.0f;
            }
        }
        input.positions.push_back(p);
    }
    for (; at + 3 <= size; at += 3) {
        input.faces.push_back({data[at], data[at + 1], data[at + 2]});
    }
    return input;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Input input = parse(data, size);
    const std::vector<glm::vec3>& positions = input.positions;

    std::vector<Triangle> usable;
    for (const Triangle& face : input.faces) {
        if (face[0] < positions.size() && face[1] < positions.size() &&
            face[2] < positions.size()) {
            usable.push_back(face);
        }
    }

    AdjacencyData adjacency;
    std::vector<std::uint32_t> indices;
    buildAdjacency(input.faces, positions, adjacency, indices);

    if (indices.size() != 6 * usable.size()) {
        fail("not six indices per usable face", usable.size(), -1);
    }
    if (adjacency.m_triangles.size() != usable.size()) {
        fail("one welded triangle per usable face expected", adjacency.m_triangles.size(), -1);
    }
    for (std::size_t k = 0; k < indices.size(); ++k) {
        if (indices[k] >= positions.size()) {
            fail("index past the last vertex", k / 6, static_cast<int>(k % 6));
        }
    }

    // Which welded triangles touch each edge, counted here independently.
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::set<std::size_t>> edgeTriangles;
    const auto key = [](std::uint32_t u, std::uint32_t v) {
        return u < v ? std::make_pair(u, v) : std::make_pair(v, u);
    };
    for (std::size_t i = 0; i < adjacency.m_triangles.size(); ++i) {
        const Triangle& t = adjacency.m_triangles[i];
        for (int j = 0; j < 3; ++j) {
            if (t[j] != t[(j + 1) % 3]) {
                edgeTriangles[key(t[j], t[(j + 1) % 3])].insert(i);
            }
        }
    }

    for (std::size_t i = 0; i < usable.size(); ++i) {
        const Triangle& t = adjacency.m_triangles[i];
        for (int j = 0; j < 3; ++j) {
            const std::uint32_t corner = indices[6 * i + 2 * j];
            const std::uint32_t opposite = indices[6 * i + 2 * j + 1];
            if (corner != t[j]) {
                fail("corner is not the welded triangle's corner", i, 2 * j);
            }
            if (!samePosition(positions[corner], positions[usable[i][j]])) {
                fail("welded corner moved", i, 2 * j);
            }
            const std::uint32_t a = t[j];
            const std::uint32_t b = t[(j + 1) % 3];
            const std::uint32_t own = t[(j + 2) % 3];
            if (opposite == own) {
                continue;  // a border or an edge with no usable neighbour
            }
            if (a == b || opposite == a || opposite == b) {
                fail("neighbour is an end of its own edge", i, 2 * j + 1);
            }
            const std::set<std::size_t>& owners = edgeTriangles[key(a, b)];
            bool found = false;
            for (std::size_t other : owners) {
                found = found || (other != i && hasCorner(adjacency.m_triangles[other], opposite));
            }
            if (!found) {
                fail("neighbour lies on no triangle sharing the edge", i, 2 * j + 1);
            }
        }
        // Where the mesh is a proper two-manifold, the neighbour is unique.
        for (int j = 0; j < 3 && !isDegenerate(t); ++j) {
            const std::set<std::size_t>& owners = edgeTriangles[key(t[j], t[(j + 1) % 3])];
            if (owners.size() != 2) {
                continue;
            }
            const std::size_t other = *owners.begin() == i ? *owners.rbegin() : *owners.begin();
            const Triangle& n = adjacency.m_triangles[other];
            if (isDegenerate(n)) {
                continue;
            }
            std::uint32_t far = n[0];
            for (std::uint32_t v : n) {
                if (v != t[j] && v != t[(j + 1) % 3]) {
                    far = v;
                }
            }
            if (indices[6 * i + 2 * j + 1] != far) {
                fail("two-triangle edge does not name the other triangle's far corner", i,
                     2 * j + 1);
            }
        }
    }
    return 0;
}
