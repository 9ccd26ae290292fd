#include "assets/Mesh.h"

#include <cstdio>

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include "app/Console.h"
#include "assets/ShaderProgram.h"

namespace tandril::scene {
namespace {

constexpr unsigned kImportFlags = aiProcess_CalcTangentSpace | aiProcess_JoinIdenticalVertices |
                                  aiProcess_Triangulate | aiProcess_SortByPType;

constexpr const char* kWallModel = "objects/hausreihe_wuerfel_alleCords.obj";
constexpr const char* kWallColour = "textures/Brick_OldDestroyed_d.jpg";
constexpr const char* kWallHeight = "textures/Brick_OldDestroyed_h.jpg";
constexpr const char* kWallNormal = "textures/Brick_OldDestroyed_n.jpg";

// One attribute array per imported vertex; zeros where the model has none.
template <typename Vec, typename Source>
void copyAttribute(std::vector<Vec>& target, const Source* source, unsigned count) {
    target.assign(count, Vec(0.0f));
    if (source == nullptr) {
        return;
    }
    for (unsigned k = 0; k < count; ++k) {
        for (int c = 0; c < Vec::length(); ++c) {
            target[k][c] = source[k][c];
        }
    }
}

template <typename Vec>
GLuint uploadArray(GLenum target, const std::vector<Vec>& data) {
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, static_cast<GLsizeiptr>(data.size() * sizeof(Vec)), data.data(),
                 GL_STATIC_DRAW);
    return buffer;
}

}  // namespace

Mesh::Mesh(const std::string& modelPath, const glm::mat4& modelMatrix, bool withAdjacency,
           const std::string& materialTexturePath)
    : m_modelMatrix(modelMatrix), m_withAdjacency(withAdjacency) {
    loadModel(modelPath);
    m_materialTexture = std::make_unique<assets::Texture>(materialTexturePath, GL_TEXTURE0);
    createBuffers();
    createVertexArray();
}

Mesh::Mesh(const glm::mat4& modelMatrix) : m_modelMatrix(modelMatrix), m_withAdjacency(false) {
    loadModel(kWallModel);
    m_materialTexture = std::make_unique<assets::Texture>(kWallColour, GL_TEXTURE0);
    m_heightTexture = std::make_unique<assets::Texture>(kWallHeight, GL_TEXTURE1);
    m_normalTexture = std::make_unique<assets::Texture>(kWallNormal, GL_TEXTURE2);
    createBuffers();
    createVertexArray();
}

Mesh::~Mesh() {
    m_materialTexture.reset();
    m_heightTexture.reset();
    m_normalTexture.reset();
    const GLuint buffers[] = {m_positionBuffer, m_indexBuffer,   m_normalBuffer,
                              m_uvBuffer,       m_tangentBuffer, m_bitangentBuffer};
    glDeleteBuffers(6, buffers);
    glDeleteVertexArrays(1, &m_vao);
}

void Mesh::loadModel(const std::string& modelPath) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(modelPath, kImportFlags);
    if (scene == nullptr) {
        std::fputs(importer.GetErrorString(), stderr);
        app::waitForKey();
        return;
    }
    if (scene->mNumMeshes == 0 || scene->mMeshes == nullptr) {
        std::fprintf(stderr, "No mesh in model file \"%s\"\n", modelPath.c_str());
        app::waitForKey();
        return;
    }

    const aiMesh& mesh = *scene->mMeshes[0];
    m_vertexCount = mesh.mNumVertices;
    const bool hasUvs = mesh.HasTextureCoords(0) && m_vertexCount > 0;

    copyAttribute(m_positions, mesh.mVertices, m_vertexCount);
    copyAttribute(m_normals, mesh.mNormals, m_vertexCount);
    copyAttribute(m_tangents, mesh.mTangents, m_vertexCount);
    copyAttribute(m_bitangents, mesh.mBitangents, m_vertexCount);
    copyAttribute(m_uvs, hasUvs ? mesh.mTextureCoords[0] : nullptr, m_vertexCount);
    for (glm::vec2& uv : m_uvs) {
        uv *= kTextureRepeat;
    }

    // Points and lines that share the mesh have no triangle to draw.
    std::vector<Triangle> faces;
    faces.reserve(mesh.mNumFaces);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices == 3 && face.mIndices[0] < m_vertexCount &&
            face.mIndices[1] < m_vertexCount && face.mIndices[2] < m_vertexCount) {
            faces.push_back({face.mIndices[0], face.mIndices[1], face.mIndices[2]});
        }
    }

    if (m_withAdjacency) {
        buildAdjacency(faces, m_positions, m_adjacency, m_indices);
    } else {
        m_indices.reserve(3 * faces.size());
        for (const Triangle& face : faces) {
            m_indices.insert(m_indices.end(), face.begin(), face.end());
        }
    }
    m_indexCount = static_cast<std::uint32_t>(m_indices.size());
}

void Mesh::createBuffers() {
    m_positionBuffer = uploadArray(GL_ARRAY_BUFFER, m_positions);
    m_uvBuffer = uploadArray(GL_ARRAY_BUFFER, m_uvs);
    m_normalBuffer = uploadArray(GL_ARRAY_BUFFER, m_normals);
    m_tangentBuffer = uploadArray(GL_ARRAY_BUFFER, m_tangents);
    m_bitangentBuffer = uploadArray(GL_ARRAY_BUFFER, m_bitangents);
    m_indexBuffer = uploadArray(GL_ELEMENT_ARRAY_BUFFER, m_indices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void Mesh::createVertexArray() {
    struct Attribute {
        GLuint buffer;
        GLint components;
    };
    const Attribute attributes[] = {
        {m_positionBuffer, 3}, {m_uvBuffer, 2},        {m_normalBuffer, 3},
        {m_tangentBuffer, 3},  {m_bitangentBuffer, 3},
    };
    glGenVertexArrays(1, &m_vao);
    glBindVertexArray(m_vao);
    for (GLuint location = 0; location < 5; ++location) {
        glEnableVertexAttribArray(location);
        glBindBuffer(GL_ARRAY_BUFFER, attributes[location].buffer);
        glVertexAttribPointer(location, attributes[location].components, GL_FLOAT, GL_FALSE, 0,
                              nullptr);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void Mesh::draw(assets::ShaderProgram* program, glm::mat4 /*view*/) {
    bindTextures(program);
    glBindVertexArray(m_vao);
    glDrawElements(m_withAdjacency ? GL_TRIANGLES_ADJACENCY : GL_TRIANGLES,
                   static_cast<GLsizei>(m_indexCount), GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
}

void Mesh::bindTextures(assets::ShaderProgram* program) {
    struct Sampler {
        const char* name;
        GLint unit;
        const assets::Texture* texture;
    };
    const Sampler samplers[] = {
        {"material_texture", 0, m_materialTexture.get()},
        {"height_texture", 1, m_heightTexture.get()},
        {"normal_texture", 2, m_normalTexture.get()},
    };
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    for (const Sampler& sampler : samplers) {
        const GLint location = glGetUniformLocation(program->m_program, sampler.name);
        if (location == -1) {
            continue;
        }
        glUniform1i(location, sampler.unit);
        glActiveTexture(GL_TEXTURE0 + sampler.unit);
        // A slot this mesh does not fill reads as black rather than whatever
        // the previous draw left on the unit.
        glBindTexture(GL_TEXTURE_2D, sampler.texture != nullptr ? sampler.texture->m_texture : 0);
    }
}

}  // namespace tandril::scene
