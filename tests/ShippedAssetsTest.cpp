// Checks the shipped models and pictures the way the engine loads them:
// Assimp with the engine's flags (first mesh only), FreeImage for textures,
// SOIL for the sky faces. No window or GL context is needed.
#include <gtest/gtest.h>

#include <FreeImage.h>
#include <SOIL/SOIL.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "assets/Adjacency.h"
#include "assets/ModelImport.h"
#include "tools/assetgen/StreetLayout.h"

namespace {

using tandril::scene::AdjacencyData;
using tandril::scene::buildAdjacency;
using tandril::scene::Edge;
using tandril::scene::Triangle;

std::string shipped(const std::string& relative) {
    return std::string(TANDRIL_SOURCE_DIR) + "/" + relative;
}

const std::array<const char*, 5> kModels{
    "objects/cube.obj",
    "objects/plane.obj",
    "objects/street_lamp2.obj",
    "objects/hausreihe_wuerfel_alleCords.obj",
    "objects/Porsche_911_GT2.obj",
};

// The first mesh of a model file, imported as the engine imports it.
struct Model {
    unsigned meshCount = 0;
    bool hasNormals = false;
    bool hasUvs = false;
    bool onlyTriangles = true;
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
    std::vector<glm::vec2> uvs;
    std::vector<Triangle> faces;
};

Model load(const std::string& relative) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(shipped(relative), tandril::scene::kModelImportFlags);
    Model model;
    if (scene == nullptr || scene->mNumMeshes == 0) {
        ADD_FAILURE() << relative << ": " << importer.GetErrorString();
        return model;
    }
    model.meshCount = scene->mNumMeshes;
    const aiMesh* mesh = scene->mMeshes[0];
    model.hasNormals = mesh->HasNormals();
    model.hasUvs = mesh->HasTextureCoords(0);
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
        const aiVector3D& p = mesh->mVertices[i];
        model.positions.emplace_back(p.x, p.y, p.z);
        if (model.hasNormals) {
            const aiVector3D& n = mesh->mNormals[i];
            model.normals.emplace_back(n.x, n.y, n.z);
        }
        if (model.hasUvs) {
            const aiVector3D& t = mesh->mTextureCoords[0][i];
            model.uvs.emplace_back(t.x, t.y);
        }
    }
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices != 3) {
            model.onlyTriangles = false;
            continue;
        }
        model.faces.push_back({face.mIndices[0], face.mIndices[1], face.mIndices[2]});
    }
    return model;
}

struct Bounds {
    glm::vec3 low{1e30f};
    glm::vec3 high{-1e30f};
};

Bounds bounds(const std::vector<glm::vec3>& points) {
    Bounds b;
    for (const glm::vec3& p : points) {
        b.low = glm::min(b.low, p);
        b.high = glm::max(b.high, p);
    }
    return b;
}

glm::vec3 faceCross(const Model& m, const Triangle& t) {
    return glm::cross(m.positions[t[1]] - m.positions[t[0]], m.positions[t[2]] - m.positions[t[0]]);
}

// Volume enclosed by the faces, positive when they turn outward.
double signedVolume(const Model& m) {
    double volume = 0.0;
    for (const Triangle& t : m.faces) {
        volume += glm::dot(m.positions[t[0]], glm::cross(m.positions[t[1]], m.positions[t[2]]));
    }
    return volume / 6.0;
}

// Welds by position with the engine's adjacency builder and counts how the
// welded edges are used, directed (a closed, consistently wound two-manifold
// uses every undirected edge once in each direction).
struct Welded {
    std::size_t positions = 0;
    std::size_t edges = 0;
    std::size_t edgesNotShapedByTwoFaces = 0;
    std::size_t edgesRunningTheSameWayTwice = 0;
};

Welded weld(const Model& m) {
    AdjacencyData data;
    std::vector<std::uint32_t> indices;
    buildAdjacency(m.faces, m.positions, data, indices);
    std::map<Edge, std::pair<int, int>> uses;  // (a->b, b->a) with a < b
    for (const Triangle& t : data.m_triangles) {
        for (int j = 0; j < 3; ++j) {
            const std::uint32_t u = t[j];
            const std::uint32_t v = t[(j + 1) % 3];
            auto& count = uses.try_emplace(Edge(u, v), 0, 0).first->second;
            (u < v ? count.first : count.second) += 1;
        }
    }
    Welded w;
    w.positions = data.m_positionMap.size();
    w.edges = uses.size();
    for (const auto& [edge, count] : uses) {
        if (count.first + count.second != 2) {
            ++w.edgesNotShapedByTwoFaces;
        } else if (count.first != 1) {
            ++w.edgesRunningTheSameWayTwice;
        }
    }
    return w;
}

// Median over faces of image repeats per metre in the world, given the
// model's uniform world scale and the engine's factor of ten on uvs.
double medianRepeatsPerMetre(const Model& m, double worldScale) {
    std::vector<double> density;
    for (const Triangle& t : m.faces) {
        const double area = 0.5 * glm::length(faceCross(m, t)) * worldScale * worldScale;
        const glm::vec2 a = (m.uvs[t[1]] - m.uvs[t[0]]) * 10.0f;
        const glm::vec2 b = (m.uvs[t[2]] - m.uvs[t[0]]) * 10.0f;
        const double uvArea = 0.5 * std::fabs(a.x * b.y - a.y * b.x);
        if (area > 1e-6) {
            density.push_back(std::sqrt(uvArea / area));
        }
    }
    std::nth_element(density.begin(), density.begin() + density.size() / 2, density.end());
    return density[density.size() / 2];
}

