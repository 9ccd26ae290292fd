// The five kinds of scene object on the real driver, made from the shipped
// models and pictures: what each loads, which uniforms its draw sends to a
// program that has them (and to one that has none), how a car drives, and
// that an object deleted through the base interface gives its GL names back.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <assimp/Importer.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "assets/Mesh.h"
#include "assets/ModelImport.h"
#include "scene/Car.h"
#include "scene/Cube.h"
#include "scene/ObjectUniforms.h"
#include "scene/SceneObject.h"
#include "scene/Street.h"
#include "scene/Streetlamp.h"
#include "scene/Wall.h"
#include "support/GlContext.h"
#include "support/ReadBack.h"
#include "support/SceneControl.h"

namespace tandril::scene {
namespace {

using test::uniformFloat;
using test::uniformInt;
using test::uniformMat3;
using test::uniformMat4;
using test::uniformVec3;

struct Kind {
    const char* name;
    std::function<std::unique_ptr<SceneObject>(const glm::mat4&)> make;
    const char* model;
    const char* material;
    bool adjacency;
    const char* normalMatrix;  // the uniform its draw fills, or null
    bool isWall;
};

// Failure messages name the kind rather than dump its bytes.
void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.name;
}

template <typename T>
std::unique_ptr<SceneObject> make(const glm::mat4& model) {
    return std::make_unique<T>(model);
}

const Kind kKinds[] = {
    {"Car", make<Car>, "objects/Porsche_911_GT2.obj", "textures/metal.jpg", false, "N_mat", false},
    {"Cube", make<Cube>, "objects/cube.obj", "textures/Brick_OldDestroyed_d.jpg", true, "N_mat",
     false},
    {"Street", make<Street>, "objects/plane.obj", "textures/asphalt.jpg", true, nullptr, false},
    {"Streetlamp", make<Streetlamp>, "objects/street_lamp2.obj", "textures/asphalt.jpg", false,
     "N_mat", false},
    {"Wall", make<Wall>, "objects/hausreihe_wuerfel_alleCords.obj",
     "textures/Brick_OldDestroyed_d.jpg", false, "normal_mat", true},
};

Mesh& meshOf(SceneObject& object) {
    if (auto* car = dynamic_cast<Car*>(&object))
        return *car->m_mesh;
    if (auto* cube = dynamic_cast<Cube*>(&object))
        return *cube->m_mesh;
    if (auto* street = dynamic_cast<Street*>(&object))
        return *street->m_mesh;
    if (auto* lamp = dynamic_cast<Streetlamp*>(&object))
        return *lamp->m_mesh;
    return *dynamic_cast<Wall&>(object).m_mesh;
}

// Model files as Assimp gives them with the engine's flags, read on their own.
struct Imported {
    std::vector<glm::vec3> positions;
    std::size_t triangles = 0;
};

Imported importDirectly(const std::string& path) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, scene::kModelImportFlags);
    Imported result;
    EXPECT_NE(scene, nullptr) << path;
    if (scene == nullptr || scene->mNumMeshes == 0) {
        return result;
    }
    const aiMesh& mesh = *scene->mMeshes[0];
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
        result.positions.emplace_back(mesh.mVertices[v].x, mesh.mVertices[v].y,
                                      mesh.mVertices[v].z);
    }
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        result.triangles += mesh.mFaces[f].mNumIndices == 3 ? 1 : 0;
    }
    return result;
}

// The picture as 32-bit BGRA rows, bottom first: what the texture was given.
std::vector<std::uint8_t> imageBytes(const std::string& path) {
    FreeImage_Initialise(FALSE);
    FIBITMAP* decoded = FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0);
    EXPECT_NE(decoded, nullptr) << path;
    if (decoded == nullptr) {
        return {};
    }
    FIBITMAP* converted = FreeImage_ConvertTo32Bits(decoded);
    const auto size =
        static_cast<std::size_t>(FreeImage_GetPitch(converted)) * FreeImage_GetHeight(converted);
    const std::uint8_t* bits = FreeImage_GetBits(converted);
    std::vector<std::uint8_t> bytes(bits, bits + size);
    FreeImage_Unload(converted);
    FreeImage_Unload(decoded);
    return bytes;
}

std::vector<std::uint8_t> textureBytes(GLuint texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, bytes.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return bytes;
}

GLint boundOnUnit(int unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    glActiveTexture(GL_TEXTURE0);
    return name;
}

// Primitives that one draw of `object` hands to the rasteriser.
GLuint primitivesDrawn(SceneObject& object, assets::ShaderProgram* program, const glm::mat4& view) {
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    object.draw(program, view);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);
    return primitives;
}

