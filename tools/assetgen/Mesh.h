// A triangle list with per-corner attributes, built up part by part and
// written as a single-object Wavefront OBJ file.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

namespace tandril::assetgen {

struct Vertex {
    glm::vec3 position;
    glm::vec2 uv;
};

struct Corner {
    glm::vec3 position;
    glm::vec2 uv;
    glm::vec3 normal{0.0f};
};

using Triangle = std::array<Corner, 3>;

class Mesh {
  public:
    // Corners counter-clockwise as seen from outside. Triangles without area
    // are dropped: they add nothing and would upset the tangent frames.
    void addTriangle(const Vertex& a, const Vertex& b, const Vertex& c);
    void addQuad(const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d);
    // With normals of the caller's, for meshes whose corners must keep them.
    void addTriangle(const Triangle& corners);

    // Quads between neighbouring rows and columns of a grid of vertices.
    // Seen from outside, columns run to the right and rows upward (or pass
    // `flip`). With `closeColumns` the last column joins the first.
    void addGrid(const std::vector<std::vector<Vertex>>& rows, bool closeColumns,
                 bool flip = false);

    // Gives every corner the area-weighted mean normal of the faces meeting at
    // its position that bend from its own face by less than creaseDegrees, so
    // curved surfaces shade smoothly and edges stay sharp.
    void smoothNormals(float creaseDegrees);

    void append(const Mesh& other);

    // Moves every position; normals are left alone, so call before smoothNormals.
    void transform(const glm::mat4& matrix);

    // Reflects through the plane x = 0, keeping the faces turned outward.
    void mirrorX();

    // Lets `change` rewrite every corner, e.g. to give part of a model a
    // material by its position.
    void forEachCorner(const std::function<void(Corner&)>& change);

    const std::vector<Triangle>& triangles() const { return m_triangles; }

  private:
    std::vector<Triangle> m_triangles;
};

// One object, no material; positions and texture coordinates with five
// decimals, normals with four. Equal printed values share one index, so
// corners that meet at a position weld exactly when the file is imported.
// Returns the number of triangles written.
std::size_t writeObj(const Mesh& mesh, const std::string& objectName,
                     const std::filesystem::path& path);

}  // namespace tandril::assetgen
