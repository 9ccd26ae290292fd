// 2-D textures and the sky's cube map on the real driver, from small images
// that the tests write with FreeImage and read back from the textures.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include "assets/Cubemap.h"
#include "assets/ShaderProgram.h"
#include "assets/Texture.h"
#include "support/GlContext.h"
#include "support/Process.h"

namespace tandril::assets {
namespace {

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
    bool operator==(const Rgba&) const = default;
};

void PrintTo(const Rgba& c, std::ostream* out) {
    *out << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a) << ")";
}

using Pixels = std::vector<Rgba>;

// A picture as it is seen: `rows` top row first, all of one length.
struct Picture {
    int width = 0;
    int height = 0;
    Pixels topFirst;

    static Picture solid(int width, int height, Rgba colour) {
        return {width, height, Pixels(static_cast<std::size_t>(width) * height, colour)};
    }
    // Every pixel different, so a shifted row or a swapped channel shows.
    static Picture gradient(int width, int height, std::uint8_t seed) {
        Picture p{width, height, {}};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                p.topFirst.push_back({static_cast<std::uint8_t>(seed + 37 * x + 3 * y),
                                      static_cast<std::uint8_t>(200 - 29 * y - x),
                                      static_cast<std::uint8_t>(seed * 7 + 11 * (x + width * y)),
                                      255});
            }
        }
        return p;
    }
    Rgba at(int x, int y) const { return topFirst[static_cast<std::size_t>(y) * width + x]; }
    // The same pixels with the bottom row first.
    Pixels bottomFirst() const {
        Pixels flipped;
        for (int y = height - 1; y >= 0; --y) {
            for (int x = 0; x < width; ++x) {
                flipped.push_back(at(x, y));
            }
        }
        return flipped;
    }
};

// FreeImage counts scan lines from the bottom of the picture.
void writePicture(const std::filesystem::path& path, FREE_IMAGE_FORMAT format,
                  const Picture& picture, unsigned bpp = 24, int flags = 0) {
    FIBITMAP* bitmap = FreeImage_Allocate(picture.width, picture.height, bpp);
    ASSERT_NE(bitmap, nullptr);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const Rgba c = picture.at(x, y);
            RGBQUAD quad{c.b, c.g, c.r, c.a};
            FreeImage_SetPixelColor(bitmap, x, picture.height - 1 - y, &quad);
        }
    }
    ASSERT_TRUE(FreeImage_Save(format, bitmap, path.c_str(), flags)) << path;
    FreeImage_Unload(bitmap);
}

// An 8-bit image: `indices` top row first into `palette`.
void writeIndexed(const std::filesystem::path& path, FREE_IMAGE_FORMAT format, int width,
                  int height, const std::vector<std::uint8_t>& indices, const Pixels& palette) {
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, 8);
    ASSERT_NE(bitmap, nullptr);
    RGBQUAD* entries = FreeImage_GetPalette(bitmap);
    for (std::size_t i = 0; i < 256; ++i) {
        const Rgba c = i < palette.size() ? palette[i] : Rgba{0, 0, 0, 255};
        entries[i] = {c.b, c.g, c.r, 0};
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE index = indices[static_cast<std::size_t>(y) * width + x];
            FreeImage_SetPixelIndex(bitmap, x, height - 1 - y, &index);
        }
    }
    ASSERT_TRUE(FreeImage_Save(format, bitmap, path.c_str(), 0)) << path;
    FreeImage_Unload(bitmap);
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

GLint levelParameter(GLenum target, int level, GLenum name) {
    GLint value = -1;
    glGetTexLevelParameteriv(target, level, name, &value);
    return value;
}

// Level `level` of the 2-D or cube-face `target` of the texture bound on unit 0.
Pixels readImage(GLenum target, int level) {
    const GLint width = levelParameter(target, level, GL_TEXTURE_WIDTH);
    const GLint height = levelParameter(target, level, GL_TEXTURE_HEIGHT);
    Pixels pixels(static_cast<std::size_t>(width) * height);
    if (!pixels.empty()) {
        glGetTexImage(target, level, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    }
    return pixels;
}

Pixels readTexture(GLuint texture, int level = 0) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    return readImage(GL_TEXTURE_2D, level);
}

GLint textureParameter(GLenum target, GLenum name) {
    GLint value = -1;
    glGetTexParameteriv(target, name, &value);
    return value;
}

GLint integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

