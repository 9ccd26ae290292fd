// Mesh import and GPU buffers on the real driver, from small model files that
// the tests write: what reaches the arrays, the buffers and the vertex array,
// what a bad file gives, and what bindTextures leaves bound.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <assimp/Importer.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "assets/Mesh.h"
#include "assets/ModelImport.h"
#include "assets/ShaderProgram.h"
#include "support/GlContext.h"
#include "support/Process.h"
#include "support/ReadBack.h"

namespace tandril::scene {
namespace {

// A quad filling clip space, with texture coordinates 0..1 and one normal.
constexpr const char* kQuadObj =
    "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "vn 0 0 1\n"
    "f 1/1/1 2/2/1 3/3/1 4/4/1\n";

// The unit cube as modellers write it: 8 positions, per-face normals and
// texture coordinates, so the importer keeps 24 vertices for 12 triangles.
constexpr const char* kCubeObj =
    "v 0.5 -0.5 0.5\nv 0.5 -0.5 -0.5\nv 0.5 0.5 -0.5\nv 0.5 0.5 0.5\n"
    "v -0.5 -0.5 -0.5\nv -0.5 -0.5 0.5\nv -0.5 0.5 0.5\nv -0.5 0.5 -0.5\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "vn 1 0 0\nvn -1 0 0\nvn 0 0 1\nvn 0 0 -1\nvn 0 1 0\nvn 0 -1 0\n"
    "f 1/1/1 2/2/1 3/3/1\nf 1/1/1 3/3/1 4/4/1\n"
    "f 5/1/2 6/2/2 7/3/2\nf 5/1/2 7/3/2 8/4/2\n"
    "f 6/1/3 1/2/3 4/3/3\nf 6/1/3 4/3/3 7/4/3\n"
    "f 2/1/4 5/2/4 8/3/4\nf 2/1/4 8/3/4 3/4/4\n"
    "f 7/1/5 4/2/5 3/3/5\nf 7/1/5 3/3/5 8/4/5\n"
    "f 5/1/6 2/2/6 1/3/6\nf 5/1/6 1/3/6 6/4/6\n";

constexpr int kTargetSize = 16;

// What Assimp makes of a file with the engine's import flags, read on its own
// so that the tests do not take the mesh's word for it.
struct Imported {
    std::string error;
    unsigned meshCount = 0;
    unsigned firstMeshTypes = 0;
    std::vector<glm::vec3> positions;
    std::vector<std::array<unsigned, 3>> triangles;
};

Imported importDirectly(const std::string& path) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, scene::kModelImportFlags);
    Imported result;
    if (scene == nullptr) {
        result.error = importer.GetErrorString();
        return result;
    }
    result.meshCount = scene->mNumMeshes;
    if (scene->mNumMeshes == 0) {
        return result;
    }
    const aiMesh& mesh = *scene->mMeshes[0];
    result.firstMeshTypes = mesh.mPrimitiveTypes;
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
        result.positions.emplace_back(mesh.mVertices[v].x, mesh.mVertices[v].y,
                                      mesh.mVertices[v].z);
    }
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        if (mesh.mFaces[f].mNumIndices == 3) {
            const unsigned* i = mesh.mFaces[f].mIndices;
            result.triangles.push_back({i[0], i[1], i[2]});
        }
    }
    return result;
}

GLint bufferSize(GLuint buffer) {
    GLint size = -1;
    glBindBuffer(GL_COPY_READ_BUFFER, buffer);
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &size);
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return size;
}

template <typename T>
std::vector<T> bufferContents(GLuint buffer) {
    const GLint size = bufferSize(buffer);
    EXPECT_EQ(size % static_cast<GLint>(sizeof(T)), 0);
    std::vector<T> data(static_cast<std::size_t>(size) / sizeof(T));
    if (!data.empty()) {
        glBindBuffer(GL_COPY_READ_BUFFER, buffer);
        glGetBufferSubData(GL_COPY_READ_BUFFER, 0, size, data.data());
        glBindBuffer(GL_COPY_READ_BUFFER, 0);
    }
    return data;
}