TEST(ShippedAssets, EveryModelImportsAsOneTexturedTriangleMesh) {
    for (const char* file : kModels) {
        SCOPED_TRACE(file);
        const Model m = load(file);
        EXPECT_EQ(m.meshCount, 1u) << "the engine draws only the first mesh";
        EXPECT_TRUE(m.hasNormals);
        EXPECT_TRUE(m.hasUvs);
        EXPECT_TRUE(m.onlyTriangles);
        EXPECT_FALSE(m.faces.empty());
        std::size_t degenerate = 0;
        for (const Triangle& t : m.faces) {
            if (glm::length(faceCross(m, t)) <= 0.0f) {
                ++degenerate;
            }
        }
        EXPECT_EQ(degenerate, 0u);
    }
}

TEST(ShippedAssets, FaceWindingAgreesWithVertexNormals) {
    for (const char* file : kModels) {
        SCOPED_TRACE(file);
        const Model m = load(file);
        ASSERT_TRUE(m.hasNormals);
        std::size_t disagreeing = 0;
        for (const Triangle& t : m.faces) {
            const glm::vec3 n = m.normals[t[0]] + m.normals[t[1]] + m.normals[t[2]];
            if (glm::dot(faceCross(m, t), n) <= 0.0f) {
                ++disagreeing;
            }
        }
        EXPECT_EQ(disagreeing, 0u) << "of " << m.faces.size() << " faces";
    }
}

TEST(ShippedAssets, ModelsTurnTheirFacesOutward) {
    for (const char* file : kModels) {
        SCOPED_TRACE(file);
        const Model m = load(file);
        const Bounds b = bounds(m.positions);
        const glm::vec3 size = b.high - b.low;
        // Inward winding would make the enclosed volume negative.
        EXPECT_GT(signedVolume(m), 0.005 * size.x * size.y * size.z);
    }
}

TEST(ShippedAssets, CubeKeepsEachFacesNormalAndBricksThroughWelding) {
    const Model m = load("objects/cube.obj");
    const Bounds b = bounds(m.positions);
    EXPECT_EQ(b.low, glm::vec3(-0.5f));
    EXPECT_EQ(b.high, glm::vec3(0.5f));
    EXPECT_NEAR(signedVolume(m), 1.0, 1e-4) << "chamfered by a hair only";
    const Welded w = weld(m);
    EXPECT_EQ(w.edgesNotShapedByTwoFaces, 0u);
    EXPECT_EQ(w.edgesRunningTheSameWayTwice, 0u);

    // The shadow volumes draw every corner with the vertex that welding kept
    // at its position. On each of the six faces those must still carry the
    // face's own normal, and the face half the brick picture (2 m on the
    // house walls; the loader scales coordinates by ten).
    AdjacencyData data;
    std::vector<std::uint32_t> indices;
    buildAdjacency(m.faces, m.positions, data, indices);
    std::map<std::pair<int, int>, Bounds> faceUvs;  // by axis and side
    for (const auto& t : data.m_triangles) {
        const glm::vec3 cross = glm::cross(m.positions[t[1]] - m.positions[t[0]],
                                           m.positions[t[2]] - m.positions[t[0]]);
        if (glm::length(cross) < 0.5f) {
            continue;  // a chamfer strip or corner
        }
        const glm::vec3 normal = glm::normalize(cross);
        const int axis = std::abs(normal.x) > 0.5f ? 0 : (std::abs(normal.y) > 0.5f ? 1 : 2);
        Bounds& uv = faceUvs[{axis, normal[axis] > 0.0f ? 1 : -1}];
        for (std::uint32_t i : t) {
            EXPECT_GT(glm::dot(m.normals[i], normal), 0.9999f) << "corner " << i;
            uv.low = glm::min(uv.low, glm::vec3(m.uvs[i], 0.0f));
            uv.high = glm::max(uv.high, glm::vec3(m.uvs[i], 0.0f));
        }
    }
    EXPECT_EQ(faceUvs.size(), 6u);
    for (const auto& [face, uv] : faceUvs) {
        EXPECT_NEAR(uv.low.x, 0.0f, 2e-4f);
        EXPECT_NEAR(uv.low.y, 0.0f, 2e-4f);
        EXPECT_NEAR(uv.high.x, 0.05f, 2e-4f);
        EXPECT_NEAR(uv.high.y, 0.05f, 2e-4f);
    }
}

// The street in world metres: the scene scales it by (30, 1, 30) after
// moving it by (0, 0, -20).
Model streetInWorld() {
    Model m = load("objects/plane.obj");
    for (glm::vec3& p : m.positions) {
        p = glm::vec3(30.0f * p.x, p.y, 30.0f * (p.z - 20.0f));
    }
    return m;
}

// Where a ray straight down at (x, z) first meets a face that looks up: its
// height, and the picture's coordinates there (as the engine scales them).
struct Ground {
    float y = -1e30f;
    glm::vec2 uv{0.0f};
};