// Every object uniform in use, so each can be read back after a draw.
test::TestProgram everyObjectUniform() {
    return test::TestProgram(
        "#version 330 core\n"
        "layout(location = 0) in vec3 position;\n"
        "layout(location = 2) in vec3 normal;\n"
        "uniform mat4 M_mat;\n"
        "uniform mat3 N_mat;\n"
        "uniform mat3 normal_mat;\n"
        "out vec3 shade;\n"
        "void main() {\n"
        "  shade = N_mat * normal + normal_mat * normal;\n"
        "  gl_Position = M_mat * vec4(position, 1.0);\n"
        "}\n",
        "#version 330 core\n"
        "uniform vec3 matSpecularReflectanceColor;\n"
        "uniform float matShininess;\n"
        "uniform sampler2D material_texture;\n"
        "uniform sampler2D height_texture;\n"
        "uniform sampler2D normal_texture;\n"
        "in vec3 shade;\n"
        "out vec4 colour;\n"
        "void main() {\n"
        "  vec2 uv = vec2(0.5);\n"
        "  colour = vec4(shade + matSpecularReflectanceColor * matShininess, 1.0) +\n"
        "           texture(material_texture, uv) + texture(height_texture, uv) +\n"
        "           texture(normal_texture, uv);\n"
        "}\n");
}

void expectMat3Near(const glm::mat3& actual, const glm::mat3& expected) {
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 3; ++r) {
            EXPECT_NEAR(actual[c][r], expected[c][r], 1e-5f) << "[" << c << "][" << r << "]";
        }
    }
}

class SceneObjectKind : public test::GlTest, public ::testing::WithParamInterface<Kind> {
  protected:
    void TearDown() override { expectNoGlError(); }
};

TEST_P(SceneObjectKind, LoadsItsModelWithItsAdjacencySettingAndKeepsItsPlacement) {
    const Kind& kind = GetParam();
    const glm::mat4 placement = glm::translate(glm::mat4(1.0f), {3.0f, -1.0f, 7.0f});
    const auto object = kind.make(placement);
    Mesh& mesh = meshOf(*object);
    const Imported imported = importDirectly(kind.model);

    EXPECT_EQ(mesh.m_modelMatrix, placement);
    EXPECT_EQ(mesh.m_withAdjacency, kind.adjacency);
    ASSERT_GT(imported.triangles, 0u);
    EXPECT_EQ(mesh.m_positions, imported.positions);
    EXPECT_EQ(mesh.m_indexCount, imported.triangles * (kind.adjacency ? 6 : 3));
}

TEST_P(SceneObjectKind, TexturesItsMeshFromItsOwnPictures) {
    const Kind& kind = GetParam();
    const auto object = kind.make(glm::mat4(1.0f));
    Mesh& mesh = meshOf(*object);

    ASSERT_NE(mesh.m_materialTexture, nullptr);
    EXPECT_EQ(textureBytes(mesh.m_materialTexture->m_texture), imageBytes(kind.material));
    if (kind.isWall) {
        ASSERT_NE(mesh.m_heightTexture, nullptr);
        ASSERT_NE(mesh.m_normalTexture, nullptr);
        EXPECT_EQ(textureBytes(mesh.m_heightTexture->m_texture),
                  imageBytes("textures/Brick_OldDestroyed_h.jpg"));
        EXPECT_EQ(textureBytes(mesh.m_normalTexture->m_texture),
                  imageBytes("textures/Brick_OldDestroyed_n.jpg"));
    } else {
        EXPECT_EQ(mesh.m_heightTexture, nullptr);
        EXPECT_EQ(mesh.m_normalTexture, nullptr);
    }
}