GLint boundTexture(GLenum unit, GLenum bindingName) {
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glActiveTexture(unit);
    GLint name = -1;
    glGetIntegerv(bindingName, &name);
    glActiveTexture(static_cast<GLenum>(active));
    return name;
}

void unbindTextureUnits(int count) {
    for (int unit = 0; unit < count; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    }
    glActiveTexture(GL_TEXTURE0);
}

// The mesh tests' small off-screen target and what was drawn into it.
class Target : public test::OffscreenTarget {
  public:
    Target() : OffscreenTarget(kTargetSize, kTargetSize) {}

    void clear() {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // Pixels that are no longer the clear colour.
    int litPixels() {
        const std::vector<std::uint8_t> pixels = test::readColour(0, 0, kTargetSize, kTargetSize);
        int lit = 0;
        for (std::size_t p = 0; p < pixels.size(); p += 4) {
            lit += (pixels[p] | pixels[p + 1] | pixels[p + 2] | pixels[p + 3]) != 0 ? 1 : 0;
        }
        return lit;
    }
};

class MeshTest : public test::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        // An import failure waits for a key; with no terminal on stdin that returns at once.
        ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
        m_texture = path("colour.png");
        FIBITMAP* bitmap = FreeImage_Allocate(2, 2, 24);
        ASSERT_NE(bitmap, nullptr);
        RGBQUAD orange{20, 140, 250, 0};
        for (unsigned y = 0; y < 2; ++y) {
            for (unsigned x = 0; x < 2; ++x) {
                FreeImage_SetPixelColor(bitmap, x, y, &orange);
            }
        }
        ASSERT_TRUE(FreeImage_Save(FIF_PNG, bitmap, m_texture.c_str(), 0));
        FreeImage_Unload(bitmap);
        expectNoGlError();
    }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    std::string writeModel(const std::string& name, const std::string& content) {
        m_dir.write(name, content);
        return path(name);
    }

    std::unique_ptr<Mesh> load(const std::string& modelPath, bool adjacency = false) {
        return std::make_unique<Mesh>(modelPath, glm::mat4(1.0f), adjacency, m_texture);
    }

    // Writes a vertex and fragment stage and links them; `fragmentDeclarations`
    // and `fragmentColour` decide which uniforms the program has.
    std::unique_ptr<assets::ShaderProgram> program(const std::string& name,
                                                   const std::string& fragmentDeclarations,
                                                   const std::string& fragmentColour) {
        m_dir.write(name + ".vert",
                    "#version 330 core\n"
                    "layout(location = 0) in vec3 position;\n"
                    "void main() { gl_Position = vec4(position, 1.0); }\n");
        m_dir.write(name + ".frag", "#version 330 core\n" + fragmentDeclarations +
                                        "out vec4 colour;\n"
                                        "void main() { colour = " +
                                        fragmentColour + "; }\n");
        return std::make_unique<assets::ShaderProgram>(path(name + ".vert"), path(name + ".frag"));
    }

    std::unique_ptr<assets::ShaderProgram> whiteProgram() {
        return program("white", "", "vec4(1.0)");
    }

    // Draws `mesh` over a cleared target and counts what it covered.
    int drawnPixels(Mesh& mesh, assets::ShaderProgram& shader) {
        Target target;
        target.clear();
        glUseProgram(shader.m_program);
        mesh.draw(&shader, glm::mat4(1.0f));
        const int lit = target.litPixels();
        glUseProgram(0);
        return lit;
    }

    // An empty mesh: nothing imported, nothing drawn, yet a complete GL object.
    void expectEmptyMeshDrawingNothing(Mesh& mesh) {
        EXPECT_EQ(mesh.m_vertexCount, 0u);
        EXPECT_EQ(mesh.m_indexCount, 0u);
        EXPECT_TRUE(mesh.m_positions.empty());
        EXPECT_TRUE(mesh.m_uvs.empty());
        EXPECT_TRUE(mesh.m_normals.empty());
        EXPECT_TRUE(mesh.m_tangents.empty());
        EXPECT_TRUE(mesh.m_bitangents.empty());
        EXPECT_TRUE(mesh.m_indices.empty());
        EXPECT_TRUE(glIsVertexArray(mesh.m_vao));
        EXPECT_EQ(bufferSize(mesh.m_indexBuffer), 0);
        ASSERT_NE(mesh.m_materialTexture, nullptr);
        EXPECT_TRUE(glIsTexture(mesh.m_materialTexture->m_texture));

        const auto shader = whiteProgram();
        EXPECT_EQ(drawnPixels(mesh, *shader), 0);
        expectNoGlError();
        // The same draw does cover the target when there is something to draw.
        const auto quad = load(writeModel("control.obj", kQuadObj));
        EXPECT_EQ(drawnPixels(*quad, *shader), kTargetSize * kTargetSize);
    }

    test::ScratchDir m_dir{false};
    std::string m_texture;
};

