// The wall program's relief on the real driver: one textured quad seen at a
// slant, drawn with and without parallax into a framebuffer of its own, and
// the pictures compared. A flat height field at a known depth must shift the
// texture in proportion to depth and scale; a bumpy one lit from the side must
// shadow itself.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "assets/ShaderProgram.h"
#include "scene/ObjectUniforms.h"
#include "support/GlContext.h"
#include "support/ReadBack.h"

namespace tandril::test {
namespace {

constexpr int kSize = 400;
constexpr int kTexels = 256;

using Texel = std::function<glm::u8vec3(int u, int v)>;

GLuint makeTexture(const Texel& texel) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(kTexels * kTexels * 3);
    for (int v = 0; v < kTexels; ++v) {
        for (int u = 0; u < kTexels; ++u) {
            const glm::u8vec3 c = texel(u, v);
            rgb.insert(rgb.end(), {c.r, c.g, c.b});
        }
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kTexels, kTexels, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 rgb.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}

GLuint grey(std::uint8_t level) {
    return makeTexture([level](int, int) { return glm::u8vec3(level); });
}

// Columns of random black and white: any shift of it along u is unique.
GLuint barcode() {
    std::vector<std::uint8_t> columns(kTexels);
    unsigned state = 12345u;
    for (std::uint8_t& column : columns) {
        state = state * 1103515245u + 12345u;
        column = (state >> 16) & 1u ? 230 : 25;
    }
    return makeTexture([columns](int u, int) { return glm::u8vec3(columns[u]); });
}

struct Settings {
    GLuint height = 0;
    float scale = 0.0f;
    bool parallax = true;
    bool shadow = false;
    glm::vec3 light{0.0f, 0.0f, 3.0f};
    // A second light of the same strength, or none.
    std::optional<glm::vec3> otherLight = std::nullopt;
};

// Rows of the red channel, bottom row first.
using Picture = std::vector<std::uint8_t>;

class ParallaxShaderTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        m_program = std::make_unique<assets::ShaderProgram>("shader/shader_texture_parallax.vert",
                                                            "shader/shader_texture_parallax.frag");
        m_albedo = barcode();
        m_normal = makeTexture([](int, int) { return glm::u8vec3(128, 128, 255); });
        makeQuad();
    }

    void TearDown() override {
        glDeleteVertexArrays(1, &m_vertexArray);
        glDeleteBuffers(1, &m_buffer);
        glDeleteTextures(1, &m_albedo);
        glDeleteTextures(1, &m_normal);
        glDeleteTextures(static_cast<GLsizei>(m_heights.size()), m_heights.data());
        m_program.reset();
        expectNoGlError();
    }

    GLuint height(std::uint8_t level) { return m_heights.emplace_back(grey(level)); }

    GLuint bumps() {
        return m_heights.emplace_back(makeTexture([](int u, int v) {
            const bool raised = (u / 8 + v / 8) % 2 == 0;
            return glm::u8vec3(raised ? 255 : 0);
        }));
    }