TEST_P(SceneObjectKind, DrawSendsItsPlacementNormalMatrixMaterialAndTexturesWhereDeclared) {
    const Kind& kind = GetParam();
    // Turned and uniformly scaled, so the normal matrix is the turn over the scale.
    const glm::mat4 turn = glm::rotate(glm::mat4(1.0f), 0.3f, {0.0f, 1.0f, 0.0f});
    const glm::mat4 placement =
        glm::scale(glm::translate(glm::mat4(1.0f), {4.0f, -1.0f, 2.0f}) * turn, glm::vec3(1.5f));
    const glm::mat4 view = glm::translate(glm::rotate(glm::mat4(1.0f), 0.7f, {1.0f, 0.0f, 0.0f}),
                                          {-3.0f, -2.0f, 5.0f});
    const auto object = kind.make(placement);
    Mesh& mesh = meshOf(*object);
    const test::TestProgram program = everyObjectUniform();
    const GLuint id = program.id();
    glUseProgram(id);

    // Markers that show which uniforms the draw left alone.
    const glm::mat3 marker(9.0f);
    glUniformMatrix4fv(glGetUniformLocation(id, "M_mat"), 1, GL_FALSE,
                       glm::value_ptr(glm::mat4(7.0f)));
    glUniformMatrix3fv(glGetUniformLocation(id, "N_mat"), 1, GL_FALSE, glm::value_ptr(marker));
    glUniformMatrix3fv(glGetUniformLocation(id, "normal_mat"), 1, GL_FALSE, glm::value_ptr(marker));
    glUniform3f(glGetUniformLocation(id, "matSpecularReflectanceColor"), -1.0f, -1.0f, -1.0f);
    glUniform1f(glGetUniformLocation(id, "matShininess"), -1.0f);
    for (const char* sampler : {"material_texture", "height_texture", "normal_texture"}) {
        glUniform1i(glGetUniformLocation(id, sampler), 7);
    }

    object->draw(program.get(), view);

    EXPECT_EQ(uniformMat4(id, "M_mat"), placement);
    const glm::mat3 expectedNormals = glm::mat3(view) * glm::mat3(turn) / 1.5f;
    for (const char* name : {"N_mat", "normal_mat"}) {
        SCOPED_TRACE(name);
        const bool sent = kind.normalMatrix != nullptr && std::string(name) == kind.normalMatrix;
        expectMat3Near(uniformMat3(id, name), sent ? expectedNormals : marker);
    }
    EXPECT_EQ(uniformVec3(id, "matSpecularReflectanceColor"), glm::vec3(1.0f));
    EXPECT_EQ(uniformFloat(id, "matShininess"), 60.0f);

    // Each slot on its own unit; a slot the mesh does not fill gets no texture.
    EXPECT_EQ(uniformInt(id, "material_texture"), 0);
    EXPECT_EQ(uniformInt(id, "height_texture"), 1);
    EXPECT_EQ(uniformInt(id, "normal_texture"), 2);
    const assets::Texture* slots[] = {mesh.m_materialTexture.get(), mesh.m_heightTexture.get(),
                                      mesh.m_normalTexture.get()};
    for (int unit = 0; unit < 3; ++unit) {
        EXPECT_EQ(boundOnUnit(unit),
                  slots[unit] != nullptr ? static_cast<GLint>(slots[unit]->m_texture) : 0)
            << "unit " << unit;
    }
    glUseProgram(0);
}

TEST_P(SceneObjectKind, DrawWithAProgramLackingEveryObjectUniformStillDrawsTheWholeMesh) {
    const Kind& kind = GetParam();
    const auto object = kind.make(glm::mat4(1.0f));
    const test::TestProgram bare = test::bareProgram(0.001f);
    glUseProgram(bare.id());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();

    const GLuint primitives = primitivesDrawn(*object, bare.get(), glm::mat4(1.0f));

    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // Six indices make one primitive with adjacency, three without.
    EXPECT_EQ(primitives, meshOf(*object).m_indexCount / (kind.adjacency ? 6 : 3));
    EXPECT_GT(primitives, 0u);
    glUseProgram(0);
}

TEST_P(SceneObjectKind, UpdateMovesOnlyCarsAndNothingWithZeroSeconds) {
    const Kind& kind = GetParam();
    const bool drives = std::string(kind.name) == "Car";
    const glm::mat4 placement = glm::translate(glm::mat4(1.0f), {1.0f, 2.0f, 3.0f});
    const auto object = kind.make(placement);
    const glm::mat4& model = meshOf(*object).m_modelMatrix;

    object->update(0.0f);
    EXPECT_EQ(model, placement);
    for (const float seconds : {0.5f, 100.0f, -3.0f}) {
        object->update(seconds);
        EXPECT_EQ(model == placement, !drives) << seconds;
        EXPECT_EQ(glm::mat3(model), glm::mat3(placement)) << seconds;
    }
}

TEST_P(SceneObjectKind, DeletedThroughTheBaseItGivesBackItsBuffersVertexArrayAndTextures) {
    auto object = GetParam().make(glm::mat4(1.0f));
    Mesh& mesh = meshOf(*object);
    const GLuint buffers[] = {mesh.m_positionBuffer, mesh.m_uvBuffer,        mesh.m_normalBuffer,
                              mesh.m_tangentBuffer,  mesh.m_bitangentBuffer, mesh.m_indexBuffer};
    const GLuint vertexArray = mesh.m_vao;
    std::vector<GLuint> textures;
    for (const auto* texture :
         {mesh.m_materialTexture.get(), mesh.m_heightTexture.get(), mesh.m_normalTexture.get()}) {
        if (texture != nullptr) {
            textures.push_back(texture->m_texture);
        }
    }
    for (const GLuint buffer : buffers) {
        ASSERT_TRUE(glIsBuffer(buffer));
    }
    ASSERT_TRUE(glIsVertexArray(vertexArray));
    for (const GLuint texture : textures) {
        ASSERT_TRUE(glIsTexture(texture));
    }

    object.reset();

    for (const GLuint buffer : buffers) {
        EXPECT_FALSE(glIsBuffer(buffer)) << "buffer " << buffer;
    }
    EXPECT_FALSE(glIsVertexArray(vertexArray));
    for (const GLuint texture : textures) {
        EXPECT_FALSE(glIsTexture(texture)) << "texture " << texture;
    }
}