// Lets vectors of glm values print readably when a comparison fails.
std::string show(const glm::vec3& v) {
    return "(" + std::to_string(v.x) + ", " + std::to_string(v.y) + ", " + std::to_string(v.z) +
           ")";
}

TEST_F(MeshTest, TextureCoordinatesAreScaledByTen) {
    const std::string file = writeModel("quad.obj", kQuadObj);
    const auto mesh = load(file);
    ASSERT_EQ(mesh->m_vertexCount, 4u);
    ASSERT_EQ(mesh->m_uvs.size(), 4u);
    // The file gives each corner of the quad the coordinate of its position
    // mapped from -1..1 to 0..1.
    for (std::size_t k = 0; k < 4; ++k) {
        const glm::vec3 p = mesh->m_positions[k];
        const glm::vec2 fileUv = (glm::vec2(p.x, p.y) + 1.0f) * 0.5f;
        EXPECT_EQ(mesh->m_uvs[k], fileUv * 10.0f) << "vertex " << k << " at " << show(p);
    }
    EXPECT_EQ(bufferContents<glm::vec2>(mesh->m_uvBuffer), mesh->m_uvs);
    expectNoGlError();
}

TEST_F(MeshTest, OnlyTheFirstMeshOfAFileIsUsed) {
    const std::string file = writeModel("two.obj",
                                        "o first\nv 0 0 0\nv 1 0 0\nv 1 1 0\n"
                                        "usemtl red\nf 1 2 3\n"
                                        "o second\nv 5 5 5\nv 6 5 5\nv 6 6 5\nv 5 6 5\n"
                                        "usemtl blue\nf 4 5 6\nf 4 6 7\n");
    ASSERT_EQ(importDirectly(file).meshCount, 2u) << "the file must hold two meshes";

    const auto mesh = load(file);
    EXPECT_EQ(mesh->m_vertexCount, 3u);
    EXPECT_EQ(mesh->m_indexCount, 3u);
    ASSERT_EQ(mesh->m_positions.size(), 3u);
    const std::set<std::vector<float>> expected = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    std::set<std::vector<float>> seen;
    for (const glm::vec3& p : mesh->m_positions) {
        seen.insert({p.x, p.y, p.z});
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(bufferContents<glm::vec3>(mesh->m_positionBuffer).size(), 3u);
}

TEST_F(MeshTest, EachFaceGivesThreeIndicesInImportOrderAndTheElementBufferHoldsThem) {
    const std::string file = writeModel("cube.obj", kCubeObj);
    const Imported imported = importDirectly(file);
    ASSERT_EQ(imported.triangles.size(), 12u);

    const auto mesh = load(file);
    EXPECT_FALSE(mesh->m_withAdjacency);
    EXPECT_EQ(mesh->m_indexCount, 36u);
    std::vector<std::uint32_t> expected;
    for (const auto& t : imported.triangles) {
        expected.insert(expected.end(), t.begin(), t.end());
    }
    EXPECT_EQ(mesh->m_indices, expected);
    EXPECT_EQ(bufferSize(mesh->m_indexBuffer), 36 * 4);
    EXPECT_EQ(bufferContents<std::uint32_t>(mesh->m_indexBuffer), expected);
    expectNoGlError();
}

TEST_F(MeshTest, WithAdjacencyEachFaceGivesSixIndicesAndTheElementBufferHoldsThem) {
    const auto mesh = load(writeModel("cube.obj", kCubeObj), true);
    EXPECT_TRUE(mesh->m_withAdjacency);
    EXPECT_EQ(mesh->m_indexCount, 72u);
    ASSERT_EQ(mesh->m_indices.size(), 72u);
    EXPECT_EQ(bufferSize(mesh->m_indexBuffer), 72 * 4);
    EXPECT_EQ(bufferContents<std::uint32_t>(mesh->m_indexBuffer), mesh->m_indices);
    // Drawn as triangles with adjacency, which needs no geometry stage.
    const auto shader = whiteProgram();
    EXPECT_GT(drawnPixels(*mesh, *shader), 0);
    expectNoGlError();
}

TEST_F(MeshTest, AdjacencyOfATwentyFourVertexCubeNamesOnlyItsEightWeldedCorners) {
    const std::string file = writeModel("cube.obj", kCubeObj);
    const Imported imported = importDirectly(file);
    ASSERT_EQ(imported.positions.size(), 24u);

    const auto mesh = load(file, true);
    ASSERT_EQ(mesh->m_vertexCount, 24u);
    ASSERT_EQ(mesh->m_indices.size(), 72u);
    // The vertex arrays keep all 24 vertices; only the indices are welded.
    EXPECT_EQ(mesh->m_positions.size(), 24u);

    const std::set<std::uint32_t> used(mesh->m_indices.begin(), mesh->m_indices.end());
    EXPECT_EQ(used.size(), 8u);
    std::set<std::vector<float>> usedPositions;
    for (std::uint32_t index : used) {
        ASSERT_LT(index, mesh->m_positions.size());
        const glm::vec3 p = mesh->m_positions[index];
        usedPositions.insert({p.x, p.y, p.z});
    }
    EXPECT_EQ(usedPositions.size(), 8u) << "two indices name the same position";

    // The even entries redraw the file's triangles in order, corner by corner.
    for (std::size_t f = 0; f < imported.triangles.size(); ++f) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(mesh->m_positions[mesh->m_indices[6 * f + 2 * j]],
                      imported.positions[imported.triangles[f][j]])
                << "face " << f << " corner " << j;
        }
    }
}