Ground groundAt(const Model& m, float x, float z) {
    Ground top;
    for (const Triangle& t : m.faces) {
        const glm::vec3 n = faceCross(m, t);
        const glm::vec3 a = m.positions[t[0]], b = m.positions[t[1]], c = m.positions[t[2]];
        if (n.y <= 0.0f) {
            continue;
        }
        // Barycentric weights of (x, z) in the face seen from above.
        const float area = (b.x - a.x) * (c.z - a.z) - (c.x - a.x) * (b.z - a.z);
        const float wb = ((x - a.x) * (c.z - a.z) - (c.x - a.x) * (z - a.z)) / area;
        const float wc = ((b.x - a.x) * (z - a.z) - (x - a.x) * (b.z - a.z)) / area;
        const float wa = 1.0f - wb - wc;
        const float y = wa * a.y + wb * b.y + wc * c.y;
        if (std::min({wa, wb, wc}) >= 0.0f && y > top.y) {
            top = {y, 10.0f * (wa * m.uvs[t[0]] + wb * m.uvs[t[1]] + wc * m.uvs[t[2]])};
        }
    }
    return top;
}

TEST(ShippedAssets, StreetIsAClosedSlabUnderTheWholeScene) {
    const Model m = streetInWorld();
    const Welded w = weld(m);
    EXPECT_EQ(w.edgesNotShapedByTwoFaces, 0u);
    EXPECT_EQ(w.edgesRunningTheSameWayTwice, 0u);
    EXPECT_LE(m.faces.size(), 2000u) << "drawn three times a frame";

    const Bounds b = bounds(m.positions);
    EXPECT_LE(b.low.x, -55.0f) << "under the farthest house row";
    EXPECT_GE(b.high.x, 15.0f) << "under the cubes and the parked car";
    EXPECT_GE(b.high.z, 120.0f) << "under the second car's start";
    EXPECT_LE(b.low.z, -1000.0f);
    EXPECT_LT(b.low.y, 0.0f);

    // The cars drive on the road at y = 0; the lamps stand on a pavement a
    // kerb higher; the parked car and the cubes stand on one they sink into
    // by no more than a few centimetres; the houses' doors are not buried.
    for (const float z : {-1000.0f, -100.0f, 0.0f, 30.0f, 120.0f}) {
        EXPECT_EQ(groundAt(m, 0.0f, z).y, 0.0f) << "the road at z = " << z;
    }
    for (const float z : {-10.0f, -30.0f}) {
        EXPECT_GE(groundAt(m, -5.0f, z).y, 0.1f) << "a lamp at z = " << z;
        EXPECT_LE(groundAt(m, -5.0f, z).y, 0.2f) << "a lamp at z = " << z;
    }
    for (const glm::vec2 standing :
         {glm::vec2(6.6f, -100.0f), glm::vec2(8.0f, -10.0f), glm::vec2(10.0f, -20.0f),
          glm::vec2(10.0f, -30.0f), glm::vec2(13.0f, -40.0f)}) {
        const float y = groundAt(m, standing.x, standing.y).y;
        EXPECT_GE(y, 0.0f) << standing.x << ", " << standing.y;
        EXPECT_LE(y, 0.04f) << standing.x << ", " << standing.y;
    }
    for (const glm::vec2 front : {glm::vec2(-15.1f, 0.0f), glm::vec2(-45.1f, -80.0f)}) {
        EXPECT_LE(groundAt(m, front.x, front.y).y, 0.15f) << "before the house at " << front.x;
    }
}

// The faces that look up cover the slab's whole top: no hole in the ground.
TEST(ShippedAssets, StreetTopFacesUpOverTheWholeSlab) {
    const Model m = streetInWorld();
    const Bounds b = bounds(m.positions);
    double upArea = 0.0;
    for (const Triangle& t : m.faces) {
        const glm::vec3 n = faceCross(m, t);
        if (n.y > 0.999f * glm::length(n)) {
            upArea += 0.5 * n.y;
        }
    }
    const double slabTop = double(b.high.x - b.low.x) * double(b.high.z - b.low.z);
    EXPECT_NEAR(upArea, slabTop, 1e-4 * slabTop);
}

