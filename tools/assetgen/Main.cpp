// tandril_assetgen <output-root>: writes the demo's models (objects/*.obj)
// and textures (textures/**.jpg) under the given folder. The output depends
// on nothing but this code, so the committed files can be checked against a
// fresh run.
#include <cstdio>
#include <exception>
#include <filesystem>

#include "Models.h"
#include "Textures.h"

namespace {

using namespace tandril::assetgen;

void model(const std::filesystem::path& root, const char* file, const char* name,
           const Mesh& mesh) {
    const std::size_t triangles = writeObj(mesh, name, root / "objects" / file);
    std::printf("objects/%s: %zu triangles\n", file, triangles);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output-root>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    try {
        model(root, "cube.obj", "cube", makeCube());
        model(root, "plane.obj", "street", makeStreet());
        model(root, "street_lamp2.obj", "street_lamp", makeStreetLamp());
        model(root, "hausreihe_wuerfel_alleCords.obj", "house_row", makeHouseRow());
        model(root, "Porsche_911_GT2.obj", "sports_car", makeCar());
        writeTextures(root / "textures");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
