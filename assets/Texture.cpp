#include "assets/Texture.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include <FreeImage.h>
#include <SOIL/SOIL.h>

#include "assets/FreeImageBitmap.h"
#include "assets/RegularFile.h"
#include "base/LoadPhaseTimer.h"

namespace tandril::assets {
namespace {

constexpr int kCubeFaces = 6;

// Opaque magenta and black squares: unmistakable, yet a complete texture.
constexpr int kPlaceholderSize = 2;
constexpr std::array<unsigned char, 16> kPlaceholderBgra = {
    255, 0, 255, 255, 0,   0, 0,   255,  //
    0,   0, 0,   255, 255, 0, 255, 255,
};

// A sky face that could not be read: a neutral hazy grey.
constexpr std::array<unsigned char, 3> kMissingFaceRgb = {128, 136, 150};

// The most pixels an image may declare: 8192 x 8192, 256 MiB once decoded to
// 32 bits. Four times a 4K texture, yet a file of a few hundred bytes cannot
// make the decoder allocate and fill gigabytes before any check.
constexpr long long kMaxImagePixels = 8192LL * 8192;

struct ImageSize {
    long long width = 0;
    long long height = 0;
};

// The sizes a GIF declares for its logical screen and its first frame, of which
// the decoder allocates one; the larger of each. FreeImage cannot read a GIF's
// header on its own.
std::optional<ImageSize> gifSize(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const auto byte = [&file] { return file.get(); };
    const auto word = [&byte] {
        const int low = byte();
        return low | (byte() << 8);
    };
    file.ignore(6);  // signature and version
    ImageSize size{word(), word()};
    const int packed = byte();
    file.ignore(2);
    if ((packed & 0x80) != 0) {
        file.ignore(3 << ((packed & 7) + 1));  // global colour table
    }
    for (int block = byte(); file; block = byte()) {
        if (block == 0x2C) {  // image descriptor: left, top, width, height
            file.ignore(4);
            const long long width = word();
            const long long height = word();
            if (!file) {
                return std::nullopt;
            }
            return ImageSize{std::max(size.width, width), std::max(size.height, height)};
        }
        if (block != 0x21) {
            return std::nullopt;  // the trailer, or not a GIF block at all
        }
        byte();  // extension label, then data sub-blocks up to an empty one
        for (int length = byte(); file && length > 0; length = byte()) {
            file.ignore(length);
        }
    }
    return std::nullopt;
}

// The size an image file declares, read without decoding its pixels; nothing
// for a format whose header FreeImage cannot load on its own.
std::optional<ImageSize> declaredSize(FREE_IMAGE_FORMAT format, const std::string& path) {
    if (format == FIF_GIF) {
        return gifSize(path);
    }
    if (!FreeImage_FIFSupportsNoPixels(format)) {
        return std::nullopt;
    }
    const Bitmap header(FreeImage_Load(format, path.c_str(), FIF_LOAD_NOPIXELS));
    if (!header) {
        return std::nullopt;
    }
    return ImageSize{FreeImage_GetWidth(header.get()), FreeImage_GetHeight(header.get())};
}

// Whether the driver takes an image of this size (an upload error would end the
// run later) and it is within the pixel budget.
bool fitsLimit(long long width, long long height, GLenum limitName) {
    GLint limit = 0;
    glGetIntegerv(limitName, &limit);
    return width > 0 && height > 0 && width <= limit && height <= limit &&
           width * height <= kMaxImagePixels;
}

// Only regular files, and only once the header's size has passed the limits:
// what it returns is within them.
Bitmap loadBitmap32(const std::string& path) {
    if (!isRegularFile(path)) {
        return nullptr;
    }
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN) {
        return nullptr;
    }
    const std::optional<ImageSize> size = declaredSize(format, path);
    if (!size || !fitsLimit(size->width, size->height, GL_MAX_TEXTURE_SIZE)) {
        return nullptr;
    }
    Bitmap decoded(FreeImage_Load(format, path.c_str(), 0));
    if (!decoded) {
        return nullptr;
    }
    return Bitmap(FreeImage_ConvertTo32Bits(decoded.get()));
}

// SOIL's JPEG, PNG, BMP and PSD readers; its TGA, HDR and DDS readers crash on
// ordinary files.
bool soilReads(FREE_IMAGE_FORMAT format) {
    return format == FIF_JPEG || format == FIF_PNG || format == FIF_BMP || format == FIF_PSD;
}

// A sky face is handed to SOIL only as a regular file of a format it reads,
// whose header's size passes the cube map's limits.
bool skyFaceLoadable(const std::string& path) {
    if (path.empty() || !isRegularFile(path)) {
        return false;
    }
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (!soilReads(format)) {
        return false;
    }
    const std::optional<ImageSize> size = declaredSize(format, path);
    return size && fitsLimit(size->width, size->height, GL_MAX_CUBE_MAP_TEXTURE_SIZE);
}

struct SoilDeleter {
    void operator()(unsigned char* pixels) const { SOIL_free_image_data(pixels); }
};

struct Face {
    std::unique_ptr<unsigned char, SoilDeleter> pixels;
    int width = 0;
    int height = 0;
};

// The edge length all faces share: that of the first square face, else of the
// first face at all, else 1.
int commonFaceSize(const std::array<Face, kCubeFaces>& faces) {
    for (const Face& face : faces) {
        if (face.pixels && face.width == face.height) {
            return face.width;
        }
    }
    for (const Face& face : faces) {
        if (face.pixels) {
            return std::max(face.width, face.height);
        }
    }
    return 1;
}

std::vector<unsigned char> resampleNearest(const Face& face, int size) {
    std::vector<unsigned char> out(static_cast<std::size_t>(size) * size * 3);
    for (int y = 0; y < size; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * face.height / size);
        for (int x = 0; x < size; ++x) {
            const int sx = static_cast<int>(static_cast<long long>(x) * face.width / size);
            const unsigned char* from =
                face.pixels.get() + (static_cast<std::size_t>(sy) * face.width + sx) * 3;
            std::copy(from, from + 3, out.begin() + (static_cast<std::size_t>(y) * size + x) * 3);
        }
    }
    return out;
}

}  // namespace