// The road's markings lie where its picture says: edge lines 0.3 m from
// the kerbs, a dashed line down the middle, plain asphalt between.
TEST(ShippedAssets, StreetPictureLaysTheMarkingsAlongTheRoad) {
    const Model m = streetInWorld();
    FIBITMAP* loaded = FreeImage_Load(FIF_JPEG, shipped("textures/asphalt.jpg").c_str(), 0);
    ASSERT_NE(loaded, nullptr);
    FIBITMAP* grey = FreeImage_ConvertToGreyscale(loaded);
    FreeImage_Unload(loaded);
    const int width = static_cast<int>(FreeImage_GetWidth(grey));
    const int height = static_cast<int>(FreeImage_GetHeight(grey));
    // Brightness of the picture around (x, z), over 3 x 3 texels. The road's
    // u is the street's material (9, in steps of 1024) plus s / 2 for the
    // place s across it, which lies in the picture's run of columns.
    namespace street = tandril::assetgen::street;
    const auto brightness = [&](float x, float z) {
        const glm::vec2 uv = groundAt(m, x, z).uv;
        const float s = 2.0f * (uv.x - 9.0f * 1024.0f);
        EXPECT_NEAR(s, x, 0.01f);
        const int u =
            static_cast<int>(std::floor(static_cast<float>(street::kRunFirst) +
                                        (s - street::kSlabsFrom) * street::kRunColumnsPerMetre));
        const int v = static_cast<int>(std::floor(uv.y * height));
        double sum = 0.0;
        for (int dv = -1; dv <= 1; ++dv) {
            for (int du = -1; du <= 1; ++du) {
                BYTE value = 0;
                FreeImage_GetPixelIndex(
                    grey, static_cast<unsigned>((u + du + width) % width),
                    static_cast<unsigned>(((v + dv) % height + height) % height), &value);
                sum += value;
            }
        }
        return sum / (9.0 * 255.0);
    };
    // Painted where it is bright; the paint is worn in places.
    std::map<float, int> painted;
    const int samples = 96;
    for (int k = 0; k < samples; ++k) {
        const float z = -200.0f + 0.1f * static_cast<float>(k);
        for (const float x : {-3.7f, -2.0f, 0.0f, 2.0f, 3.7f}) {
            painted[x] += brightness(x, z) > 0.5 ? 1 : 0;
        }
    }
    FreeImage_Unload(grey);
    EXPECT_GT(painted[-3.7f], samples * 3 / 4) << "the west edge line";
    EXPECT_GT(painted[3.7f], samples * 3 / 4) << "the east edge line";
    EXPECT_EQ(painted[-2.0f], 0) << "the west lane";
    EXPECT_EQ(painted[2.0f], 0) << "the east lane";
    // Over 9.6 m, one dash of 3.2 m.
    EXPECT_GT(painted[0.0f], samples / 4);
    EXPECT_LT(painted[0.0f], samples * 2 / 5);
}

// The street program lays the street's picture out from figures of its own,
// which must be the asset generator's: where the run of surfaces lies in s
// and in the picture's columns, the setts and the bays.
TEST(ShippedAssets, StreetProgramReadsThePictureAsItIsLaidOut) {
    std::ifstream file(shipped("shader/shader_texture_2.frag"));
    std::stringstream text;
    text << file.rdbuf();
    const auto constant = [source = text.str()](const std::string& name) {
        const std::size_t at = source.find("const float " + name + " = ");
        return at == std::string::npos ? NAN : std::stof(source.substr(source.find('=', at) + 1));
    };
    namespace street = tandril::assetgen::street;
    for (const auto& [name, value] : {std::pair<std::string, float>{"kRunFrom", street::kSlabsFrom},
                                      {"kRunTo", street::kFarSettsFrom},
                                      {"kRunFirstColumn", street::kRunFirst},
                                      {"kRunColumns", street::kRunColumns},
                                      {"kColumns", street::kAtlasWidth},
                                      {"kSettsWidth", street::kSetts.width},
                                      {"kSettsColumns", street::kSetts.end - street::kSetts.first},
                                      {"kFarPavingFrom", street::kFarPavingFrom},
                                      {"kBaysFirstColumn", street::kParking.first},
                                      {"kBandRepeat", street::kRepeat},
                                      {"kBaysFromZ", street::kParkingFromZ},
                                      {"kBaysToZ", street::kParkingToZ},
                                      {"kBayLineZ", street::kBayLineZ},
                                      {"kBaysRepeat", street::kParking.period}}) {
        EXPECT_NEAR(constant(name), value, 1e-4f * std::max(1.0f, std::fabs(value))) << name;
    }
}

TEST(ShippedAssets, TexturesRepeatAtTheirIntendedWorldSize) {
    struct Case {
        const char* file;
        double worldScale;
        double metresPerRepeat;
    };
    // The street and the lamps share a picture of bands (checked above).
    for (const Case& c : {Case{"objects/hausreihe_wuerfel_alleCords.obj", 1.0, 2.0},
                          Case{"objects/Porsche_911_GT2.obj", 2.0, 0.5}}) {
        SCOPED_TRACE(c.file);
        const Model m = load(c.file);
        const double repeats = medianRepeatsPerMetre(m, c.worldScale);
        EXPECT_NEAR(repeats, 1.0 / c.metresPerRepeat, 0.3 / c.metresPerRepeat);
    }
}

TEST(ShippedAssets, CarStandsOnItsTyresWithTheFrontTowardMinusZ) {
    const Model m = load("objects/Porsche_911_GT2.obj");
    EXPECT_GE(m.faces.size(), 2000u);
    EXPECT_LE(m.faces.size(), 20000u);
    const Bounds b = bounds(m.positions);
    EXPECT_NEAR(b.low.y, -0.8f, 1e-4f) << "scaled by 2 and lifted by 1.6 it touches y = 0";
    const glm::vec3 size = b.high - b.low;
    EXPECT_GT(size.z, 2.0f * size.x) << "long along z, narrow along x";
    EXPECT_NEAR(size.z, 2.2f, 0.2f);
    EXPECT_NEAR(size.x, 0.9f, 0.1f);
    EXPECT_NEAR(size.y, 0.65f, 0.1f);
    EXPECT_NEAR(b.low.x, -b.high.x, 1e-4f) << "symmetric about x = 0";

    // Tyre contact points give the axles; a rear-engined car overhangs more
    // at the back, so the shorter overhang marks the front.
    std::vector<float> contacts;
    for (const glm::vec3& p : m.positions) {
        if (p.y < b.low.y + 0.002f) {
            contacts.push_back(p.z);
        }
    }
    ASSERT_FALSE(contacts.empty());
    std::sort(contacts.begin(), contacts.end());
    const float frontAxle = contacts.front();
    const float rearAxle = contacts.back();
    EXPECT_GT(rearAxle - frontAxle, 1.0f) << "a wheelbase of over 2 m";
    EXPECT_LT(frontAxle - b.low.z, b.high.z - rearAxle);
}

