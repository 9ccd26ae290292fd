#include "Mesh.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <utility>

#include <glm/geometric.hpp>
#include <glm/trigonometric.hpp>
#include <glm/vec4.hpp>

namespace tandril::assetgen {
namespace {

struct PositionOrder {
    bool operator()(const glm::vec3& p, const glm::vec3& q) const {
        if (p.x != q.x)
            return p.x < q.x;
        if (p.y != q.y)
            return p.y < q.y;
        return p.z < q.z;
    }
};

glm::vec3 faceCross(const Triangle& t) {
    return glm::cross(t[1].position - t[0].position, t[2].position - t[0].position);
}

std::string number(float value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
    std::string s(text);
    // "-0.00000" would be a second spelling of zero and break index sharing.
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) {
        s.erase(0, 1);
    }
    return s;
}

// Index (1-based) of `key` in `block`, appending a new line when first seen.
std::size_t indexOf(std::map<std::string, std::size_t>& seen, std::string& block, const char* tag,
                    const std::string& key) {
    const auto [it, inserted] = seen.try_emplace(key, seen.size() + 1);
    if (inserted) {
        block += tag;
        block += key;
        block += '\n';
    }
    return it->second;
}

}  // namespace

void Mesh::addTriangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    addTriangle(
        Triangle{Corner{a.position, a.uv}, Corner{b.position, b.uv}, Corner{c.position, c.uv}});
}

void Mesh::addTriangle(const Triangle& t) {
    const glm::vec3 n = faceCross(t);
    // 1e-12 of a squared unit: far below anything the five-decimal file keeps.
    if (glm::dot(n, n) <= 1e-12f) {
        return;
    }
    m_triangles.push_back(t);
}

void Mesh::addQuad(const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d) {
    addTriangle(a, b, c);
    addTriangle(a, c, d);
}

void Mesh::addGrid(const std::vector<std::vector<Vertex>>& rows, bool closeColumns, bool flip) {
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        const std::vector<Vertex>& below = rows[i];
        const std::vector<Vertex>& above = rows[i + 1];
        const std::size_t columns = below.size();
        const std::size_t quads = closeColumns ? columns : columns - 1;
        for (std::size_t j = 0; j < quads; ++j) {
            const std::size_t k = (j + 1) % columns;
            if (flip) {
                addQuad(below[j], above[j], above[k], below[k]);
            } else {
                addQuad(below[j], below[k], above[k], above[j]);
            }
        }
    }
}

void Mesh::smoothNormals(float creaseDegrees) {
    std::vector<glm::vec3> crosses(m_triangles.size());
    std::vector<glm::vec3> units(m_triangles.size());
    std::map<glm::vec3, std::vector<std::size_t>, PositionOrder> facesAt;
    for (std::size_t f = 0; f < m_triangles.size(); ++f) {
        crosses[f] = faceCross(m_triangles[f]);
        units[f] = glm::normalize(crosses[f]);
        for (const Corner& c : m_triangles[f]) {
            std::vector<std::size_t>& faces = facesAt[c.position];
            if (faces.empty() || faces.back() != f) {
                faces.push_back(f);
            }
        }
    }
    const float minCos = std::cos(glm::radians(creaseDegrees));
    for (std::size_t f = 0; f < m_triangles.size(); ++f) {
        for (Corner& c : m_triangles[f]) {
            glm::vec3 sum(0.0f);
            for (std::size_t g : facesAt[c.position]) {
                if (glm::dot(units[f], units[g]) >= minCos) {
                    sum += crosses[g];
                }
            }
            c.normal = glm::normalize(sum);
        }
    }
}

void Mesh::append(const Mesh& other) {
    m_triangles.insert(m_triangles.end(), other.m_triangles.begin(), other.m_triangles.end());
}

void Mesh::transform(const glm::mat4& matrix) {
    for (Triangle& t : m_triangles) {
        for (Corner& c : t) {
            c.position = glm::vec3(matrix * glm::vec4(c.position, 1.0f));
        }
    }
}

void Mesh::forEachCorner(const std::function<void(Corner&)>& change) {
    for (Triangle& t : m_triangles) {
        for (Corner& c : t) {
            change(c);
        }
    }
}

void Mesh::mirrorX() {
    for (Triangle& t : m_triangles) {
        for (Corner& c : t) {
            c.position.x = -c.position.x;
            c.normal.x = -c.normal.x;
        }
        std::swap(t[1], t[2]);
    }
}

std::size_t writeObj(const Mesh& mesh, const std::string& objectName,
                     const std::filesystem::path& path) {
    std::map<std::string, std::size_t> positions;
    std::map<std::string, std::size_t> uvs;
    std::map<std::string, std::size_t> normals;
    std::string vBlock;
    std::string vtBlock;
    std::string vnBlock;
    std::string fBlock;
    std::size_t written = 0;
    for (const Triangle& t : mesh.triangles()) {
        // A sliver can lose its area to the five decimals: leave it out, as
        // it would give the importer a degenerate face.
        std::array<std::string, 3> keys;
        std::array<glm::vec3, 3> rounded;
        for (int k = 0; k < 3; ++k) {
            const glm::vec3& p = t[k].position;
            const std::array<std::string, 3> xyz{number(p.x, 5), number(p.y, 5), number(p.z, 5)};
            keys[k] = xyz[0] + ' ' + xyz[1] + ' ' + xyz[2];
            rounded[k] = glm::vec3(std::stof(xyz[0]), std::stof(xyz[1]), std::stof(xyz[2]));
        }
        const glm::vec3 n = glm::cross(rounded[1] - rounded[0], rounded[2] - rounded[0]);
        if (n == glm::vec3(0.0f)) {
            continue;
        }
        ++written;
        fBlock += 'f';
        for (int k = 0; k < 3; ++k) {
            const Corner& c = t[k];
            const std::size_t v = indexOf(positions, vBlock, "v ", keys[k]);
            const std::size_t vt =
                indexOf(uvs, vtBlock, "vt ", number(c.uv.x, 5) + ' ' + number(c.uv.y, 5));
            const std::size_t vn = indexOf(
                normals, vnBlock, "vn ",
                number(c.normal.x, 4) + ' ' + number(c.normal.y, 4) + ' ' + number(c.normal.z, 4));
            fBlock += ' ' + std::to_string(v) + '/' + std::to_string(vt) + '/' + std::to_string(vn);
        }
        fBlock += '\n';
    }
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << "# " << objectName << ": generated by tools/assetgen, do not edit\n"
        << "# " << written << " triangles\n"
        << "o " << objectName << '\n'
        << vBlock << vtBlock << vnBlock << fBlock;
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return written;
}

}  // namespace tandril::assetgen