TEST_F(MeshTest, VertexArrayRecordsFiveFloatAttributesAndTheElementBuffer) {
    const auto mesh = load(writeModel("quad.obj", kQuadObj));
    // Construction leaves nothing bound.
    GLint binding = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &binding);
    EXPECT_EQ(binding, 0);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &binding);
    EXPECT_EQ(binding, 0);

    const GLuint buffers[] = {mesh->m_positionBuffer, mesh->m_uvBuffer, mesh->m_normalBuffer,
                              mesh->m_tangentBuffer, mesh->m_bitangentBuffer};
    const GLint components[] = {3, 2, 3, 3, 3};
    glBindVertexArray(mesh->m_vao);
    for (GLuint location = 0; location < 5; ++location) {
        SCOPED_TRACE("location " + std::to_string(location));
        GLint value = -1;
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &value);
        EXPECT_EQ(value, GL_TRUE);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &value);
        EXPECT_EQ(value, components[location]);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_TYPE, &value);
        EXPECT_EQ(value, GL_FLOAT);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &value);
        EXPECT_EQ(value, GL_FALSE);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &value);
        EXPECT_EQ(value, 0);
        glGetVertexAttribiv(location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &value);
        EXPECT_EQ(value, static_cast<GLint>(buffers[location]));
        void* offset = &value;
        glGetVertexAttribPointerv(location, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
        EXPECT_EQ(offset, nullptr);
        // One tightly packed element per vertex.
        EXPECT_EQ(bufferSize(buffers[location]),
                  static_cast<GLint>(mesh->m_vertexCount) * components[location] * 4);
    }
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &binding);
    EXPECT_EQ(binding, static_cast<GLint>(mesh->m_indexBuffer));
    glBindVertexArray(0);
    expectNoGlError();
}

