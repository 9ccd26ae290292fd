// A model file read into plain arrays, with no GL involved: what a Mesh
// uploads. Kept apart from Mesh so that it can be driven without a context.
#pragma once

#include <string>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "assets/Adjacency.h"

namespace tandril::scene {

// Tangent space, identical vertices joined, polygons triangulated, primitives
// sorted by type (0x800B).
extern const unsigned kModelImportFlags;

struct ImportedModel {
    enum class Status {
        Imported,      // the arrays hold the file's first mesh
        ImportFailed,  // not a regular file, the importer refused it, or its post-processing
                       // would take far longer than the file's size warrants; `error` says why
        NoMesh,        // the file imported but holds no mesh
    };
    Status status = Status::ImportFailed;
    std::string error;

    // One element per imported vertex in every array; zeros where the model
    // lacks the attribute.
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
    std::vector<glm::vec2> uvs;  // set 0 as the file gives it, not yet scaled
    std::vector<glm::vec3> tangents;
    std::vector<glm::vec3> bitangents;
    bool hasUvs = false;

    // The mesh's triangles; points, lines and faces naming a vertex that does
    // not exist are left out.
    std::vector<Triangle> triangles;
};

// Imports `path` with kModelImportFlags and copies out the first mesh. The
// post-processing runs only when its cost, which grows with the square of a
// polygon's corners and of the corners at one spot, stays within a bound that
// grows with the model's size: a second or two for any model up to a million
// triangles.
ImportedModel importModel(const std::string& path);

}  // namespace tandril::scene
