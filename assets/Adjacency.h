// Triangle adjacency for shadow-volume meshes: six indices per triangle in the
// layout of GL_TRIANGLES_ADJACENCY (corner, far corner across the next edge, ...).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include <glm/vec3.hpp>

namespace tandril::scene {

// Marks an edge slot that no triangle has claimed yet.
inline constexpr std::uint32_t kNoTriangle = 0xFFFFFFFFu;

// An undirected edge between two welded vertices, stored with a < b.
struct Edge {
    Edge(std::uint32_t i, std::uint32_t j) : a(i < j ? i : j), b(i < j ? j : i) {}
    std::uint32_t a;
    std::uint32_t b;
    bool operator<(const Edge& other) const { return a != other.a ? a < other.a : b < other.b; }
};

// The first two triangles met on an edge.
struct EdgeTriangles {
    std::uint32_t first = kNoTriangle;
    std::uint32_t second = kNoTriangle;
};

// Three welded vertex indices in the corner order of the imported face.
using Triangle = std::array<std::uint32_t, 3>;

// Exact position order: x, then y, then z. NaN sorts after every number so the
// order stays strict and weak whatever a model file holds.
struct PositionLess {
    bool operator()(const glm::vec3& p, const glm::vec3& q) const;
};

using PositionMap = std::map<glm::vec3, std::uint32_t, PositionLess>;
using EdgeMap = std::map<Edge, EdgeTriangles>;

// The build's containers, kept with the mesh for its life.
struct AdjacencyData {
    PositionMap m_positionMap;
    EdgeMap m_indexMap;
    std::vector<Triangle> m_triangles;
};

// Welds corners that share a position, matches edges and appends six indices
// per face to `indices`. Faces naming a vertex outside `positions` are
// skipped. Meshes that are not closed two-manifolds still give valid indices:
// an edge with one triangle (an open border), a degenerate edge, or an edge
// whose recorded triangles have no usable far corner takes the triangle's own
// opposite corner as its neighbour, which the shadow volumes see as a
// silhouette.
void buildAdjacency(std::span<const Triangle> faces, std::span<const glm::vec3> positions,
                    AdjacencyData& data, std::vector<std::uint32_t>& indices);

}  // namespace tandril::scene