void expectNear(const Rgba& actual, const Rgba& expected, int tolerance) {
    EXPECT_NEAR(actual.r, expected.r, tolerance);
    EXPECT_NEAR(actual.g, expected.g, tolerance);
    EXPECT_NEAR(actual.b, expected.b, tolerance);
    EXPECT_EQ(actual.a, expected.a);
}

// Every level of a mipmapped 2-D texture bound on unit 0 is present, each half
// the size of the one above (rounded down, never below 1), down to 1x1.
void expectFullMipChain() {
    GLint width = levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH);
    GLint height = levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT);
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    int level = 0;
    while (width > 1 || height > 1) {
        ++level;
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH), width)
            << "level " << level;
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT), height)
            << "level " << level;
    }
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, level + 1, GL_TEXTURE_WIDTH), 0);
}

class TextureTest : public test::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        FreeImage_Initialise(FALSE);
    }
    void TearDown() override { FreeImage_DeInitialise(); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    // Loads `file` and returns what the texture holds at level 0.
    Pixels load(const std::string& file) {
        Texture texture(file, GL_TEXTURE0);
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
        Pixels pixels = readTexture(texture.m_texture);
        expectNoGlError();
        return pixels;
    }

    test::ScratchDir m_dir{false};
};

// Lossless formats that FreeImage stores top-down (PNG, TGA by default) and
// bottom-up (BMP): the texture starts with the bottom row either way.
class LosslessTextureTest : public TextureTest,
                            public ::testing::WithParamInterface<FREE_IMAGE_FORMAT> {};

TEST_P(LosslessTextureTest, ColoursLandInPlaceWithTheBottomRowFirst) {
    // Eight colours whose red and blue differ, so swapped channels show.
    const Picture picture{4,
                          2,
                          {{255, 0, 0},
                           {0, 255, 0},
                           {0, 0, 255},
                           {255, 255, 0},
                           {0, 255, 255},
                           {255, 0, 255},
                           {250, 128, 10},
                           {10, 60, 200}}};
    const std::string file = path(std::string("colours.") + FreeImage_GetFormatFromFIF(GetParam()));
    writePicture(file, GetParam(), picture);
    EXPECT_EQ(load(file), picture.bottomFirst());
}

INSTANTIATE_TEST_SUITE_P(, LosslessTextureTest, ::testing::Values(FIF_PNG, FIF_BMP, FIF_TARGA),
                         [](const ::testing::TestParamInfo<FREE_IMAGE_FORMAT>& info) {
                             return std::string(FreeImage_GetFormatFromFIF(info.param));
                         });

TEST_F(TextureTest, JpegWithoutAlphaBecomesOpaque) {
    const Rgba colour{200, 40, 90, 255};
    writePicture(path("solid.jpg"), FIF_JPEG, Picture::solid(16, 8, colour), 24,
                 JPEG_QUALITYSUPERB);
    const Pixels pixels = load(path("solid.jpg"));
    ASSERT_EQ(pixels.size(), 16u * 8u);
    for (const Rgba& p : pixels) {
        expectNear(p, colour, 6);
    }
}

TEST_F(TextureTest, PngAlphaIsKept) {
    const Picture picture{
        4, 1, {{255, 0, 0, 0}, {0, 255, 0, 64}, {0, 0, 255, 128}, {90, 30, 200, 255}}};
    writePicture(path("alpha.png"), FIF_PNG, picture, 32);
    EXPECT_EQ(load(path("alpha.png")), picture.bottomFirst());
}

TEST_F(TextureTest, GreyscaleIsExpandedToOpaqueGrey) {
    const std::vector<std::uint8_t> values = {0, 60, 130, 255, 17, 99, 200, 241};
    Pixels greys;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        greys.push_back({v, v, v, 255});
    }
    writeIndexed(path("grey.png"), FIF_PNG, 4, 2, values, greys);
    const Pixels pixels = load(path("grey.png"));
    const Pixels expected = {greys[17], greys[99], greys[200], greys[241],
                             greys[0],  greys[60], greys[130], greys[255]};
    EXPECT_EQ(pixels, expected);
}

TEST_F(TextureTest, PaletteImageIsExpandedToItsColours) {
    const Pixels palette = {{250, 10, 20}, {5, 180, 90}, {30, 40, 220}};
    const std::vector<std::uint8_t> indices = {0, 1, 2, 1, 2, 2, 0, 0};
    writeIndexed(path("palette.bmp"), FIF_BMP, 4, 2, indices, palette);
    const Pixels pixels = load(path("palette.bmp"));
    const Pixels expected = {palette[2], palette[2], palette[0], palette[0],
                             palette[0], palette[1], palette[2], palette[1]};
    EXPECT_EQ(pixels, expected);
}