TEST_F(MeshTest, AttributeBuffersHoldTheImportedVertexData) {
    const auto mesh = load(writeModel("quad.obj", kQuadObj));
    ASSERT_EQ(mesh->m_vertexCount, 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE("vertex " + std::to_string(k) + " at " + show(mesh->m_positions[k]));
        EXPECT_EQ(mesh->m_normals[k], glm::vec3(0, 0, 1));
        // The importer's tangent space for a quad whose u runs along x and v along y.
        EXPECT_NEAR(mesh->m_tangents[k].x, 1.0f, 1e-5f);
        EXPECT_NEAR(glm::length(mesh->m_tangents[k]), 1.0f, 1e-5f);
        EXPECT_NEAR(mesh->m_bitangents[k].y, 1.0f, 1e-5f);
        EXPECT_NEAR(glm::length(mesh->m_bitangents[k]), 1.0f, 1e-5f);
    }
    EXPECT_EQ(bufferContents<glm::vec3>(mesh->m_positionBuffer), mesh->m_positions);
    EXPECT_EQ(bufferContents<glm::vec3>(mesh->m_normalBuffer), mesh->m_normals);
    EXPECT_EQ(bufferContents<glm::vec3>(mesh->m_tangentBuffer), mesh->m_tangents);
    EXPECT_EQ(bufferContents<glm::vec3>(mesh->m_bitangentBuffer), mesh->m_bitangents);
}

// A model lacking normals, texture coordinates or both: every attribute still
// has one element per vertex, zero where the model has nothing.
struct SparseModel {
    const char* name;
    const char* obj;
    bool hasNormals;
    bool hasUvs;
};

class MeshWithoutAttributesTest : public MeshTest,
                                  public ::testing::WithParamInterface<SparseModel> {};

TEST_P(MeshWithoutAttributesTest, EveryAttributeHasOneElementPerVertexZeroWhereMissing) {
    const SparseModel& model = GetParam();
    const auto mesh = load(writeModel("sparse.obj", model.obj));
    ASSERT_EQ(mesh->m_vertexCount, 4u);
    EXPECT_EQ(mesh->m_indexCount, 6u);
    EXPECT_EQ(mesh->m_positions.size(), 4u);
    ASSERT_EQ(mesh->m_uvs.size(), 4u);
    ASSERT_EQ(mesh->m_normals.size(), 4u);
    ASSERT_EQ(mesh->m_tangents.size(), 4u);
    ASSERT_EQ(mesh->m_bitangents.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE("vertex " + std::to_string(k));
        const glm::vec3 p = mesh->m_positions[k];
        const glm::vec2 uv = model.hasUvs ? (glm::vec2(p.x, p.y) + 1.0f) * 5.0f : glm::vec2(0.0f);
        EXPECT_EQ(mesh->m_uvs[k], uv);
        EXPECT_EQ(mesh->m_normals[k], model.hasNormals ? glm::vec3(0, 0, 1) : glm::vec3(0.0f));
        // The importer's tangent space needs both normals and coordinates.
        EXPECT_EQ(mesh->m_tangents[k], glm::vec3(0.0f));
        EXPECT_EQ(mesh->m_bitangents[k], glm::vec3(0.0f));
    }
    EXPECT_EQ(bufferContents<glm::vec2>(mesh->m_uvBuffer), mesh->m_uvs);
    EXPECT_EQ(bufferContents<glm::vec3>(mesh->m_normalBuffer), mesh->m_normals);
    EXPECT_EQ(bufferContents<glm::vec3>(mesh->m_tangentBuffer), mesh->m_tangents);
    EXPECT_EQ(bufferContents<glm::vec3>(mesh->m_bitangentBuffer), mesh->m_bitangents);
    const auto shader = whiteProgram();
    EXPECT_EQ(drawnPixels(*mesh, *shader), kTargetSize * kTargetSize);
    expectNoGlError();
}

