#include "assets/Mesh.h"

#include <cstdio>

#include "assets/ModelImport.h"
#include "assets/ShaderProgram.h"
#include "base/Console.h"
#include "base/LoadPhaseTimer.h"

namespace tandril::scene {
namespace {

constexpr const char* kWallModel = "objects/hausreihe_wuerfel_alleCords.obj";
constexpr const char* kWallColour = "textures/Brick_OldDestroyed_d.jpg";
constexpr const char* kWallHeight = "textures/Brick_OldDestroyed_h.jpg";
constexpr const char* kWallNormal = "textures/Brick_OldDestroyed_n.jpg";

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
    ImportedModel model = [&] {
        base::PhaseScope phase("import", modelPath);
        return importModel(modelPath);
    }();
    if (model.status == ImportedModel::Status::ImportFailed) {
        std::fputs(model.error.c_str(), stderr);
        base::waitForKey();
        return;
    }
    if (model.status == ImportedModel::Status::NoMesh) {
        std::fprintf(stderr, "No mesh in model file \"%s\"\n", modelPath.c_str());
        base::waitForKey();
        return;
    }

    m_vertexCount = static_cast<std::uint32_t>(model.positions.size());
    m_positions = std::move(model.positions);
    m_normals = std::move(model.normals);
    m_tangents = std::move(model.tangents);
    m_bitangents = std::move(model.bitangents);
    m_uvs = std::move(model.uvs);
    for (glm::vec2& uv : m_uvs) {
        uv *= kTextureRepeat;
    }

    if (m_withAdjacency) {
        base::PhaseScope phase("adjacency", modelPath);
        buildAdjacency(model.triangles, m_positions, m_adjacency, m_indices);
    } else {
        m_indices.reserve(3 * model.triangles.size());
        for (const Triangle& face : model.triangles) {
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
