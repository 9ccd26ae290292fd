#include "tools/common/Picture.h"

#include <algorithm>

#include <FreeImage.h>
#include <GL/glew.h>

#include "assets/FreeImageBitmap.h"

namespace tandril::tools {

using assets::Bitmap;

Picture readBackBuffer(int width, int height) {
    return {width, height,
            readBackBufferAs<std::uint8_t>(GL_RGB, GL_UNSIGNED_BYTE, 3, width, height)};
}

bool writePng(const std::string& path, const Picture& picture) {
    Bitmap bitmap(FreeImage_Allocate(picture.width, picture.height, 24));
    if (!bitmap) {
        return false;
    }
    for (int y = 0; y < picture.height; ++y) {
        // FreeImage stores the bottom row first, in its own channel order.
        BYTE* line = FreeImage_GetScanLine(bitmap.get(), picture.height - 1 - y);
        const std::uint8_t* source = &picture.rgb[std::size_t(y) * picture.width * 3];
        for (int x = 0; x < picture.width; ++x) {
            line[3 * x + FI_RGBA_RED] = source[3 * x];
            line[3 * x + FI_RGBA_GREEN] = source[3 * x + 1];
            line[3 * x + FI_RGBA_BLUE] = source[3 * x + 2];
        }
    }
    return FreeImage_Save(FIF_PNG, bitmap.get(), path.c_str(), PNG_Z_BEST_COMPRESSION) != 0;
}

Picture readImage(const std::string& path) {
    Bitmap decoded(FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0));
    if (!decoded) {
        return {};
    }
    Bitmap rgb(FreeImage_ConvertTo24Bits(decoded.get()));
    if (!rgb) {
        return {};
    }
    Picture picture;
    picture.width = static_cast<int>(FreeImage_GetWidth(rgb.get()));
    picture.height = static_cast<int>(FreeImage_GetHeight(rgb.get()));
    picture.rgb.resize(std::size_t(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y) {
        const BYTE* line = FreeImage_GetScanLine(rgb.get(), picture.height - 1 - y);
        std::uint8_t* target = &picture.rgb[std::size_t(y) * picture.width * 3];
        for (int x = 0; x < picture.width; ++x) {
            target[3 * x] = line[3 * x + FI_RGBA_RED];
            target[3 * x + 1] = line[3 * x + FI_RGBA_GREEN];
            target[3 * x + 2] = line[3 * x + FI_RGBA_BLUE];
        }
    }
    return picture;
}

}  // namespace tandril::tools
