#include "assets/Cubemap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

#include <SOIL/SOIL.h>

#include "assets/FreeImageBitmap.h"
#include "assets/ImageDecode.h"
#include "assets/ImageHeader.h"

namespace tandril::assets {
namespace {

constexpr int kCubeFaces = 6;

// A sky face that could not be read: a neutral hazy grey.
constexpr std::array<unsigned char, 3> kMissingFaceRgb = {128, 136, 150};

// SOIL's JPEG, PNG, BMP and PSD readers; its TGA, HDR and DDS readers crash on
// ordinary files, and it reads no other format.
bool soilReads(FREE_IMAGE_FORMAT format) {
    return format == FIF_JPEG || format == FIF_PNG || format == FIF_BMP || format == FIF_PSD;
}

// One face's file: what its header declares and at what size it is decoded.
struct FaceFile {
    std::string path;
    ImageHeader header;
    DecodePlan plan;

    bool readable() const { return plan.problem.empty(); }
};

FaceFile readFaceFile(const std::string& path, GLint largestSide) {
    FaceFile file{path, {}, {}};
    if (path.empty()) {
        file.plan.problem = "no path given";
        return file;
    }
    file.header = readImageHeader(path);
    file.plan = planDecode(file.header, largestSide, "largest cube map face");
    return file;
}

// The edge length the files agree on: of the squares that hold as many pixels
// as each readable file holds, the lower median, so that at most two of six
// faces are enlarged to it (none is made far larger than its file); 1 when no
// file is readable.
long long filesFaceSize(const std::array<FaceFile, kCubeFaces>& files) {
    std::vector<long long> sides;
    for (const FaceFile& file : files) {
        if (file.readable()) {
            const auto held = static_cast<double>(file.header.heldPixels());
            sides.push_back(std::max(1LL, static_cast<long long>(std::sqrt(held))));
        }
    }
    if (sides.empty()) {
        return 1;
    }
    std::sort(sides.begin(), sides.end(), std::greater<>());
    return sides[sides.size() / 2];
}

// The largest size up to `size`, halving, of six faces that the driver can
// make, with storage allocated for them on the bound cube map.
long long allocateFaces(long long size) {
    for (;; size /= 2) {
        const auto side = static_cast<GLsizei>(size);
        glTexImage2D(GL_PROXY_TEXTURE_CUBE_MAP, 0, GL_RGB8, side, side, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     nullptr);
        GLint width = 0;
        glGetTexLevelParameteriv(GL_PROXY_TEXTURE_CUBE_MAP, 0, GL_TEXTURE_WIDTH, &width);
        if (width == 0 && size > 1) {
            continue;
        }
        for (int i = 0; i < kCubeFaces; ++i) {
            glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_RGB8, side, side, 0, GL_RGB,
                         GL_UNSIGNED_BYTE, nullptr);
        }
        // Set-up leaves no OpenGL error pending (each loader's test checks).
        if (glGetError() != GL_OUT_OF_MEMORY || size == 1) {
            return size;
        }
    }
}

struct SoilDeleter {
    void operator()(unsigned char* pixels) const { SOIL_free_image_data(pixels); }
};

// A decoded face: tightly packed RGB rows, top row first, from SOIL or
// from FreeImage.
struct Face {
    std::unique_ptr<unsigned char, SoilDeleter> soilPixels;
    std::vector<unsigned char> ownPixels;
    int width = 0;
    int height = 0;