TEST_F(TextureTest, FullMipChainIsGeneratedFromTheImage) {
    const Rgba colour{30, 160, 220, 255};
    writePicture(path("odd.png"), FIF_PNG, Picture::solid(37, 20, colour));
    Texture texture(path("odd.png"), GL_TEXTURE0);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 37);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 20);
    expectFullMipChain();
    // The smallest level averages the image, not undefined memory.
    const Pixels smallest = readTexture(texture.m_texture, 5);
    ASSERT_EQ(smallest.size(), 1u);
    expectNear(smallest[0], colour, 1);
    expectNoGlError();
}

TEST_F(TextureTest, NewTextureStaysBoundOnItsUnitWhichStaysActive) {
    writePicture(path("small.png"), FIF_PNG, Picture::gradient(2, 2, 5));
    GLuint other = 0;
    glGenTextures(1, &other);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, other);

    Texture texture(path("small.png"), GL_TEXTURE2);

    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE2);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture.m_texture));
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(other));
    glDeleteTextures(1, &other);
    expectNoGlError();
}

TEST_F(TextureTest, SamplingKeepsTheDefaultsSoCoordinatesRepeat) {
    writePicture(path("small.png"), FIF_PNG, Picture::gradient(2, 2, 5));
    Texture texture(path("small.png"), GL_TEXTURE0);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
}

