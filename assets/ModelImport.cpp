#include "assets/ModelImport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_map>

#include <assimp/DefaultIOSystem.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include "assets/RegularFile.h"

namespace tandril::scene {

const unsigned kModelImportFlags = aiProcess_CalcTangentSpace | aiProcess_JoinIdenticalVertices |
                                   aiProcess_Triangulate | aiProcess_SortByPType;

namespace {

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

// The importer opens more than the model itself (an OBJ file's material
// library); none of those may block or read without end either. What it may
// not open counts as missing: the model fails to import, a material library
// is skipped. A regular file that cannot be read is missing too, as the
// default system's own test (it opens the file) finds, so that the importer
// says "Unable to open file" for it as it always has.
class RegularFilesOnly : public Assimp::DefaultIOSystem {
  public:
    bool Exists(const char* path) const override {
        return assets::isRegularFile(path) && DefaultIOSystem::Exists(path);
    }
    Assimp::IOStream* Open(const char* path, const char* mode) override {
        return assets::isRegularFile(path) ? DefaultIOSystem::Open(path, mode) : nullptr;
    }
};

// The post-processing steps cost time in proportion to the model, but for
// two shapes that cost grows with the square of their size: triangulating one
// polygon of n corners (ear clipping, about n * n steps) and the tangent-space
// and vertex-joining steps, which compare each corner with every other corner
// near it (within a ten-thousandth of the mesh's extent): k * k steps for k
// corners at one spot. A real model has neither beyond a few hundred; the
// importer takes about 6 ns a step here.
constexpr double kFreeSteps = 1e8;      // about half a second, whatever the model
constexpr double kStepsPerCorner = 64;  // and more in proportion to the model
constexpr double kPositionTolerance = 1e-4;

struct QuadraticWork {
    double steps = 0;
    double corners = 0;
    unsigned largestPolygon = 0;
    std::uint64_t largestCluster = 0;
};

struct CellHash {
    std::size_t operator()(const std::array<std::int64_t, 3>& cell) const {
        return static_cast<std::size_t>(cell[0] * 73856093 ^ cell[1] * 19349663 ^
                                        cell[2] * 83492791);
    }
};

void addQuadraticWork(const aiMesh& mesh, QuadraticWork& work) {
    if (mesh.mFaces != nullptr) {
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const double n = mesh.mFaces[f].mNumIndices;
            work.corners += n;
            if (n > 3) {
                work.steps += n * n;
                work.largestPolygon = std::max(work.largestPolygon, mesh.mFaces[f].mNumIndices);
            }
        }
    }
    if (mesh.mVertices == nullptr) {
        return;
    }
    const auto finite = [](const aiVector3D& p) {
        return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
    };
    aiVector3D low(std::numeric_limits<float>::max());
    aiVector3D high(std::numeric_limits<float>::lowest());
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
        if (finite(mesh.mVertices[v])) {
            for (int c = 0; c < 3; ++c) {
                low[c] = std::min(low[c], mesh.mVertices[v][c]);
                high[c] = std::max(high[c], mesh.mVertices[v][c]);
            }
        }
    }
    // Corners in one cell of the tolerance's size: a cluster that the steps
    // compare pair by pair falls into at most eight neighbouring cells.
    const double cell = static_cast<double>((high - low).Length()) * kPositionTolerance;
    std::unordered_map<std::array<std::int64_t, 3>, std::uint64_t, CellHash> cells;
    cells.reserve(mesh.mNumVertices);
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
        const aiVector3D& position = mesh.mVertices[v];
        if (!finite(position)) {
            continue;
        }
        std::array<std::int64_t, 3> key{};
        for (int c = 0; c < 3; ++c) {
            key[c] = cell > 0 && std::isfinite(cell)
                         ? static_cast<std::int64_t>((position[c] - low[c]) / cell)
                         : 0;
        }
        const std::uint64_t count = ++cells[key];
        work.steps += 2.0 * static_cast<double>(count) - 1;  // count * count in all
        work.largestCluster = std::max(work.largestCluster, count);
    }
}

// Why post-processing this scene would keep set-up waiting far longer than its
// size warrants; nothing when it would not.
std::optional<std::string> tooCostly(const aiScene& scene) {
    QuadraticWork work;
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        if (scene.mMeshes != nullptr && scene.mMeshes[m] != nullptr) {
            addQuadraticWork(*scene.mMeshes[m], work);
        }
    }
    if (work.steps <= kFreeSteps + kStepsPerCorner * work.corners) {
        return std::nullopt;
    }
    const double polygon = static_cast<double>(work.largestPolygon);
    const double cluster = static_cast<double>(work.largestCluster);
    return polygon >= cluster ? "a polygon of " + std::to_string(work.largestPolygon) + " corners"
                              : std::to_string(work.largestCluster) + " corners at one spot";
}

}  // namespace

ImportedModel importModel(const std::string& path) {
    ImportedModel model;
    if (assets::existsButIsNotRegular(path)) {
        model.status = ImportedModel::Status::ImportFailed;
        model.error = "Model file \"" + path + "\" is not a regular file\n";
        return model;
    }
    Assimp::Importer importer;
    importer.SetIOHandler(new RegularFilesOnly);  // the importer owns and deletes it
    // Read first, then post-process once the scene's cost is known: what ReadFile
    // with the flags would do in one call.
    const aiScene* scene = importer.ReadFile(path, 0);
    if (scene != nullptr) {
        if (const std::optional<std::string> why = tooCostly(*scene)) {
            model.status = ImportedModel::Status::ImportFailed;
            model.error =
                "Model file \"" + path + "\" would take too long to import: " + *why + "\n";
            return model;
        }
        scene = importer.ApplyPostProcessing(kModelImportFlags);
    }
    if (scene == nullptr) {
        model.status = ImportedModel::Status::ImportFailed;
        model.error = importer.GetErrorString();
        return model;
    }
    if (scene->mNumMeshes == 0 || scene->mMeshes == nullptr || scene->mMeshes[0] == nullptr) {
        model.status = ImportedModel::Status::NoMesh;
        return model;
    }

    const aiMesh& mesh = *scene->mMeshes[0];
    // Without vertex positions the other arrays mean nothing either.
    const unsigned vertexCount = mesh.mVertices != nullptr ? mesh.mNumVertices : 0;
    model.status = ImportedModel::Status::Imported;
    model.hasUvs = mesh.mTextureCoords[0] != nullptr && vertexCount > 0;
    copyAttribute(model.positions, mesh.mVertices, vertexCount);
    copyAttribute(model.normals, mesh.mNormals, vertexCount);
    copyAttribute(model.tangents, mesh.mTangents, vertexCount);
    copyAttribute(model.bitangents, mesh.mBitangents, vertexCount);
    copyAttribute(model.uvs, model.hasUvs ? mesh.mTextureCoords[0] : nullptr, vertexCount);

    if (mesh.mFaces != nullptr) {
        model.triangles.reserve(mesh.mNumFaces);
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices == 3 && face.mIndices != nullptr &&
                face.mIndices[0] < vertexCount && face.mIndices[1] < vertexCount &&
                face.mIndices[2] < vertexCount) {
                model.triangles.push_back({face.mIndices[0], face.mIndices[1], face.mIndices[2]});
            }
        }
    }
    return model;
}

}  // namespace tandril::scene