    bool decoded() const { return soilPixels || !ownPixels.empty(); }
    const unsigned char* pixels() const { return soilPixels ? soilPixels.get() : ownPixels.data(); }
};

// FreeImage's 32-bit rows, bottom first, as a face's RGB rows, top first.
Face faceFromBgra(FIBITMAP* image) {
    Face face;
    face.width = static_cast<int>(FreeImage_GetWidth(image));
    face.height = static_cast<int>(FreeImage_GetHeight(image));
    face.ownPixels.reserve(static_cast<std::size_t>(face.width) * face.height * 3);
    for (int y = face.height - 1; y >= 0; --y) {
        const BYTE* row = FreeImage_GetScanLine(image, y);
        for (int x = 0; x < face.width; ++x) {
            const BYTE* bgra = row + 4 * x;
            face.ownPixels.insert(face.ownPixels.end(), {bgra[2], bgra[1], bgra[0]});
        }
    }
    return face;
}

// Decodes a readable face: with SOIL where it reads the format and the
// picture needs no scaling on the way, else or after it failed with FreeImage.
// An empty face when both fail, with `why` saying what each said.
Face decodeFace(const FaceFile& file, std::string& why) {
    Face face;
    if (soilReads(file.header.format) && !file.plan.scaledToBudget) {
        face.soilPixels.reset(
            SOIL_load_image(file.path.c_str(), &face.width, &face.height, nullptr, SOIL_LOAD_RGB));
        if (face.soilPixels) {
            return face;
        }
        why = std::string("SOIL: ") + SOIL_last_result() + "; ";
    }
    const Bitmap image = decodeToBgra(file.path, file.header, file.plan.target);
    if (image) {
        return faceFromBgra(image.get());
    }
    why += "FreeImage: " + (decoderMessage().empty() ? "cannot decode it" : decoderMessage());
    return Face{};
}

std::vector<unsigned char> resampleNearest(const Face& face, int size) {
    std::vector<unsigned char> out(static_cast<std::size_t>(size) * size * 3);
    for (int y = 0; y < size; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * face.height / size);
        for (int x = 0; x < size; ++x) {
            const int sx = static_cast<int>(static_cast<long long>(x) * face.width / size);
            const unsigned char* from =
                face.pixels() + (static_cast<std::size_t>(sy) * face.width + sx) * 3;
            std::copy(from, from + 3, out.begin() + (static_cast<std::size_t>(y) * size + x) * 3);
        }
    }
    return out;
}

}  // namespace

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

    beginImageLoad();  // for the faces' headers and the faces SOIL cannot decode
    GLint largestSide = 0;
    glGetIntegerv(GL_MAX_CUBE_MAP_TEXTURE_SIZE, &largestSide);
    std::array<FaceFile, kCubeFaces> files;
    for (int i = 0; i < kCubeFaces; ++i) {
        files[i] = readFaceFile(faces[i], largestSide);
    }

    // The size is settled before any face is decoded, so that only one decoded
    // face is held at a time.
    const long long agreed = filesFaceSize(files);
    const long long limit = std::min<long long>({agreed, kBudgetSide, largestSide});
    if (limit < agreed) {
        std::fprintf(stderr,
                     "Warning: sky faces of %lldx%lld are more than the %lldx%lld a face may hold; "
                     "they are scaled down to %lldx%lld\n",
                     agreed, agreed, limit, limit, limit, limit);
    }
    const long long held = allocateFaces(limit);
    if (held < limit) {
        std::fprintf(stderr,
                     "Warning: sky faces of %lldx%lld are more than the driver can hold; they are "
                     "scaled down to %lldx%lld\n",
                     limit, limit, held, held);
    }
    const int size = static_cast<int>(held);

    // Rows of 3-byte pixels need not be 4-byte aligned.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<unsigned char> fill;
    for (int i = 0; i < kCubeFaces; ++i) {
        const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + i;
        const FaceFile& file = files[i];
        std::string why = file.plan.problem;
        const Face face = file.readable() ? decodeFace(file, why) : Face{};
        if (face.decoded() && face.width == size && face.height == size) {
            glTexSubImage2D(target, 0, 0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, face.pixels());
            continue;
        }
        if (face.decoded()) {
            // The driver rejects a face of another shape, which would leave the map
            // incomplete (black); stretch it to fit instead. Faces of the size the
            // files agree on are scaled for a limit, reported above.
            if (!(file.header.size == ImageSize{agreed, agreed})) {
                std::fprintf(stderr,
                             "Warning: sky face \"%s\" is %s; cube map faces must be square and "
                             "all one size, so it is scaled to %dx%d\n",
                             file.path.c_str(), file.header.size.text().c_str(), size, size);
            }
            const std::vector<unsigned char> scaled = resampleNearest(face, size);
            glTexSubImage2D(target, 0, 0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, scaled.data());
            continue;
        }
        std::fprintf(stderr,
                     "Warning: could not load sky face \"%s\" (%s); filling it with a solid "
                     "colour\n",
                     file.path.c_str(), why.c_str());
        if (fill.empty()) {
            fill.resize(static_cast<std::size_t>(size) * size * 3);
            for (std::size_t p = 0; p < fill.size(); p += 3) {
                std::copy(kMissingFaceRgb.begin(), kMissingFaceRgb.end(), fill.begin() + p);
            }
        }
        glTexSubImage2D(target, 0, 0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, fill.data());
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