TEST_F(TextureTest, ReadableImageWritesNoWarning) {
    writePicture(path("fine.png"), FIF_PNG, Picture::gradient(3, 3, 9));
    testing::internal::CaptureStderr();
    Texture texture(path("fine.png"), GL_TEXTURE0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(TextureTest, DeletingATextureReleasesItsGlName) {
    writePicture(path("small.png"), FIF_PNG, Picture::gradient(2, 2, 5));
    auto texture = std::make_unique<Texture>(path("small.png"), GL_TEXTURE0);
    const GLuint name = texture->m_texture;
    ASSERT_TRUE(glIsTexture(name));
    texture.reset();
    EXPECT_FALSE(glIsTexture(name));
}

// Images that cannot be read or decoded, each made by its own recipe.
struct BadImage {
    const char* name;
    std::string (*make)(const test::ScratchDir& dir);
};

void PrintTo(const BadImage& image, std::ostream* out) {
    *out << image.name;
}

class UnreadableTextureTest : public TextureTest, public ::testing::WithParamInterface<BadImage> {};

TEST_P(UnreadableTextureTest, WarnsNamingThePathAndGivesACompleteOpaquePlaceholder) {
    const std::string file = GetParam().make(m_dir);
    testing::internal::CaptureStderr();
    Texture texture(file, GL_TEXTURE0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(file), std::string::npos) << err;

    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
    expectFullMipChain();
    const Pixels pixels = readTexture(texture.m_texture);
    ASSERT_FALSE(pixels.empty());
    for (const Rgba& p : pixels) {
        EXPECT_EQ(p.a, 255);
    }
    expectNoGlError();
}

std::string jpegBytes(const test::ScratchDir& dir) {
    writePicture(dir / "whole.jpg", FIF_JPEG, Picture::gradient(16, 16, 3));
    return readBytes(dir / "whole.jpg");
}

// What both the 2-D textures and the sky faces meet.
const BadImage kMissingFile{
    "MissingFile", [](const test::ScratchDir& dir) { return (dir / "missing.png").string(); }};
const BadImage kEmptyFile{"EmptyFile", [](const test::ScratchDir& dir) {
                              dir.write("empty.png", "");
                              return (dir / "empty.png").string();
                          }};
const BadImage kGarbageBytes{"GarbageBytes", [](const test::ScratchDir& dir) {
                                 dir.write("garbage.jpg", std::string(300, '\x5a'));
                                 return (dir / "garbage.jpg").string();
                             }};

INSTANTIATE_TEST_SUITE_P(
    , UnreadableTextureTest,
    ::testing::Values(
        kMissingFile, kEmptyFile, kGarbageBytes,
        BadImage{"JpegCutBeforeItsImageData",
                 [](const test::ScratchDir& dir) {
                     const std::string bytes = jpegBytes(dir);
                     const std::size_t scanStart = bytes.find("\xFF\xDA");
                     EXPECT_NE(scanStart, std::string::npos);
                     dir.write("cut.jpg", bytes.substr(0, scanStart));
                     return (dir / "cut.jpg").string();
                 }},
        BadImage{"JpegMarkerFollowedByGarbage",
                 [](const test::ScratchDir& dir) {
                     dir.write("corrupt.jpg", "\xFF\xD8\xFF" + std::string(200, 'x'));
                     return (dir / "corrupt.jpg").string();
                 }},
        BadImage{"PngCutInHalf",
                 [](const test::ScratchDir& dir) {
                     writePicture(dir / "whole.png", FIF_PNG, Picture::gradient(16, 16, 3));
                     const std::string bytes = readBytes(dir / "whole.png");
                     dir.write("half.png", bytes.substr(0, bytes.size() / 2));
                     return (dir / "half.png").string();
                 }},
        BadImage{"Directory",
                 [](const test::ScratchDir& dir) {
                     std::filesystem::create_directories(dir / "folder.png");
                     return (dir / "folder.png").string();
                 }},
        BadImage{
            "WiderThanTheDriverAllows",
            [](const test::ScratchDir& dir) {
                const int width = integer(GL_MAX_TEXTURE_SIZE) + 1;
                writePicture(dir / "wide.png", FIF_PNG, Picture::solid(width, 1, {1, 2, 3, 255}));
                return (dir / "wide.png").string();
            }}),
    [](const ::testing::TestParamInfo<BadImage>& info) { return info.param.name; });

// --- The cube map ---------------------------------------------------------

constexpr GLenum kFaceTargets[6] = {
    GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_Y,
    GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z,
};

// The direction through the centre of each face, in the order above.
constexpr float kFaceDirections[6][3] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                         {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};

class CubemapTest : public TextureTest {
  protected:
    void TearDown() override {
        glDeleteTextures(1, &m_cubemap);
        TextureTest::TearDown();
    }

    // Writes six faces of `size`, each its own gradient; returns their paths.
    std::vector<std::string> writeFaces(int size, int count = 6) {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(path("face" + std::to_string(i) + ".png"));
            m_pictures.push_back(Picture::gradient(size, size, static_cast<std::uint8_t>(40 * i)));
            writePicture(paths.back(), FIF_PNG, m_pictures.back());
        }
        return paths;
    }

    // Loads the faces, capturing what was written on standard error.
    void load(const std::vector<std::string>& faces) {
        testing::internal::CaptureStderr();
        m_cubemap = loadCubemap(faces);
        m_err = testing::internal::GetCapturedStderr();
        expectNoGlError();
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_CUBE_MAP, m_cubemap);
    }

    Pixels face(int i) { return readImage(kFaceTargets[i], 0); }
    GLint faceWidth(int i) { return levelParameter(kFaceTargets[i], 0, GL_TEXTURE_WIDTH); }
    GLint faceHeight(int i) { return levelParameter(kFaceTargets[i], 0, GL_TEXTURE_HEIGHT); }

    // Face `i` is a square of one solid colour at `size`.
    void expectSolidFace(int i, int size) {
        SCOPED_TRACE("face " + std::to_string(i));
        EXPECT_EQ(faceWidth(i), size);
        EXPECT_EQ(faceHeight(i), size);
        const Pixels pixels = face(i);
        ASSERT_FALSE(pixels.empty());
        for (const Rgba& p : pixels) {
            EXPECT_EQ(p, pixels.front());
        }
    }

    // What a draw samples from the map through the centre of face `i`; an
    // incomplete map samples as black.
    Rgba sample(int i) {
        test::ScratchDir shaders(false);
        shaders.write("sky.vert",
                      "#version 330 core\n"
                      "void main() {\n"
                      "    vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0,\n"
                      "                       gl_VertexID == 2 ? 3.0 : -1.0);\n"
                      "    gl_Position = vec4(corner, 0.0, 1.0);\n"
                      "}\n");
        shaders.write("sky.frag",
                      "#version 330 core\n"
                      "uniform samplerCube sky;\n"
                      "uniform vec3 direction;\n"
                      "out vec4 colour;\n"
                      "void main() { colour = texture(sky, direction); }\n");
        GLuint vertex = 0;
        GLuint fragment = 0;
        ShaderProgram::compileShaderFile((shaders / "sky.vert").string(), GL_VERTEX_SHADER, vertex);
        ShaderProgram::compileShaderFile((shaders / "sky.frag").string(), GL_FRAGMENT_SHADER,
                                         fragment);
        const GLuint program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_TRUE(linked);

        GLuint framebuffer = 0;
        GLuint colour = 0;
        GLuint vao = 0;
        glGenFramebuffers(1, &framebuffer);
        glGenRenderbuffers(1, &colour);
        glGenVertexArrays(1, &vao);
        glBindRenderbuffer(GL_RENDERBUFFER, colour);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 1, 1);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        glViewport(0, 0, 1, 1);
        glUseProgram(program);
        glUniform1i(glGetUniformLocation(program, "sky"), 0);
        glUniform3fv(glGetUniformLocation(program, "direction"), 1, kFaceDirections[i]);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_CUBE_MAP, m_cubemap);
        glBindVertexArray(vao);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        Rgba pixel;
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);

        glBindVertexArray(0);
        glUseProgram(0);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteVertexArrays(1, &vao);
        glDeleteRenderbuffers(1, &colour);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteProgram(program);
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        expectNoGlError();
        return pixel;
    }

    std::vector<Picture> m_pictures;
    GLuint m_cubemap = 0;
    std::string m_err;
};

