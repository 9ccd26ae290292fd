// Pictures of the frame: read back from the window and PNG files, as rows of
// 8-bit RGB from the top of the picture down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tandril::tools {

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