INSTANTIATE_TEST_SUITE_P(
    , MeshWithoutAttributesTest,
    ::testing::Values(SparseModel{"NoNormals",
                                  "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
                                  "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1 2/2 3/3 4/4\n",
                                  false, true},
                      SparseModel{"NoTextureCoordinates",
                                  "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nvn 0 0 1\n"
                                  "f 1//1 2//1 3//1 4//1\n",
                                  true, false},
                      SparseModel{"PositionsOnly",
                                  "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nf 1 2 3 4\n", false,
                                  false}),
    [](const ::testing::TestParamInfo<SparseModel>& info) { return info.param.name; });

// A model file that the importer cannot read at all.
struct UnreadableModel {
    const char* name;
    // Makes the file (or its absence) under the scratch directory; returns its path.
    std::string (*make)(const test::ScratchDir& dir);
};

class MeshImportFailureTest : public MeshTest,
                              public ::testing::WithParamInterface<UnreadableModel> {};

TEST_P(MeshImportFailureTest, WritesTheImporterMessageAndGivesAnEmptyMesh) {
    const std::string file = GetParam().make(m_dir);
    const Imported imported = importDirectly(file);
    ASSERT_FALSE(imported.error.empty()) << "the importer must fail on this file";

    testing::internal::CaptureStderr();
    const auto mesh = load(file);
    const std::string err = testing::internal::GetCapturedStderr();
    // The importer's text as it stands, with nothing added.
    EXPECT_EQ(err, imported.error);
    expectEmptyMeshDrawingNothing(*mesh);
}

INSTANTIATE_TEST_SUITE_P(
    , MeshImportFailureTest,
    ::testing::Values(UnreadableModel{"MissingFile",
                                      [](const test::ScratchDir& dir) {
                                          return (dir / "missing.obj").string();
                                      }},
                      UnreadableModel{"EmptyFile",
                                      [](const test::ScratchDir& dir) {
                                          dir.write("empty.obj", "");
                                          return (dir / "empty.obj").string();
                                      }},
                      UnreadableModel{"UnknownFormat",
                                      [](const test::ScratchDir& dir) {
                                          dir.write("model.xyz", "this is not a model\n");
                                          return (dir / "model.xyz").string();
                                      }}),
    [](const ::testing::TestParamInfo<UnreadableModel>& info) { return info.param.name; });

class MeshWithoutMeshesTest : public MeshTest,
                              public ::testing::WithParamInterface<UnreadableModel> {};

TEST_P(MeshWithoutMeshesTest, IsReportedAndGivesAnEmptyMesh) {
    const std::string file = GetParam().make(m_dir);
    const Imported imported = importDirectly(file);
    ASSERT_TRUE(imported.error.empty()) << imported.error;
    ASSERT_EQ(imported.meshCount, 0u) << "the importer must give a scene without meshes";

    testing::internal::CaptureStderr();
    const auto mesh = load(file);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(file), std::string::npos) << err;
    expectEmptyMeshDrawingNothing(*mesh);
}

INSTANTIATE_TEST_SUITE_P(
    , MeshWithoutMeshesTest,
    ::testing::Values(UnreadableModel{"OnlyComments",
                                      [](const test::ScratchDir& dir) {
                                          dir.write("comments.obj",
                                                    "# only a comment\n# and another\n");
                                          return (dir / "comments.obj").string();
                                      }},
                      UnreadableModel{"UnknownStatements",
                                      [](const test::ScratchDir& dir) {
                                          dir.write("unknown.obj",
                                                    "this line means nothing to the importer\n");
                                          return (dir / "unknown.obj").string();
                                      }}),
    [](const ::testing::TestParamInfo<UnreadableModel>& info) { return info.param.name; });

// First meshes that hold no triangles, as the importer's sorting by primitive
// type may put first: nothing is emitted, and the count says so.
struct NonTriangleModel {
    const char* name;
    const char* obj;
    bool adjacency;
};

class MeshWithoutTrianglesTest : public MeshTest,
                                 public ::testing::WithParamInterface<NonTriangleModel> {};