TEST(ShippedAssets, LampLightHangsJustUnderTheLanternAndTheFootReachesTheGround) {
    const Model m = load("objects/street_lamp2.obj");
    EXPECT_LT(m.faces.size(), 2000u);
    // The lamps share the street's picture and must show only its band of
    // lamp paint.
    namespace street = tandril::assetgen::street;
    for (const glm::vec2& uv : m.uvs) {
        const float u = 10.0f * uv.x;
        const float across = u - 1024.0f * std::floor(u / 1024.0f + 0.5f);
        EXPECT_GT(across * street::kAtlasWidth, street::kLampPaint.first);
        EXPECT_LT(across * street::kAtlasWidth, street::kLampPaint.end);
    }
    const Bounds b = bounds(m.positions);
    EXPECT_LE(b.low.y, -0.1f) << "the scene lifts the lamps by 0.1 and 0.15 m";

    // Lamps: scale 0.5, translate, rotate 1.6 about y; lights 4 m from the
    // pole toward the road at 5 m height.
    struct Placement {
        glm::vec3 translate;
        glm::vec3 light;
    };
    for (const Placement& lamp : {Placement{{-10.0f, 0.3f, -20.0f}, {-1.0f, 5.0f, -10.0f}},
                                  Placement{{-10.0f, 0.2f, -60.0f}, {-1.0f, 5.0f, -30.0f}}}) {
        const glm::mat4 model = glm::scale(glm::mat4(1.0f), glm::vec3(0.5f)) *
                                glm::translate(glm::mat4(1.0f), lamp.translate) *
                                glm::rotate(glm::mat4(1.0f), 1.6f, glm::vec3(0, 1, 0));
        const glm::vec3 light = glm::vec3(glm::inverse(model) * glm::vec4(lamp.light, 1.0f));
        float lowestAbove = 1e30f;
        bool anythingJustBelow = false;
        for (const glm::vec3& p : m.positions) {
            if (std::fabs(p.x - light.x) < 0.3f && std::fabs(p.z - light.z) < 0.3f) {
                if (p.y > light.y) {
                    lowestAbove = std::min(lowestAbove, p.y);
                } else if (p.y > light.y - 2.0f) {
                    anythingJustBelow = true;
                }
            }
        }
        EXPECT_LT(lowestAbove - light.y, 0.6f) << "the lantern covers the light";
        EXPECT_FALSE(anythingJustBelow) << "nothing hangs below the light";
    }
}

// Materials ride in u, offset by whole multiples of 1024 in the engine's
// coordinates (ten times the file's): the number of each, counted by face,
// with every offset leaving the texture coordinate within its own range.
std::map<int, int> materialFaces(const Model& m) {
    std::map<int, int> faces;
    for (const Triangle& t : m.faces) {
        std::set<int> materials;
        for (std::uint32_t i : t) {
            const float u = 10.0f * m.uvs[i].x;
            const int material = static_cast<int>(std::lround(u / 1024.0f));
            EXPECT_LT(std::fabs(u - 1024.0f * material), 512.0f);
            materials.insert(material);
        }
        if (materials.size() == 1) {
            ++faces[*materials.begin()];
        }
    }
    return faces;
}

TEST(ShippedAssets, ModelsTellTheirMaterialsApartInTheirTextureCoordinates) {
    // Paint, glass, rubber, bright metal, head and tail lamps on the car.
    std::map<int, int> car = materialFaces(load("objects/Porsche_911_GT2.obj"));
    for (int material = 0; material <= 5; ++material) {
        EXPECT_GT(car[material], 20) << "car material " << material;
    }
    EXPECT_EQ(car.size(), 6u);
    // The lantern's glass glows; the rest of the lamp is its texture.
    std::map<int, int> lamp = materialFaces(load("objects/street_lamp2.obj"));
    EXPECT_GT(lamp[6], 20);
    EXPECT_GT(lamp[0], lamp[6]);
    EXPECT_EQ(lamp.size(), 2u);
    // Window panes and doors in the house fronts; every door has a window
    // for each of its storeys.
    std::map<int, int> houses = materialFaces(load("objects/hausreihe_wuerfel_alleCords.obj"));
    EXPECT_GT(houses[7], 4 * houses[8]);
    EXPECT_GT(houses[8], 0);
    EXPECT_EQ(houses.size(), 3u);
    // The street's top and kerb, four parts of two triangles, carry their
    // place across, which the street program lays out in its picture's bands.
    std::map<int, int> street = materialFaces(load("objects/plane.obj"));
    EXPECT_EQ(street[9], 8);
    EXPECT_EQ(street.size(), 2u);
    // Nothing else carries a material.
    EXPECT_EQ(materialFaces(load("objects/cube.obj")).size(), 1u);
}