    // The quad spans x and y from -1 to 1 at z = 0, facing +z; the eye stands
    // off to +x, so the relief shifts the texture along u. A long lens keeps
    // the view direction nearly the same across the quad and the shift on the
    // screen in proportion to the shift of the texture.
    Picture draw(const Settings& settings) {
        const glm::mat4 model(1.0f);
        const glm::mat4 view =
            glm::lookAt(glm::vec3(3.9f, 0.0f, 7.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
        const glm::mat4 projection = glm::perspective(glm::radians(16.0f), 1.0f, 1.0f, 20.0f);
        const GLuint id = m_program->m_program;
        OffscreenTarget target(kSize, kSize, true);
        glDisable(GL_BLEND);
        glDisable(GL_STENCIL_TEST);
        glDisable(GL_CULL_FACE);
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUseProgram(id);
        glUniformMatrix4fv(glGetUniformLocation(id, "M_mat"), 1, GL_FALSE, glm::value_ptr(model));
        glUniformMatrix4fv(glGetUniformLocation(id, "V_mat"), 1, GL_FALSE, glm::value_ptr(view));
        glUniformMatrix4fv(glGetUniformLocation(id, "P_mat"), 1, GL_FALSE,
                           glm::value_ptr(projection));
        glUniformMatrix3fv(glGetUniformLocation(id, "normal_mat"), 1, GL_FALSE,
                           glm::value_ptr(scene::normalMatrix(view, model)));
        // One light or two; the others have no strength.
        const glm::vec4 lights[4] = {
            glm::vec4(settings.light, 2.0f),
            settings.otherLight ? glm::vec4(*settings.otherLight, 2.0f) : glm::vec4(0.0f),
            glm::vec4(0.0f), glm::vec4(0.0f)};
        glUniform4fv(glGetUniformLocation(id, "light_position"), 4, glm::value_ptr(lights[0]));
        glUniform1f(glGetUniformLocation(id, "ambientIntensity"), 0.1f);
        glUniform1f(glGetUniformLocation(id, "diffuseIntensity"), 20.0f);
        glUniform1f(glGetUniformLocation(id, "specularIntensity"), 0.0f);
        glUniform3f(glGetUniformLocation(id, "matSpecularReflectanceColor"), 0.0f, 0.0f, 0.0f);
        glUniform1f(glGetUniformLocation(id, "matShininess"), 8.0f);
        glUniform1i(glGetUniformLocation(id, "enableParallax"), settings.parallax ? 1 : 0);
        glUniform1f(glGetUniformLocation(id, "parallaxScale"), settings.scale);
        glUniform1i(glGetUniformLocation(id, "enableShadow"), settings.shadow ? 1 : 0);
        const std::pair<const char*, GLuint> samplers[] = {{"material_texture", m_albedo},
                                                           {"height_texture", settings.height},
                                                           {"normal_texture", m_normal}};
        for (int unit = 0; unit < 3; ++unit) {
            glActiveTexture(GL_TEXTURE0 + unit);
            glBindTexture(GL_TEXTURE_2D, samplers[unit].second);
            glUniform1i(glGetUniformLocation(id, samplers[unit].first), unit);
        }
        glActiveTexture(GL_TEXTURE0);
        glBindVertexArray(m_vertexArray);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        glBindVertexArray(0);

        const std::vector<std::uint8_t> rgba = readColour(0, 0, kSize, kSize);
        Picture red(kSize * kSize);
        for (std::size_t p = 0; p < red.size(); ++p) {
            red[p] = rgba[4 * p];
        }
        return red;
    }

    GLuint m_albedo = 0;
    GLuint m_normal = 0;

  private:
    void makeQuad() {
        // position, texture coordinate, normal, tangent, bitangent
        const float corner[4][14] = {
            {-1, -1, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0},
            {1, -1, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0},
            {-1, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 1, 0},
            {1, 1, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0, 1, 0},
        };
        glGenVertexArrays(1, &m_vertexArray);
        glBindVertexArray(m_vertexArray);
        glGenBuffers(1, &m_buffer);
        glBindBuffer(GL_ARRAY_BUFFER, m_buffer);
        glBufferData(GL_ARRAY_BUFFER, sizeof(corner), corner, GL_STATIC_DRAW);
        const int sizes[5] = {3, 2, 3, 3, 3};
        int offset = 0;
        for (GLuint location = 0; location < 5; ++location) {
            glEnableVertexAttribArray(location);
            glVertexAttribPointer(location, sizes[location], GL_FLOAT, GL_FALSE, sizeof(corner[0]),
                                  reinterpret_cast<void*>(offset * sizeof(float)));
            offset += sizes[location];
        }
        glBindVertexArray(0);
    }

    std::unique_ptr<assets::ShaderProgram> m_program;
    std::vector<GLuint> m_heights;
    GLuint m_vertexArray = 0;
    GLuint m_buffer = 0;
};

// The horizontal shift, in pixels, that best lays the middle band of `moved`
// over `reference` (mean absolute difference, shifts up to +-60 pixels).
int shiftBetween(const Picture& reference, const Picture& moved) {
    int best = 0;
    double bestDifference = std::numeric_limits<double>::max();
    for (int shift = -60; shift <= 60; ++shift) {
        double difference = 0.0;
        for (int y = kSize / 2 - 20; y < kSize / 2 + 20; ++y) {
            for (int x = kSize / 2 - 80; x < kSize / 2 + 80; ++x) {
                difference +=
                    std::abs(int(moved[y * kSize + x + shift]) - int(reference[y * kSize + x]));
            }
        }
        if (difference < bestDifference) {
            bestDifference = difference;
            best = shift;
        }
    }
    return best;
}

int differingPixels(const Picture& a, const Picture& b) {
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        count += a[i] != b[i];
    }
    return count;
}

double mean(const Picture& picture) {
    double sum = 0.0;
    for (std::uint8_t value : picture) {
        sum += value;
    }
    return sum / picture.size();
}

TEST_F(ParallaxShaderTest, NoScaleOrParallaxOffDrawsThePlainTexture) {
    const GLuint deep = height(0);
    const Picture flat = draw({deep, 0.2f, false});
    EXPECT_EQ(differingPixels(draw({deep, 0.0f, true}), flat), 0);
    // Depth 0 everywhere: the ray meets the surface where it enters.
    EXPECT_EQ(differingPixels(draw({height(255), 0.2f, true}), flat), 0);
    // Below zero the relief is flat rather than turned inside out.
    EXPECT_EQ(differingPixels(draw({deep, -0.1f, true}), flat), 0);
    EXPECT_GT(mean(flat), 40.0) << "the quad was not drawn";
}

TEST_F(ParallaxShaderTest, AFlatFieldBelowTheSurfaceShiftsTheTextureByDepthTimesScale) {
    const Picture flat = draw({height(0), 0.0f, true});
    const int fullDepth = shiftBetween(flat, draw({height(0), 0.1f, true}));
    const int halfDepth = shiftBetween(flat, draw({height(128), 0.1f, true}));
    const int tripleScale = shiftBetween(flat, draw({height(0), 0.3f, true}));

    EXPECT_GE(std::abs(fullDepth), 12);
    EXPECT_NEAR(halfDepth * 2.0, fullDepth, 2.0);
    // Three times the shift needs many more search layers than the shallow one.
    EXPECT_NEAR(tripleScale, fullDepth * 3.0, 3.0);
}

TEST_F(ParallaxShaderTest, ALightFromTheSideShadowsTheBumpsOnlyWithShadowsOn) {
    const GLuint field = bumps();
    const glm::vec3 grazing(-2.5f, 0.0f, 0.6f);
    const Picture lit = draw({field, 0.1f, true, false, grazing});
    const Picture shadowed = draw({field, 0.1f, true, true, grazing});
    EXPECT_LT(mean(shadowed), mean(lit) - 5.0);

    // Far in front of the quad, the bumps' shadows fall under themselves.
    const glm::vec3 above(0.0f, 0.0f, 30.0f);
    const double overhead = mean(draw({field, 0.1f, true, false, above}));
    EXPECT_NEAR(mean(draw({field, 0.1f, true, true, above})), overhead, 0.5);
}

TEST_F(ParallaxShaderTest, LightsFromOppositeSidesStillShadowTheBumps) {
    // Between them the two lights come from straight above the quad; each of
    // them lights the bumps from the side, and their shadows must show.
    const GLuint field = bumps();
    const Settings both{
        field, 0.1f, true, false, {-12.5f, 0.0f, 3.0f}, glm::vec3(12.5f, 0.0f, 3.0f)};
    Settings withShadows = both;
    withShadows.shadow = true;
    // Shadows darken whole patches, not only the bumps' edges (which any ray
    // may catch on the filtered height map).
    const Picture lit = draw(both);
    const Picture shadowed = draw(withShadows);
    int quad = 0;
    int darkened = 0;
    for (std::size_t i = 0; i < lit.size(); ++i) {
        quad += lit[i] > 4;
        darkened += shadowed[i] < 0.85 * lit[i];
    }
    EXPECT_GT(darkened, quad / 3) << darkened << " of " << quad << " pixels darkened";
}

}  // namespace
}  // namespace tandril::test