TEST_P(MeshWithoutTrianglesTest, SkipsNonTriangleFacesAndCountsOnlyEmittedIndices) {
    const NonTriangleModel& model = GetParam();
    const std::string file = writeModel("shapes.obj", model.obj);
    const Imported imported = importDirectly(file);
    ASSERT_GE(imported.meshCount, 1u);
    ASSERT_EQ(imported.firstMeshTypes & aiPrimitiveType_TRIANGLE, 0u)
        << "the first mesh must hold no triangles";

    const std::size_t vertices = imported.positions.size();
    ASSERT_GT(vertices, 0u);

    const auto mesh = load(file, model.adjacency);
    EXPECT_EQ(mesh->m_vertexCount, vertices);
    EXPECT_EQ(mesh->m_positions, imported.positions);
    EXPECT_EQ(mesh->m_normals.size(), vertices);
    EXPECT_EQ(mesh->m_uvs.size(), vertices);
    EXPECT_EQ(mesh->m_tangents.size(), vertices);
    EXPECT_EQ(mesh->m_bitangents.size(), vertices);
    EXPECT_TRUE(mesh->m_indices.empty());
    EXPECT_EQ(mesh->m_indexCount, mesh->m_indices.size());
    EXPECT_EQ(bufferSize(mesh->m_indexBuffer), 0);
    EXPECT_EQ(bufferSize(mesh->m_positionBuffer), static_cast<GLint>(vertices) * 12);
    const auto shader = whiteProgram();
    EXPECT_EQ(drawnPixels(*mesh, *shader), 0);
    expectNoGlError();
}

constexpr const char* kPointsLinesAndTriangles =
    "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
    "p 1\np 2\nl 1 2\nf 1 2 3\nf 1 3 4\n";
constexpr const char* kLinesOnly = "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nl 1 2 3\n";
constexpr const char* kVerticesOnly = "v -1 -1 0\nv 1 -1 0\nv 1 1 0\n";

INSTANTIATE_TEST_SUITE_P(
    , MeshWithoutTrianglesTest,
    ::testing::Values(NonTriangleModel{"PointsBeforeTriangles", kPointsLinesAndTriangles, false},
                      NonTriangleModel{"PointsBeforeTrianglesWithAdjacency",
                                       kPointsLinesAndTriangles, true},
                      NonTriangleModel{"Lines", kLinesOnly, false},
                      NonTriangleModel{"LinesWithAdjacency", kLinesOnly, true},
                      NonTriangleModel{"VerticesWithoutFaces", kVerticesOnly, false}),
    [](const ::testing::TestParamInfo<NonTriangleModel>& info) { return info.param.name; });

TEST_F(MeshTest, BindTexturesWithAllSamplersBindsTheWallMapsOnUnitsZeroToTwo) {
    const auto shader = program("samplers",
                                "uniform sampler2D material_texture;\n"
                                "uniform sampler2D height_texture;\n"
                                "uniform sampler2D normal_texture;\n",
                                "texture(material_texture, vec2(0.5)) + "
                                "texture(height_texture, vec2(0.5)) + "
                                "texture(normal_texture, vec2(0.5))");
    Mesh wall(glm::mat4(1.0f));
    ASSERT_NE(wall.m_heightTexture, nullptr);
    ASSERT_NE(wall.m_normalTexture, nullptr);
    // Loading left the maps bound; start from nothing so the binding is bindTextures' own.
    unbindTextureUnits(4);
    glUseProgram(shader->m_program);
    const char* names[] = {"material_texture", "height_texture", "normal_texture"};
    for (const char* name : names) {
        glUniform1i(glGetUniformLocation(shader->m_program, name), 7);
    }

    wall.bindTextures(shader.get());

    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE2);
    const GLuint expected[] = {wall.m_materialTexture->m_texture, wall.m_heightTexture->m_texture,
                               wall.m_normalTexture->m_texture};
    for (int unit = 0; unit < 3; ++unit) {
        SCOPED_TRACE(names[unit]);
        EXPECT_EQ(boundTexture(GL_TEXTURE0 + unit, GL_TEXTURE_BINDING_2D),
                  static_cast<GLint>(expected[unit]));
        GLint sampler = -1;
        glGetUniformiv(shader->m_program, glGetUniformLocation(shader->m_program, names[unit]),
                       &sampler);
        EXPECT_EQ(sampler, unit);
    }
    glUseProgram(0);
    expectNoGlError();
}

