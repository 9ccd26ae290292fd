// One model file as GPU geometry: five attribute buffers and an index buffer in
// a vertex array, up to three textures, drawn with one call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "assets/Adjacency.h"
#include "assets/Texture.h"
#include "scene/SceneObject.h"  // a mesh is a scene object: updated and drawn as one

namespace tandril::scene {

class Mesh : public SceneObject {
  public:
    // Imports the first mesh of `modelPath`; a mesh with adjacency carries six
    // indices per triangle and draws as GL_TRIANGLES_ADJACENCY.
    Mesh(const std::string& modelPath, const glm::mat4& modelMatrix, bool withAdjacency,
         const std::string& materialTexturePath);
    // The house-row wall with its colour, height and normal maps.
    explicit Mesh(const glm::mat4& modelMatrix);
    ~Mesh() override;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    void update(float) override {}
    void draw(assets::ShaderProgram* program, glm::mat4 view) override;
    // Binds each texture whose sampler the program declares on its own unit.
    void bindTextures(assets::ShaderProgram* program);

    glm::mat4 m_modelMatrix;
    std::unique_ptr<assets::Texture> m_materialTexture;
    std::unique_ptr<assets::Texture> m_heightTexture;
    std::unique_ptr<assets::Texture> m_normalTexture;
    std::vector<std::uint32_t> m_indices;
    std::vector<glm::vec3> m_positions;
    std::vector<glm::vec3> m_normals;
    std::vector<glm::vec2> m_uvs;
    std::vector<glm::vec3> m_tangents;
    std::vector<glm::vec3> m_bitangents;
    std::uint32_t m_vertexCount = 0;
    std::uint32_t m_indexCount = 0;
    GLuint m_vao = 0;
    GLuint m_positionBuffer = 0;
    GLuint m_uvBuffer = 0;
    GLuint m_normalBuffer = 0;
    GLuint m_tangentBuffer = 0;
    GLuint m_bitangentBuffer = 0;
    GLuint m_indexBuffer = 0;
    bool m_withAdjacency = false;
    AdjacencyData m_adjacency;

  private:
    void loadModel(const std::string& modelPath);
    void createBuffers();
    void createVertexArray();
};

// Every texture coordinate repeats the image this many times across the range
// that the model file gives it.
inline constexpr float kTextureRepeat = 10.0f;

}  // namespace tandril::scene
