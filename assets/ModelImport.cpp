#include "assets/ModelImport.h"

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
// is skipped.
class RegularFilesOnly : public Assimp::DefaultIOSystem {
  public:
    bool Exists(const char* path) const override { return assets::isRegularFile(path); }
    Assimp::IOStream* Open(const char* path, const char* mode) override {
        return assets::isRegularFile(path) ? DefaultIOSystem::Open(path, mode) : nullptr;
    }
};

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
    const aiScene* scene = importer.ReadFile(path, kModelImportFlags);
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
