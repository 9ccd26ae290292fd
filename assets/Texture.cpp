#include "assets/Texture.h"

#include <array>
#include <cerrno>
#include <cstdio>

#include "assets/FreeImageBitmap.h"
#include "assets/ImageDecode.h"
#include "assets/ImageHeader.h"
#include "base/LoadPhaseTimer.h"

namespace tandril::assets {
namespace {

// Opaque magenta and black squares: unmistakable, yet a complete texture.
constexpr int kPlaceholderSize = 2;
constexpr std::array<unsigned char, 16> kPlaceholderBgra = {
    255, 0, 255, 255, 0,   0, 0,   255,  //
    0,   0, 0,   255, 255, 0, 255, 255,
};

// How often a decode that ran out of memory is tried again at half the size.
constexpr int kMemoryRetries = 3;

// The picture at `target` as 32-bit pixels, or smaller where memory runs short
// while decoding (the driver's copies of the other textures may hold most of
// it): a JPEG then decodes at the smaller size, any picture is converted at it.
Bitmap decode(const std::string& path, const ImageHeader& header, ImageSize target) {
    errno = 0;
    Bitmap image = decodeToBgra(path, header, target);
    for (int retry = 0; !image && errno == ENOMEM && retry < kMemoryRetries; ++retry) {
        const ImageSize smaller = halved(target);
        std::fprintf(stderr,
                     "Warning: image \"%s\" at %s is more than the memory left holds; it is scaled "
                     "down to %s\n",
                     path.c_str(), target.text().c_str(), smaller.text().c_str());
        target = smaller;
        errno = 0;
        image = decodeToBgra(path, header, target);
    }
    return image;
}

// Level 0 from `image` and the mipmaps below it; false when the driver could
// not get the memory. Set-up leaves no OpenGL error pending (each loader's
// test checks), so the one that glGetError reports comes from these calls.
bool upload(FIBITMAP* image) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(FreeImage_GetWidth(image)),
                 static_cast<GLsizei>(FreeImage_GetHeight(image)), 0, GL_BGRA, GL_UNSIGNED_BYTE,
                 FreeImage_GetBits(image));
    glGenerateMipmap(GL_TEXTURE_2D);
    return glGetError() != GL_OUT_OF_MEMORY;
}

// Decodes and uploads the image of `path`, within the driver's largest texture
// and the pixel budget, at half the size for as long as the driver cannot hold
// it; false when it cannot be read, is refused or fits at no size.
bool loadImage(const std::string& path) {
    const ImageHeader header = readImageHeader(path);
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const DecodePlan plan = planDecode(header, largest, "largest texture");
    if (!plan.problem.empty()) {
        return false;
    }
    if (plan.scaledToBudget) {
        std::fprintf(stderr,
                     "Warning: image \"%s\" is %s, more pixels than the %lldx%lld a texture may "
                     "hold; it is scaled down to %s\n",
                     path.c_str(), header.size.text().c_str(), kBudgetSide, kBudgetSide,
                     plan.target.text().c_str());
    }
    for (ImageSize target = plan.target;;) {
        Bitmap image = decode(path, header, target);
        if (!image) {
            return false;
        }
        if (upload(image.get())) {
            return true;
        }
        const ImageSize size = bitmapSize(image.get());
        image.reset();  // the memory a smaller copy needs
        if (size.pixels() == 1) {
            return false;
        }
        target = halved(size);
        std::fprintf(stderr,
                     "Warning: image \"%s\" at %s is more than the driver can hold; it is scaled "
                     "down to %s\n",
                     path.c_str(), size.text().c_str(), target.text().c_str());
    }
}

}  // namespace

Texture::Texture(const std::string& path, GLenum unit) {
    base::PhaseScope phase("texture", path);
    glGenTextures(1, &m_texture);
    glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    beginImageLoad();

    if (!loadImage(path)) {
        std::fprintf(stderr, "Warning: could not load image \"%s\"; using a placeholder\n",
                     path.c_str());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kPlaceholderSize, kPlaceholderSize, 0, GL_BGRA,
                     GL_UNSIGNED_BYTE, kPlaceholderBgra.data());
        glGenerateMipmap(GL_TEXTURE_2D);
    }
}

Texture::~Texture() {
    glDeleteTextures(1, &m_texture);
}

}  // namespace tandril::assets