TEST_F(CubemapTest, EachFaceGetsItsOwnImageTopRowFirst) {
    load(writeFaces(4));
    EXPECT_EQ(m_err, "");
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE("face " + std::to_string(i));
        EXPECT_EQ(levelParameter(kFaceTargets[i], 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
        EXPECT_EQ(face(i), m_pictures[i].topFirst);
    }
}

TEST_F(CubemapTest, HasOneLevelLinearFiltersAndClampsOnEveryAxis) {
    load(writeFaces(4));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(faceWidth(i), 4);
        EXPECT_EQ(levelParameter(kFaceTargets[i], 1, GL_TEXTURE_WIDTH), 0) << "face " << i;
    }
    EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(textureParameter(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R), GL_CLAMP_TO_EDGE);
}

TEST_F(CubemapTest, LoadingLeavesUnitZeroActiveWithNoCubeMapBound) {
    const std::vector<std::string> faces = writeFaces(4);
    GLuint other = 0;
    glGenTextures(1, &other);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_CUBE_MAP, other);

    const GLuint cubemap = loadCubemap(faces);

    EXPECT_TRUE(glIsTexture(cubemap));
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_CUBE_MAP), 0);
    glActiveTexture(GL_TEXTURE3);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_CUBE_MAP), static_cast<GLint>(other));
    glActiveTexture(GL_TEXTURE0);
    glDeleteTextures(1, &cubemap);
    glDeleteTextures(1, &other);
    expectNoGlError();
}

TEST_F(CubemapTest, FacesWithUnalignedRowsUploadWithoutSkewAndAlignmentIsRestored) {
    // 5 pixels of 3 bytes: rows of 15 bytes, not a multiple of 4.
    load(writeFaces(5));
    EXPECT_EQ(m_err, "");
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(face(i), m_pictures[i].topFirst) << "face " << i;
    }
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 4);
}

TEST_F(CubemapTest, SampledFacesShowTheirImages) {
    std::vector<std::string> faces;
    const Rgba colours[6] = {{250, 20, 20},  {20, 250, 20},  {20, 20, 250},
                             {250, 250, 20}, {20, 250, 250}, {250, 20, 250}};
    for (int i = 0; i < 6; ++i) {
        faces.push_back(path("solid" + std::to_string(i) + ".png"));
        writePicture(faces.back(), FIF_PNG, Picture::solid(4, 4, colours[i]));
    }
    load(faces);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE("face " + std::to_string(i));
        expectNear(sample(i), colours[i], 1);
    }
}

// A face that cannot be loaded, each made by its own recipe.
class MissingCubemapFaceTest : public CubemapTest,
                               public ::testing::WithParamInterface<BadImage> {};

TEST_P(MissingCubemapFaceTest, IsFilledAtTheSizeOfTheOthersWithAWarningNamingIt) {
    std::vector<std::string> faces = writeFaces(8);
    faces[3] = GetParam().make(m_dir);
    load(faces);
    EXPECT_NE(m_err.find(faces[3]), std::string::npos) << m_err;
    expectSolidFace(3, 8);
    for (int i = 0; i < 6; ++i) {
        if (i != 3) {
            EXPECT_EQ(face(i), m_pictures[i].topFirst) << "face " << i;
        }
    }
    // Complete, so sampling gives the fill and the loaded faces, not black.
    const Pixels fill = face(3);
    ASSERT_FALSE(fill.empty());
    expectNear(sample(3), fill.front(), 1);
    // The centre of a face falls between its four middle texels.
    const Picture& first = m_pictures[0];
    const Rgba centre[4] = {first.at(3, 3), first.at(4, 3), first.at(3, 4), first.at(4, 4)};
    auto mean = [&](auto channel) {
        int sum = 0;
        for (const Rgba& c : centre) {
            sum += c.*channel;
        }
        return static_cast<std::uint8_t>((sum + 2) / 4);
    };
    expectNear(sample(0), Rgba{mean(&Rgba::r), mean(&Rgba::g), mean(&Rgba::b), 255}, 3);
    EXPECT_NE(sample(0), (Rgba{0, 0, 0, 255}));
}

