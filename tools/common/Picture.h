// Pictures of the frame: read back from the window and PNG files, as rows of
// 8-bit RGB from the top of the picture down.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <GL/glew.h>

namespace tandril::tools {

// Rows of `channels` values each, as the GL gives them bottom row first,
// turned top row first.
template <typename T>
std::vector<T> topRowFirst(const std::vector<T>& bottomUp, int width, int height, int channels) {
    std::vector<T> rows(bottomUp.size());
    const std::size_t row = std::size_t(width) * std::size_t(channels);
    for (int y = 0; y < height; ++y) {
        std::copy_n(bottomUp.begin() + std::ptrdiff_t(row * std::size_t(height - 1 - y)), row,
                    rows.begin() + std::ptrdiff_t(row * std::size_t(y)));
    }
    return rows;
}

// What the back buffer of the current window holds in `format` after the GL
// work so far has finished, `channels` values of `type` a pixel, top row first.
template <typename T>
std::vector<T> readBackBufferAs(GLenum format, GLenum type, int channels, int width, int height) {
    std::vector<T> bottomUp(std::size_t(width) * std::size_t(height) * std::size_t(channels));
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, format, type, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return topRowFirst(bottomUp, width, height, channels);
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, top row first
};

// The back buffer of the current window after the GL work so far has finished.
Picture readBackBuffer(int width, int height);

bool writePng(const std::string& path, const Picture& picture);
// Any image file FreeImage reads (PNG, JPEG, ...); an empty picture when the
// file cannot be read as one.
Picture readImage(const std::string& path);

}  // namespace tandril::tools