TEST(ShippedAssets, HouseRowStandsOnTheGroundAlongTheStreet) {
    const Model m = load("objects/hausreihe_wuerfel_alleCords.obj");
    EXPECT_LT(m.faces.size(), 3000u);
    const Bounds b = bounds(m.positions);
    EXPECT_NEAR(b.low.y, -5.2f, 1e-4f) << "lifted by 5.2 it stands on y = 0";
    EXPECT_NEAR(b.low.z, -20.0f, 0.5f);
    EXPECT_NEAR(b.high.z, 20.0f, 0.5f);
    EXPECT_GT(b.high.x - b.low.x, 8.0f);
    EXPECT_LT(b.high.x - b.low.x, 12.0f);
    EXPECT_GT(b.high.y, 6.0f);
    EXPECT_LT(b.high.y, 10.0f);

    // Windows are recessed: the street side (+x) has wall faces at more
    // than one depth.
    std::map<int, int> depths;
    for (const Triangle& t : m.faces) {
        const glm::vec3 n = glm::normalize(faceCross(m, t));
        if (n.x > 0.999f) {
            ++depths[static_cast<int>(std::lround(m.positions[t[0]].x * 100.0f))];
        }
    }
    EXPECT_GE(depths.size(), 3u);
}

TEST(ShippedAssets, HouseWallsMapUAlongTheWallAndVUpward) {
    const Model m = load("objects/hausreihe_wuerfel_alleCords.obj");
    std::size_t walls = 0;
    for (const Triangle& t : m.faces) {
        const glm::vec3 e1 = m.positions[t[1]] - m.positions[t[0]];
        const glm::vec3 e2 = m.positions[t[2]] - m.positions[t[0]];
        const glm::vec2 d1 = m.uvs[t[1]] - m.uvs[t[0]];
        const glm::vec2 d2 = m.uvs[t[2]] - m.uvs[t[0]];
        const float det = d1.x * d2.y - d2.x * d1.y;
        const glm::vec3 n = glm::normalize(glm::cross(e1, e2));
        if (std::fabs(n.y) > 0.1f || std::fabs(det) < 1e-8f) {
            continue;  // roofs and floors, or panes sampling one spot
        }
        // The directions in which u and v grow on this face.
        const glm::vec3 tangent = glm::normalize((e1 * d2.y - e2 * d1.y) / det);
        const glm::vec3 bitangent = glm::normalize((e2 * d1.x - e1 * d2.x) / det);
        ++walls;
        EXPECT_LT(std::fabs(tangent.y), 1e-3f);
        EXPECT_GT(bitangent.y, 0.999f);
        EXPECT_GT(glm::dot(glm::cross(tangent, bitangent), n), 0.999f)
            << "u to the right seen from outside";
    }
    EXPECT_GT(walls, 100u);
}

// A picture decoded by FreeImage as 8-bit RGB, row 0 at the bottom.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::array<float, 3>> pixels;

    const std::array<float, 3>& at(int x, int y) const {
        return pixels[static_cast<std::size_t>((y + height) % height) * width +
                      (x + width) % width];
    }
};

Picture decode(const std::string& relative) {
    const std::string path = shipped(relative);
    Picture picture;
    FIBITMAP* file = FreeImage_Load(FreeImage_GetFileType(path.c_str()), path.c_str());
    if (file == nullptr) {
        ADD_FAILURE() << "FreeImage cannot read " << relative;
        return picture;
    }
    FIBITMAP* rgb = FreeImage_ConvertTo24Bits(file);
    FreeImage_Unload(file);
    picture.width = static_cast<int>(FreeImage_GetWidth(rgb));
    picture.height = static_cast<int>(FreeImage_GetHeight(rgb));
    for (int y = 0; y < picture.height; ++y) {
        const BYTE* line = FreeImage_GetScanLine(rgb, y);
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels.push_back({static_cast<float>(line[3 * x + FI_RGBA_RED]),
                                      static_cast<float>(line[3 * x + FI_RGBA_GREEN]),
                                      static_cast<float>(line[3 * x + FI_RGBA_BLUE])});
        }
    }
    FreeImage_Unload(rgb);
    return picture;
}

float difference(const std::array<float, 3>& a, const std::array<float, 3>& b) {
    return (std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2])) / 3.0f;
}

const std::array<const char*, 5> kTiles{
    "textures/Brick_OldDestroyed_d.jpg", "textures/Brick_OldDestroyed_h.jpg",
    "textures/Brick_OldDestroyed_n.jpg", "textures/asphalt.jpg", "textures/metal.jpg"};

TEST(ShippedAssets, TexturesArePowerOfTwoPicturesThatTileWithoutSeams) {
    for (const char* file : kTiles) {
        SCOPED_TRACE(file);
        const Picture p = decode(file);
        ASSERT_GT(p.width, 0);
        EXPECT_EQ(p.width & (p.width - 1), 0);
        EXPECT_EQ(p.height & (p.height - 1), 0);
        // A tiling picture is continuous across the wrap: the step from the
        // last column (row) to the first is no larger than the largest step
        // between neighbouring columns (rows) inside it. Mortar joints make
        // large steps, so the mean step would be too strict a bound.
        double seamX = 0, seamY = 0;
        std::vector<double> stepsX(p.width - 1, 0.0), stepsY(p.height - 1, 0.0);
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                const int nextX = (x + 1) % p.width, nextY = (y + 1) % p.height;
                const double dx = difference(p.at(x, y), p.at(nextX, y));
                const double dy = difference(p.at(x, y), p.at(x, nextY));
                (nextX == 0 ? seamX : stepsX[x]) += dx;
                (nextY == 0 ? seamY : stepsY[y]) += dy;
            }
        }
        EXPECT_LE(seamX, 1.1 * *std::max_element(stepsX.begin(), stepsX.end()));
        EXPECT_LE(seamY, 1.1 * *std::max_element(stepsY.begin(), stepsY.end()));
    }
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= a.size();
    mb /= b.size();
    double sab = 0, saa = 0, sbb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    return sab / std::sqrt(saa * sbb);
}