INSTANTIATE_TEST_SUITE_P(, MissingCubemapFaceTest,
                         ::testing::Values(kMissingFile, kEmptyFile, kGarbageBytes,
                                           BadImage{"Directory",
                                                    [](const test::ScratchDir& dir) {
                                                        std::filesystem::create_directories(
                                                            dir / "folder.png");
                                                        return (dir / "folder.png").string();
                                                    }}),
                         [](const ::testing::TestParamInfo<BadImage>& info) {
                             return info.param.name;
                         });

TEST_F(CubemapTest, EmptyPathIsAMissingFace) {
    std::vector<std::string> faces = writeFaces(4);
    faces[0] = "";
    load(faces);
    EXPECT_NE(m_err, "");
    expectSolidFace(0, 4);
}

TEST_F(CubemapTest, FewerThanSixPathsFillTheRestWithWarnings) {
    load(writeFaces(4, 4));
    EXPECT_NE(m_err, "");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(face(i), m_pictures[i].topFirst) << "face " << i;
    }
    expectSolidFace(4, 4);
    expectSolidFace(5, 4);
}

TEST_F(CubemapTest, MoreThanSixPathsWarnAndUseOnlyTheFirstSix) {
    std::vector<std::string> faces = writeFaces(4, 7);
    load(faces);
    EXPECT_NE(m_err, "");
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE("face " + std::to_string(i));
        EXPECT_EQ(face(i), m_pictures[i].topFirst);
        EXPECT_NE(face(i), m_pictures[6].topFirst);
    }
}

TEST_F(CubemapTest, NonSquareFaceIsReported) {
    std::vector<std::string> faces = writeFaces(8);
    const Picture wide = Picture::gradient(8, 4, 77);
    writePicture(faces[2], FIF_PNG, wide);
    load(faces);
    EXPECT_NE(m_err.find(faces[2]), std::string::npos) << m_err;
    EXPECT_EQ(m_err.find(faces[0]), std::string::npos) << "only the odd face is reported";
    // Scaled to the others' size, so the map stays complete and shows the image.
    EXPECT_EQ(faceWidth(2), 8);
    const Pixels scaled = face(2);
    ASSERT_EQ(scaled.size(), 64u);
    EXPECT_EQ(scaled[0], wide.at(0, 0));
    EXPECT_EQ(scaled[63], wide.at(7, 3));
    expectNoGlError();
}

TEST_F(CubemapTest, FacesOfDifferentSizesAreReported) {
    std::vector<std::string> faces = writeFaces(8);
    const Picture small = Picture::gradient(4, 4, 77);
    writePicture(faces[4], FIF_PNG, small);
    load(faces);
    EXPECT_NE(m_err.find(faces[4]), std::string::npos) << m_err;
    EXPECT_EQ(m_err.find(faces[0]), std::string::npos) << "only the odd face is reported";
    const Pixels scaled = face(4);
    ASSERT_EQ(scaled.size(), 64u);
    EXPECT_EQ(scaled[9], small.at(0, 0));
    EXPECT_EQ(scaled[63], small.at(3, 3));
    expectNoGlError();
}

TEST_F(CubemapTest, NoReadableFaceStillGivesACompleteMap) {
    std::vector<std::string> faces;
    for (int i = 0; i < 6; ++i) {
        faces.push_back(path("missing" + std::to_string(i) + ".png"));
    }
    load(faces);
    const GLint size = faceWidth(0);
    EXPECT_GT(size, 0);
    for (int i = 0; i < 6; ++i) {
        EXPECT_NE(m_err.find(faces[i]), std::string::npos) << m_err;
        expectSolidFace(i, size);
    }
    EXPECT_NE(sample(1), (Rgba{0, 0, 0, 255}));
}

}  // namespace
}  // namespace tandril::assets
