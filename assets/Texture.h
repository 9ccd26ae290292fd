// 2-D textures from image files, and the sky's cube map.
#pragma once

#include <string>
#include <vector>

#include <GL/glew.h>

namespace tandril::assets {

// A mipmapped RGBA8 texture; a file that cannot be read becomes a small
// opaque placeholder (with a warning) so the texture is always complete. So
// does anything but a regular file, and an image whose header declares more
// than the driver's largest texture or 8192 x 8192 pixels in all.
class Texture {
  public:
    // Leaves the new texture bound on `unit`, which stays the active unit.
    Texture(const std::string& path, GLenum unit);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    GLuint m_texture = 0;
};

// Builds a cube map from up to six images, given to +X, -X, +Y, -Y, +Z, -Z in
// turn. A face that cannot be read is filled with a solid colour at the size of
// the others, so the map stays complete; so is one that is not a regular JPEG,
// PNG, BMP or PSD file, or whose header declares a size beyond the limits of
// 2-D textures.
GLuint loadCubemap(std::vector<std::string> faces);

}  // namespace tandril::assets
