// A floating-point RGB picture and its JPEG encoding.
#pragma once

#include <filesystem>
#include <vector>

#include <glm/vec3.hpp>

namespace tandril::assetgen {

// Row 0 is the bottom of the picture as viewed (texture v = 0), the order in
// which FreeImage stores scanlines. Colours are display values in [0, 1].
class Image {
  public:
    Image(int width, int height)
        : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width) * height) {}

    int width() const { return m_width; }
    int height() const { return m_height; }
    glm::vec3& at(int x, int y) { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }
    const glm::vec3& at(int x, int y) const {
        return m_pixels[static_cast<std::size_t>(y) * m_width + x];
    }

  private:
    int m_width;
    int m_height;
    std::vector<glm::vec3> m_pixels;
};

enum class Chroma {
    Subsampled,  // 4:2:0, smallest; right for pictures
    Full,        // 4:4:4, for data such as normal maps where colour carries direction
};

// Writes a baseline JPEG (quality 90) and creates the parent folders; throws
// std::runtime_error when the file cannot be written.
void saveJpeg(const Image& image, const std::filesystem::path& path, Chroma chroma);

}  // namespace tandril::assetgen