INSTANTIATE_TEST_SUITE_P(, SceneObjectKind, ::testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<Kind>& info) { return info.param.name; });

class SceneObjectTest : public test::GlTest {
  protected:
    void TearDown() override { expectNoGlError(); }
};

TEST_F(SceneObjectTest, NormalMatrixLeavesTranslationOutAndInvertsTheScale) {
    const glm::mat4 identity(1.0f);
    const glm::mat4 moved = glm::translate(identity, {8.0f, 0.5f, -10.0f});
    expectMat3Near(normalMatrix(identity, moved), glm::mat3(1.0f));
    const glm::mat4 car = glm::translate(glm::scale(identity, glm::vec3(2.0f)), {0, 0.8f, 15});
    expectMat3Near(normalMatrix(identity, car), glm::mat3(0.5f));
    // A view that only moves the eye leaves normals as they are.
    expectMat3Near(normalMatrix(glm::translate(identity, {-4.0f, 2.0f, 9.0f}), car),
                   glm::mat3(0.5f));
    // A stretched model tilts its normals the other way: the inverse transpose.
    const glm::mat4 stretched = glm::scale(identity, {4.0f, 1.0f, 1.0f});
    const glm::vec3 slopeNormal = glm::normalize(glm::vec3(1.0f, -1.0f, 0.0f));
    const glm::vec3 mapped = normalMatrix(identity, stretched) * slopeNormal;
    // The surface x = y becomes x = 4y, whose normal is along (1, -4, 0).
    EXPECT_NEAR(mapped.y / mapped.x, -4.0f, 1e-5f);
}

TEST_F(SceneObjectTest, CarDrivesFiveModelUnitsASecondAlongItsOwnMinusZ) {
    const glm::mat4 unturned =
        glm::translate(glm::scale(glm::mat4(1.0f), glm::vec3(2.0f)), {0.0f, 0.8f, 15.0f});
    Car car(unturned);
    glm::mat4& model = car.m_mesh->m_modelMatrix;

    car.update(0.0f);
    EXPECT_EQ(model, unturned);

    car.update(1.0f);
    EXPECT_EQ(model[3], glm::vec4(0.0f, 1.6f, 20.0f, 1.0f));  // 10 world units at scale 2
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(model[c], unturned[c]) << "column " << c;
    }

    const glm::mat4 afterOne = model;
    model = unturned;
    car.update(0.5f);
    car.update(0.5f);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(model[3][k], afterOne[3][k], 1e-5f);
    }

    // Turned, it drives where its own -z points, not along the world's.
    const glm::mat4 turned = glm::rotate(unturned, 1.6f, {0.0f, 1.0f, 0.0f});
    model = turned;
    car.update(0.25f);
    const glm::vec3 travelled = glm::vec3(model[3] - turned[3]);
    const glm::vec3 ownMinusZ = -glm::vec3(turned[2]);  // of length 2, the scale
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(travelled[k], 1.25f * ownMinusZ[k], 1e-5f);
    }
    EXPECT_GT(-travelled.x, 2.0f);  // mostly sideways in the world
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(model[c], turned[c]) << "column " << c;
    }
}

TEST_F(SceneObjectTest, MeshIsAlsoUpdatedDrawnAndDeletedThroughTheBaseInterface) {
    std::unique_ptr<SceneObject> object = std::make_unique<Mesh>(
        "objects/cube.obj", glm::mat4(1.0f), true, "textures/Brick_OldDestroyed_d.jpg");
    auto& mesh = static_cast<Mesh&>(*object);
    const GLuint vertexArray = mesh.m_vao;
    const test::TestProgram bare(
        "#version 330 core\n"
        "layout(location = 0) in vec3 position;\n"
        "void main() { gl_Position = vec4(position, 1.0); }\n",
        "#version 330 core\n"
        "out vec4 colour;\n"
        "void main() { colour = vec4(1.0); }\n");
    glUseProgram(bare.id());

    object->update(0.0f);
    EXPECT_EQ(primitivesDrawn(*object, bare.get(), glm::mat4(1.0f)),
              importDirectly("objects/cube.obj").triangles);
    object.reset();

    EXPECT_FALSE(glIsVertexArray(vertexArray));
    glUseProgram(0);
}

}  // namespace
}  // namespace tandril::scene
