#include "assets/Adjacency.h"

#include <cmath>

namespace tandril::scene {
namespace {

bool floatLess(float x, float y) {
    const bool xNan = std::isnan(x);
    const bool yNan = std::isnan(y);
    if (xNan || yNan) {
        return !xNan && yNan;
    }
    return x < y;
}

// The corner of `t` that is neither end of `e`, if there is one.
bool farCorner(const Triangle& t, const Edge& e, std::uint32_t& corner) {
    for (std::uint32_t v : t) {
        if (v != e.a && v != e.b) {
            corner = v;
            return true;
        }
    }
    return false;
}

}  // namespace

bool PositionLess::operator()(const glm::vec3& p, const glm::vec3& q) const {
    if (floatLess(p.x, q.x))
        return true;
    if (floatLess(q.x, p.x))
        return false;
    if (floatLess(p.y, q.y))
        return true;
    if (floatLess(q.y, p.y))
        return false;
    return floatLess(p.z, q.z);
}

void buildAdjacency(std::span<const Triangle> faces, std::span<const glm::vec3> positions,
                    AdjacencyData& data, std::vector<std::uint32_t>& indices) {
    const std::size_t firstTriangle = data.m_triangles.size();

    // Weld and register: corners at one position share the index met first.
    for (const Triangle& face : faces) {
        if (face[0] >= positions.size() || face[1] >= positions.size() ||
            face[2] >= positions.size()) {
            continue;
        }
        Triangle welded;
        for (int j = 0; j < 3; ++j) {
            welded[j] = data.m_positionMap.try_emplace(positions[face[j]], face[j]).first->second;
        }
        const auto triangle = static_cast<std::uint32_t>(data.m_triangles.size());
        data.m_triangles.push_back(welded);
        for (int j = 0; j < 3; ++j) {
            const std::uint32_t u = welded[j];
            const std::uint32_t v = welded[(j + 1) % 3];
            if (u == v) {
                continue;  // a collapsed edge joins no neighbour
            }
            EdgeTriangles& owners = data.m_indexMap[Edge(u, v)];
            if (owners.first == kNoTriangle) {
                owners.first = triangle;
            } else if (owners.second == kNoTriangle && owners.first != triangle) {
                owners.second = triangle;
            }  // a third triangle on one edge, or a folded one twice, is not recorded
        }
    }

    // Emit each corner followed by the far corner across the next edge.
    indices.reserve(indices.size() + 6 * (data.m_triangles.size() - firstTriangle));
    for (std::size_t i = firstTriangle; i < data.m_triangles.size(); ++i) {
        const Triangle& t = data.m_triangles[i];
        for (int j = 0; j < 3; ++j) {
            const std::uint32_t ownOpposite = t[(j + 2) % 3];
            std::uint32_t opposite = ownOpposite;
            if (t[j] != t[(j + 1) % 3]) {
                const Edge e(t[j], t[(j + 1) % 3]);
                const EdgeTriangles& owners = data.m_indexMap.find(e)->second;
                const std::uint32_t other = owners.first == i ? owners.second : owners.first;
                if (other == kNoTriangle || other >= data.m_triangles.size() ||
                    !farCorner(data.m_triangles[other], e, opposite)) {
                    opposite = ownOpposite;
                }
            }
            indices.push_back(t[j]);
            indices.push_back(opposite);
        }
    }
}

}  // namespace tandril::scene