Texture::Texture(const std::string& path, GLenum unit) {
    base::PhaseScope phase("texture", path);
    glGenTextures(1, &m_texture);
    glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    FreeImage_Initialise(FALSE);

    const Bitmap image = loadBitmap32(path);
    if (image) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8,
                     static_cast<GLsizei>(FreeImage_GetWidth(image.get())),
                     static_cast<GLsizei>(FreeImage_GetHeight(image.get())), 0, GL_BGRA,
                     GL_UNSIGNED_BYTE, FreeImage_GetBits(image.get()));
    } else {
        std::fprintf(stderr, "Warning: could not load image \"%s\"; using a placeholder\n",
                     path.c_str());
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kPlaceholderSize, kPlaceholderSize, 0, GL_BGRA,
                     GL_UNSIGNED_BYTE, kPlaceholderBgra.data());
    }
    glGenerateMipmap(GL_TEXTURE_2D);
}

Texture::~Texture() {
    glDeleteTextures(1, &m_texture);
}

GLuint loadCubemap(std::vector<std::string> faces) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);

    if (faces.size() > kCubeFaces) {
        std::fprintf(stderr, "Warning: %zu sky faces given; only the first six are used\n",
                     faces.size());
        faces.resize(kCubeFaces);
    }
    faces.resize(kCubeFaces);  // a face with no path is missing like one that fails to load

    FreeImage_Initialise(FALSE);  // for the faces' headers
    std::array<Face, kCubeFaces> loaded;
    for (int i = 0; i < kCubeFaces; ++i) {
        Face& face = loaded[i];
        if (skyFaceLoadable(faces[i])) {
            face.pixels.reset(SOIL_load_image(faces[i].c_str(), &face.width, &face.height, nullptr,
                                              SOIL_LOAD_RGB));
        }
        if (!face.pixels) {
            face = Face{};  // the sizes a failed decode may have left
        }
    }
    const int size = commonFaceSize(loaded);

    // Rows of 3-byte pixels need not be 4-byte aligned.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<unsigned char> fill;
    for (int i = 0; i < kCubeFaces; ++i) {
        const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + i;
        const Face& face = loaded[i];
        if (face.pixels && face.width == size && face.height == size) {
            glTexImage2D(target, 0, GL_RGB8, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE,
                         face.pixels.get());
            continue;
        }
        if (face.pixels) {
            // The driver rejects a face of another shape, which would leave the map
            // incomplete (black); stretch it to fit instead.
            std::fprintf(stderr,
                         "Warning: sky face \"%s\" is %dx%d; cube map faces must be square and "
                         "all one size, so it is scaled to %dx%d\n",
                         faces[i].c_str(), face.width, face.height, size, size);
            const std::vector<unsigned char> scaled = resampleNearest(face, size);
            glTexImage2D(target, 0, GL_RGB8, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE,
                         scaled.data());
            continue;
        }
        std::fprintf(stderr,
                     "Warning: could not load sky face \"%s\"; filling it with a solid colour\n",
                     faces[i].c_str());
        if (fill.empty()) {
            fill.resize(static_cast<std::size_t>(size) * size * 3);
            for (std::size_t p = 0; p < fill.size(); p += 3) {
                std::copy(kMissingFaceRgb.begin(), kMissingFaceRgb.end(), fill.begin() + p);
            }
        }
        glTexImage2D(target, 0, GL_RGB8, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, fill.data());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return texture;
}

}  // namespace tandril::assets
