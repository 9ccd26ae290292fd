#include "Image.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include <FreeImage.h>

namespace tandril::assetgen {
namespace {

BYTE toByte(float value) {
    return static_cast<BYTE>(std::clamp(static_cast<int>(value * 255.0f + 0.5f), 0, 255));
}

struct DibDeleter {
    void operator()(FIBITMAP* dib) const { FreeImage_Unload(dib); }
};

}  // namespace

void saveJpeg(const Image& image, const std::filesystem::path& path, Chroma chroma) {
    std::unique_ptr<FIBITMAP, DibDeleter> dib(
        FreeImage_Allocate(image.width(), image.height(), 24));
    if (!dib) {
        throw std::runtime_error("cannot allocate a picture for " + path.string());
    }
    for (int y = 0; y < image.height(); ++y) {
        BYTE* line = FreeImage_GetScanLine(dib.get(), y);
        for (int x = 0; x < image.width(); ++x) {
            const glm::vec3& c = image.at(x, y);
            line[3 * x + FI_RGBA_RED] = toByte(c.r);
            line[3 * x + FI_RGBA_GREEN] = toByte(c.g);
            line[3 * x + FI_RGBA_BLUE] = toByte(c.b);
        }
    }
    std::filesystem::create_directories(path.parent_path());
    // Baseline without metadata: nothing in the file depends on when or where
    // it was written, and every decoder (SOIL included) reads it.
    const int flags = 90 | JPEG_BASELINE | JPEG_OPTIMIZE |
                      (chroma == Chroma::Full ? JPEG_SUBSAMPLING_444 : JPEG_SUBSAMPLING_420);
    if (!FreeImage_Save(FIF_JPEG, dib.get(), path.string().c_str(), flags)) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace tandril::assetgen
