#include <algorithm>
#include <cmath>
#include <set>

#include <gtest/gtest.h>

#include "assets/Adjacency.h"

namespace tandril::scene {
namespace {

std::vector<std::uint32_t> build(const std::vector<Triangle>& faces,
                                 const std::vector<glm::vec3>& positions,
                                 AdjacencyData* keep = nullptr) {
    AdjacencyData data;
    std::vector<std::uint32_t> indices;
    buildAdjacency(faces, positions, keep != nullptr ? *keep : data, indices);
    return indices;
}

// A unit cube as an importer delivers it with per-face normals: four vertices
// of its own per face, 24 in all, two counter-clockwise triangles per face.
void splitCube(std::vector<Triangle>& faces, std::vector<glm::vec3>& positions) {
    const glm::vec3 corners[8] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                  {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                             {2, 3, 7, 6}, {0, 4, 7, 3}, {1, 2, 6, 5}};
    for (const auto& quad : quads) {
        const auto base = static_cast<std::uint32_t>(positions.size());
        for (int corner : quad) {
            positions.push_back(corners[corner]);
        }
        faces.push_back({base, base + 1, base + 2});
        faces.push_back({base, base + 2, base + 3});
    }
}

TEST(Adjacency, TetrahedronFirstFaceSeesTheFourthVertexAcrossEveryEdge) {
    const std::vector<glm::vec3> positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const std::vector<Triangle> faces = {{0, 1, 2}, {0, 3, 1}, {1, 3, 2}, {2, 3, 0}};
    const auto indices = build(faces, positions);
    ASSERT_EQ(indices.size(), 24u);
    EXPECT_EQ(std::vector<std::uint32_t>(indices.begin(), indices.begin() + 6),
              (std::vector<std::uint32_t>{0, 3, 1, 3, 2, 3}));
    // Second face (0, 3, 1): across (0,3) lies 2, across (3,1) lies 2, across (1,0) lies 2.
    EXPECT_EQ(std::vector<std::uint32_t>(indices.begin() + 6, indices.begin() + 12),
              (std::vector<std::uint32_t>{0, 2, 3, 2, 1, 2}));
}

TEST(Adjacency, SplitCubeWeldsToEightCornersWithNeighboursFromSharedEdges) {
    std::vector<Triangle> faces;
    std::vector<glm::vec3> positions;
    splitCube(faces, positions);
    ASSERT_EQ(positions.size(), 24u);

    AdjacencyData data;
    const auto indices = build(faces, positions, &data);
    ASSERT_EQ(indices.size(), 72u);
    EXPECT_EQ(data.m_positionMap.size(), 8u);
    EXPECT_EQ(data.m_indexMap.size(), 18u);  // 12 cube edges and 6 face diagonals
    const std::set<std::uint32_t> used(indices.begin(), indices.end());
    EXPECT_EQ(used.size(), 8u);

    for (const auto& [edge, owners] : data.m_indexMap) {
        EXPECT_NE(owners.first, kNoTriangle);
        EXPECT_NE(owners.second, kNoTriangle) << "edge " << edge.a << "-" << edge.b;
    }
    for (std::size_t i = 0; i < data.m_triangles.size(); ++i) {
        const Triangle& t = data.m_triangles[i];
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(indices[6 * i + 2 * j], t[j]);
            // The odd entry is a corner of the other triangle on that edge,
            // and not one of the edge's own ends.
            const Edge e(t[j], t[(j + 1) % 3]);
            const EdgeTriangles& owners = data.m_indexMap.at(e);
            const std::uint32_t other = owners.first == i ? owners.second : owners.first;
            const Triangle& neighbour = data.m_triangles[other];
            const std::uint32_t opposite = indices[6 * i + 2 * j + 1];
            EXPECT_NE(std::find(neighbour.begin(), neighbour.end(), opposite), neighbour.end());
            EXPECT_NE(opposite, e.a);
            EXPECT_NE(opposite, e.b);
        }
    }
}

TEST(Adjacency, WeldingKeepsTheFirstVertexMetInFaceOrder) {
    // Vertices 3 and 4 repeat the positions of 2 and 0 exactly; 5 differs by one ulp.
    const float nudged = std::nextafter(1.0f, 2.0f);
    const std::vector<glm::vec3> positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0},
                                              {0, 1, 0}, {0, 0, 0}, {nudged, 1, 0}};
    const std::vector<Triangle> faces = {{3, 4, 1}, {0, 1, 2}, {5, 2, 1}};
    AdjacencyData data;
    const auto indices = build(faces, positions, &data);
    // Face 0 met vertices 3 and 4 first, so face 1's corners 0 and 2 become 4 and 3.
    EXPECT_EQ(data.m_triangles[1], (Triangle{4, 1, 3}));
    EXPECT_EQ(data.m_triangles[2], (Triangle{5, 3, 1}));
    EXPECT_EQ(data.m_positionMap.size(), 4u);
    EXPECT_EQ(indices.size(), 18u);
}