TEST(ShippedAssets, BrickNormalMapTiltsAwayFromRisingHeight) {
    const Picture height = decode("textures/Brick_OldDestroyed_h.jpg");
    const Picture normal = decode("textures/Brick_OldDestroyed_n.jpg");
    ASSERT_EQ(height.width, normal.width);
    ASSERT_EQ(height.height, normal.height);
    std::vector<double> slopeU, slopeV, normalX, normalY;
    double normalZ = 0;
    for (int y = 0; y < height.height; ++y) {
        for (int x = 0; x < height.width; ++x) {
            slopeU.push_back(height.at(x + 1, y)[0] - height.at(x - 1, y)[0]);
            slopeV.push_back(height.at(x, y + 1)[0] - height.at(x, y - 1)[0]);
            normalX.push_back(normal.at(x, y)[0] / 127.5 - 1.0);
            normalY.push_back(normal.at(x, y)[1] / 127.5 - 1.0);
            normalZ += normal.at(x, y)[2] / 127.5 - 1.0;
        }
    }
    // +x toward the picture's right, +y toward its top (FreeImage row order).
    EXPECT_LT(correlation(normalX, slopeU), -0.6);
    EXPECT_LT(correlation(normalY, slopeV), -0.6);
    EXPECT_GT(normalZ / slopeU.size(), 0.7) << "mostly facing out of the wall";
}

TEST(ShippedAssets, BrickColourAndHeightShareOneLayout) {
    // Mortar is recessed and grey: low height goes with low saturation.
    const Picture colour = decode("textures/Brick_OldDestroyed_d.jpg");
    const Picture height = decode("textures/Brick_OldDestroyed_h.jpg");
    std::vector<double> h, saturation;
    for (int y = 0; y < colour.height; ++y) {
        for (int x = 0; x < colour.width; ++x) {
            const auto& c = colour.at(x, y);
            h.push_back(height.at(x, y)[0]);
            saturation.push_back(c[0] - c[2]);
        }
    }
    EXPECT_GT(correlation(h, saturation), 0.4);
}

const std::array<const char*, 6> kSkyFaces{"right", "left", "top", "bottom", "back", "front"};

// One sky face as SOIL gives it to the engine: first stored row first.
struct SkyFace {
    int size = 0;
    std::vector<unsigned char> rgb;

    std::array<float, 3> at(int column, int row) const {
        const std::size_t i = 3 * (static_cast<std::size_t>(row) * size + column);
        return {static_cast<float>(rgb[i]), static_cast<float>(rgb[i + 1]),
                static_cast<float>(rgb[i + 2])};
    }
};

std::array<SkyFace, 6> loadSky() {
    std::array<SkyFace, 6> faces;
    for (int f = 0; f < 6; ++f) {
        const std::string path = shipped(std::string("textures/skybox/") + kSkyFaces[f] + ".jpg");
        int width = 0, height = 0, channels = 0;
        unsigned char* data =
            SOIL_load_image(path.c_str(), &width, &height, &channels, SOIL_LOAD_RGB);
        if (data == nullptr) {
            ADD_FAILURE() << "SOIL cannot read " << path;
            continue;
        }
        EXPECT_EQ(width, height) << kSkyFaces[f];
        faces[f].size = width;
        faces[f].rgb.assign(data, data + 3 * static_cast<std::size_t>(width) * height);
        SOIL_free_image_data(data);
    }
    return faces;
}

// OpenGL's face selection: direction to face (+X, -X, +Y, -Y, +Z, -Z) and
// (s, t) in [0, 1].
void cubeLookup(const glm::vec3& d, int& face, float& s, float& t) {
    const glm::vec3 a = glm::abs(d);
    float sc, tc, ma;
    if (a.x >= a.y && a.x >= a.z) {
        ma = a.x;
        face = d.x > 0 ? 0 : 1;
        sc = d.x > 0 ? -d.z : d.z;
        tc = -d.y;
    } else if (a.y >= a.z) {
        ma = a.y;
        face = d.y > 0 ? 2 : 3;
        sc = d.x;
        tc = d.y > 0 ? d.z : -d.z;
    } else {
        ma = a.z;
        face = d.z > 0 ? 4 : 5;
        sc = d.z > 0 ? d.x : -d.x;
        tc = -d.y;
    }
    s = 0.5f * (sc / ma + 1.0f);
    t = 0.5f * (tc / ma + 1.0f);
}

// The direction through (s, t) of a face: the table above solved backward.
glm::vec3 cubeDirection(int face, float s, float t) {
    const float sc = 2.0f * s - 1.0f;
    const float tc = 2.0f * t - 1.0f;
    switch (face) {
        case 0:
            return {1.0f, -tc, -sc};
        case 1:
            return {-1.0f, -tc, sc};
        case 2:
            return {sc, 1.0f, tc};
        case 3:
            return {sc, -1.0f, -tc};
        case 4:
            return {sc, -tc, 1.0f};
        default:
            return {-sc, -tc, -1.0f};
    }
}

