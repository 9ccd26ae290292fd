// 2-D textures from image files (the sky's cube map is Cubemap.h's).
#pragma once

#include <string>

#include <GL/glew.h>

namespace tandril::assets {

// A mipmapped RGBA8 texture from any image FreeImage decodes, 16-bit, float
// and HDR pictures brought to 8 bits a channel. A picture of more pixels than
// the budget (ImageHeader.h) is scaled down to it, one the driver cannot hold
// is given half the size until it fits, each with a warning. A file that
// cannot be read becomes a small opaque placeholder (with a warning) so the
// texture is always complete; so does anything but a regular file, an image
// larger than the driver's largest texture, and one whose header declares
// more pixels than the budget and than its file can hold.
class Texture {
  public:
    // Leaves the new texture bound on `unit`, which stays the active unit.
    Texture(const std::string& path, GLenum unit);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    GLuint m_texture = 0;
};

}  // namespace tandril::assets