TEST_F(MeshTest, DrawWithoutSamplersClearsOnlyUnitZerosTwoDBinding) {
    const auto mesh = load(writeModel("quad.obj", kQuadObj));
    const auto shader = whiteProgram();
    GLuint others[4] = {};
    glGenTextures(4, others);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, others[0]);
    glBindTexture(GL_TEXTURE_CUBE_MAP, others[1]);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, others[2]);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, others[3]);

    EXPECT_EQ(drawnPixels(*mesh, *shader), kTargetSize * kTargetSize);

    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_EQ(boundTexture(GL_TEXTURE0, GL_TEXTURE_BINDING_2D), 0);
    EXPECT_EQ(boundTexture(GL_TEXTURE0, GL_TEXTURE_BINDING_CUBE_MAP),
              static_cast<GLint>(others[1]));
    EXPECT_EQ(boundTexture(GL_TEXTURE1, GL_TEXTURE_BINDING_2D), static_cast<GLint>(others[2]));
    EXPECT_EQ(boundTexture(GL_TEXTURE3, GL_TEXTURE_BINDING_2D), static_cast<GLint>(others[3]));
    glDeleteTextures(4, others);
    expectNoGlError();
}

TEST_F(MeshTest, SamplerForASlotTheMeshLacksGetsNoTexture) {
    const auto mesh = load(writeModel("quad.obj", kQuadObj));
    ASSERT_EQ(mesh->m_heightTexture, nullptr);
    const auto shader = program("height",
                                "uniform sampler2D material_texture;\n"
                                "uniform sampler2D height_texture;\n",
                                "texture(material_texture, vec2(0.5)) + "
                                "texture(height_texture, vec2(0.5))");
    GLuint stale = 0;
    glGenTextures(1, &stale);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, stale);

    glUseProgram(shader->m_program);
    mesh->bindTextures(shader.get());

    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE1);
    EXPECT_EQ(boundTexture(GL_TEXTURE0, GL_TEXTURE_BINDING_2D),
              static_cast<GLint>(mesh->m_materialTexture->m_texture));
    // Not the previous draw's texture: the empty slot reads as no texture.
    EXPECT_EQ(boundTexture(GL_TEXTURE1, GL_TEXTURE_BINDING_2D), 0);
    glUseProgram(0);
    glDeleteTextures(1, &stale);
    expectNoGlError();
}

TEST_F(MeshTest, DeletingAMeshReleasesItsBuffersVertexArrayAndTextures) {
    auto wall = std::make_unique<Mesh>(glm::mat4(1.0f));
    const GLuint buffers[] = {wall->m_positionBuffer, wall->m_uvBuffer,        wall->m_normalBuffer,
                              wall->m_tangentBuffer,  wall->m_bitangentBuffer, wall->m_indexBuffer};
    const GLuint vao = wall->m_vao;
    const GLuint textures[] = {wall->m_materialTexture->m_texture, wall->m_heightTexture->m_texture,
                               wall->m_normalTexture->m_texture};
    for (GLuint buffer : buffers) {
        ASSERT_TRUE(glIsBuffer(buffer));
    }
    ASSERT_TRUE(glIsVertexArray(vao));
    for (GLuint texture : textures) {
        ASSERT_TRUE(glIsTexture(texture));
    }

    wall.reset();

    for (GLuint buffer : buffers) {
        EXPECT_FALSE(glIsBuffer(buffer)) << "buffer " << buffer;
    }
    EXPECT_FALSE(glIsVertexArray(vao));
    for (GLuint texture : textures) {
        EXPECT_FALSE(glIsTexture(texture)) << "texture " << texture;
    }
    expectNoGlError();
}

}  // namespace
}  // namespace tandril::scene