std::array<float, 3> skyColour(const std::array<SkyFace, 6>& sky, const glm::vec3& d) {
    int face;
    float s, t;
    cubeLookup(d, face, s, t);
    const int n = sky[face].size;
    return sky[face].at(std::clamp(static_cast<int>(s * n), 0, n - 1),
                        std::clamp(static_cast<int>(t * n), 0, n - 1));
}

TEST(ShippedAssets, SkyFacesAreEqualSquaresThatSoilLoads) {
    const std::array<SkyFace, 6> sky = loadSky();
    for (int f = 0; f < 6; ++f) {
        SCOPED_TRACE(kSkyFaces[f]);
        EXPECT_GT(sky[f].size, 0);
        EXPECT_EQ(sky[f].size, sky[0].size);
        EXPECT_EQ((3 * sky[f].size) % 4, 0) << "rows of RGB bytes stay 4-byte aligned";
        // FreeImage reads them too, with the same size.
        const Picture p = decode(std::string("textures/skybox/") + kSkyFaces[f] + ".jpg");
        EXPECT_EQ(p.width, sky[f].size);
    }
}

// Elevation (radians) and direction of each cube-map texel, with its colour.
struct SkyTexel {
    float elevation;
    glm::vec3 direction;
    std::array<float, 3> colour;
};

std::vector<SkyTexel> skyTexels(const std::array<SkyFace, 6>& sky) {
    std::vector<SkyTexel> texels;
    for (int f = 0; f < 6; ++f) {
        const int n = sky[f].size;
        for (int row = 0; row < n; ++row) {
            for (int column = 0; column < n; ++column) {
                const glm::vec3 d =
                    glm::normalize(cubeDirection(f, (column + 0.5f) / n, (row + 0.5f) / n));
                texels.push_back({std::asin(d.y), d, sky[f].at(column, row)});
            }
        }
    }
    return texels;
}

TEST(ShippedAssets, SkyAtDuskGlowsLowOverTheFarEndUnderADarkBlueZenith) {
    const std::vector<SkyTexel> texels = skyTexels(loadSky());
    // The glow: the brightest tenth of a percent of the sky lies low, warm, and
    // ahead of the starting camera (which looks along -z).
    std::vector<float> sums;
    for (const SkyTexel& t : texels) {
        sums.push_back(t.colour[0] + t.colour[1] + t.colour[2]);
    }
    std::vector<float> sorted = sums;
    std::sort(sorted.begin(), sorted.end());
    const float bright = sorted[sorted.size() - sorted.size() / 1000];
    float highest = 0.0f;
    glm::vec3 mean(0.0f);
    for (std::size_t i = 0; i < texels.size(); ++i) {
        if (sums[i] >= bright) {
            highest = std::max(highest, texels[i].elevation);
            mean += glm::normalize(glm::vec3(texels[i].direction.x, 0.0f, texels[i].direction.z));
            EXPECT_GT(texels[i].colour[0], texels[i].colour[2]) << "the glow is warm";
        }
    }
    EXPECT_LT(highest, 0.25f) << "no sun high up";
    EXPECT_LT(glm::normalize(mean).z, -0.7f) << "glow towards " << mean.x << ", " << mean.z;
    // Overhead, stars and all: deep blue, far darker than the glow.
    glm::vec3 zenith(0.0f);
    int count = 0;
    for (const SkyTexel& t : texels) {
        if (t.elevation > 1.2f) {
            zenith += glm::vec3(t.colour[0], t.colour[1], t.colour[2]);
            ++count;
        }
    }
    zenith /= static_cast<float>(count);
    EXPECT_GT(zenith.b, 2.0f * zenith.r);
    EXPECT_LT(zenith.r + zenith.g + zenith.b, bright / 6.0f);
}

TEST(ShippedAssets, SkyFacesMeetWithoutSeams) {
    const std::array<SkyFace, 6> sky = loadSky();
    // For each border texel, the texel one step across the border lies on
    // the neighbouring face; it should be as close in colour as a
    // neighbour on the same face is.
    double across = 0, within = 0;
    int count = 0;
    for (int f = 0; f < 6; ++f) {
        const int n = sky[f].size;
        for (int k = 0; k < n; ++k) {
            const std::array<std::array<int, 4>, 4> borders{
                {{0, k, -1, k}, {n - 1, k, n, k}, {k, 0, k, -1}, {k, n - 1, k, n}}};
            for (const auto& [c, r, c2, r2] : borders) {
                const auto here = sky[f].at(c, r);
                const glm::vec3 beyond = cubeDirection(f, (c2 + 0.5f) / n, (r2 + 0.5f) / n);
                across += difference(here, skyColour(sky, beyond));
                const int ci = std::clamp(2 * c - c2, 0, n - 1);
                const int ri = std::clamp(2 * r - r2, 0, n - 1);
                within += difference(here, sky[f].at(ci, ri));
                ++count;
            }
        }
    }
    EXPECT_LT(across / count, 1.5 * within / count + 1.0)
        << "mean step " << across / count << " across borders, " << within / count << " inside";
}

}  // namespace