TEST(Adjacency, NegativeAndPositiveZeroAreOnePosition) {
    const std::vector<glm::vec3> positions = {{0.0f, 0, 0}, {-0.0f, 0, 0}};
    const std::vector<Triangle> faces = {{0, 1, 0}};
    AdjacencyData data;
    build(faces, positions, &data);
    EXPECT_EQ(data.m_positionMap.size(), 1u);
}

TEST(Adjacency, OpenBorderTakesTheTrianglesOwnOppositeCorner) {
    // A lone triangle: every edge is a border.
    const std::vector<glm::vec3> positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    EXPECT_EQ(build({{0, 1, 2}}, positions), (std::vector<std::uint32_t>{0, 2, 1, 0, 2, 1}));

    // Two triangles of a square: the diagonal is shared, the rim is open.
    const std::vector<glm::vec3> square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const auto indices = build({{0, 1, 2}, {0, 2, 3}}, square);
    EXPECT_EQ(indices, (std::vector<std::uint32_t>{0, 2, 1, 0, 2, 3,  //
                                                   0, 1, 2, 0, 3, 2}));
}

TEST(Adjacency, EdgeOfThreeTrianglesGivesValidNeighbours) {
    // Three fins on the edge 0-1.
    const std::vector<glm::vec3> positions = {
        {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, -1, 0}};
    const std::vector<Triangle> faces = {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}};
    const auto indices = build(faces, positions);
    ASSERT_EQ(indices.size(), 18u);
    // The third fin was not recorded on the edge; it still sees a real fin across it.
    EXPECT_EQ(indices[12], 0u);
    EXPECT_EQ(indices[13], 2u);
    for (std::uint32_t index : indices) {
        EXPECT_LT(index, positions.size());
    }
}

TEST(Adjacency, DegenerateTrianglesAndBadIndicesStayInBounds) {
    const std::vector<glm::vec3> positions = {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {2, 2, 2}};
    // Two corners at one position, a triangle of one point, a repeated
    // triangle, and a face naming a vertex that does not exist.
    const std::vector<Triangle> faces = {{0, 1, 2}, {3, 3, 3}, {0, 1, 3}, {0, 1, 3}, {0, 1, 9}};
    AdjacencyData data;
    const auto indices = build(faces, positions, &data);
    EXPECT_EQ(data.m_triangles.size(), 4u);  // the out-of-range face is dropped
    ASSERT_EQ(indices.size(), 24u);
    for (std::uint32_t index : indices) {
        EXPECT_LT(index, positions.size());
    }
    // The folded triangle (0, 1, 0) is recorded once on its edge, so the next
    // triangle there is its neighbour; its collapsed edge keeps its own corner.
    EXPECT_EQ(std::vector<std::uint32_t>(indices.begin(), indices.begin() + 6),
              (std::vector<std::uint32_t>{0, 3, 1, 3, 0, 1}));
}

TEST(Adjacency, NanPositionsKeepTheOrderStrict) {
    const float nan = std::nanf("");
    const std::vector<glm::vec3> positions = {{nan, 0, 0}, {0, nan, 0}, {nan, 0, 0}, {1, 1, 1}};
    AdjacencyData data;
    const auto indices = build({{0, 1, 2}, {2, 1, 3}}, positions, &data);
    EXPECT_EQ(data.m_positionMap.size(), 3u);  // the two (nan, 0, 0) weld
    EXPECT_EQ(indices.size(), 12u);
}

}  // namespace
}  // namespace tandril::scene
