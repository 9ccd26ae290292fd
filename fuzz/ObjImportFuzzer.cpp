// Arbitrary bytes as an OBJ model file, imported exactly as a Mesh imports
// one (same importer, same post-processing), then built with adjacency as the
// cubes and the street are. Whatever the file holds, the import must give
// arrays of one length and triangles that name only vertices that exist.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/Adjacency.h"
#include "assets/ModelImport.h"

using tandril::scene::AdjacencyData;
using tandril::scene::buildAdjacency;
using tandril::scene::ImportedModel;
using tandril::scene::importModel;

namespace {

// The importer reads from a path, so each input goes to a file of its own in a
// private directory, where a "mtllib" line finds nothing else to read.
std::string modelDirectory;
std::string modelPath;

void removeModelFile() {
    std::remove(modelPath.c_str());
    rmdir(modelDirectory.c_str());
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "import invariant broken: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/tandril-obj-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    modelDirectory = pattern;
    modelPath = pattern + "/model.obj";
    std::atexit(removeModelFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(modelPath.c_str(), "wb");
    if (file == nullptr) {
        std::perror("fopen");
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);

    const ImportedModel model = importModel(modelPath);
    if (model.status != ImportedModel::Status::Imported) {
        if (!model.positions.empty() || !model.triangles.empty()) {
            fail("a failed import carries geometry");
        }
        return 0;
    }
    const std::size_t vertices = model.positions.size();
    if (model.normals.size() != vertices || model.uvs.size() != vertices ||
        model.tangents.size() != vertices || model.bitangents.size() != vertices) {
        fail("attribute arrays of different lengths");
    }
    if (model.hasUvs && vertices == 0) {
        fail("texture coordinates without vertices");
    }
    for (const auto& triangle : model.triangles) {
        for (std::uint32_t index : triangle) {
            if (index >= vertices) {
                fail("triangle names a vertex that does not exist");
            }
        }
    }

    AdjacencyData adjacency;
    std::vector<std::uint32_t> indices;
    buildAdjacency(model.triangles, model.positions, adjacency, indices);
    if (indices.size() != 6 * model.triangles.size()) {
        fail("adjacency does not give six indices per triangle");
    }
    for (std::uint32_t index : indices) {
        if (index >= vertices) {
            fail("adjacency names a vertex that does not exist");
        }
    }
    return 0;
}
