#include "tools/capture/Stages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <GL/glew.h>

#include "assets/ShaderProgram.h"
#include "assets/Texture.h"
#include "render/FramePasses.h"
#include "scene/SceneGlobals.h"

namespace tandril::tools {
namespace {

// A count of 0 keeps the frame at this share of its brightness, so that the
// counts stand out and the scene still shows where they lie.
constexpr float kDimmed = 0.4f;
// How opaque the volumes' faces are drawn, and the colours of the edges of
// faces toward the eye and away from it (as the faces' own).
constexpr float kFaceOpacity = 0.3f;
constexpr std::uint8_t kFrontEdge[3] = {255, 153, 51};
constexpr std::uint8_t kBackEdge[3] = {77, 166, 255};

std::uint8_t byte(float value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value * 255.0f), 0L, 255L));
}

// The volume program's own vertex and geometry stages, with a fragment stage
// that tells the faces toward the eye from those away from it. Built once and
// kept, like the demo's programs, until the process ends with the context.
assets::GeometryShaderProgram& volumeFaces() {
    static assets::GeometryShaderProgram* const program = new assets::GeometryShaderProgram(
        "shader/shader_shadow_volume.vert", "shader/shader_shadow_volume.geom",
        "tools/capture/volume_faces.frag");
    return *program;
}

// Draws the cubes' volumes once more over what the base pass left, where
// they lie in front of the scene's surfaces, with the volume pass's state
// otherwise and `cull` faces left out (GL_NONE for none). (The street's own
// volume lies under it, wherever the light is.) Restores the state the rest
// of the frame expects.
void drawVisibleVolumes(bool planeColours, GLenum cull) {
    assets::GeometryShaderProgram& program = volumeFaces();
    glDepthMask(GL_FALSE);
    glEnable(GL_DEPTH_CLAMP);
    if (cull == GL_NONE) {
        glDisable(GL_CULL_FACE);
    } else {
        glCullFace(cull);
    }
    if (planeColours) {
        glBlendFunc(GL_ONE, GL_ZERO);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    render::useShadowVolumeProgram(&program);
    glUniform1f(glGetUniformLocation(program.m_program, "opacity"), kFaceOpacity);
    glUniform1i(glGetUniformLocation(program.m_program, "planeColours"), planeColours ? 1 : 0);
    const glm::mat4 view = scene::camera->m_viewMatrix;
    for (scene::Cube* cube : {scene::cube1, scene::cube2, scene::cube3, scene::cube4}) {
        cube->draw(&program, view);
    }
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_DEPTH_CLAMP);
    glDepthMask(GL_TRUE);
}

// The volumes' edges over the base pass: the volumes facing one way at a time
// in colours of their faces' planes, and an edge wherever the colour changes
// from a pixel to the next.
Picture volumeEdges(int width, int height) {
    Picture picture = readBackBuffer(width, height);
    for (const GLenum cull : {GL_FRONT, GL_BACK}) {
        glClear(GL_COLOR_BUFFER_BIT);
        drawVisibleVolumes(true, cull);
        const Picture planes = readBackBuffer(width, height);
        const std::uint8_t* colour = cull == GL_FRONT ? kBackEdge : kFrontEdge;
        const auto at = [&](int x, int y) { return &planes.rgb[(std::size_t(y) * width + x) * 3]; };
        // Within a face the colour varies by a level at most.
        const auto differ = [](const std::uint8_t* a, const std::uint8_t* b) {
            return std::abs(a[0] - b[0]) > 2 || std::abs(a[1] - b[1]) > 2 || a[2] != b[2];
        };
        for (int y = 0; y + 1 < height; ++y) {
            for (int x = 0; x + 1 < width; ++x) {
                const std::uint8_t* here = at(x, y);
                const bool face = here[2] != 0;
                if (face && (differ(here, at(x + 1, y)) || differ(here, at(x, y + 1)))) {
                    std::copy_n(colour, 3, &picture.rgb[(std::size_t(y) * width + x) * 3]);
                }
            }
        }
    }
    return picture;
}

// The eye's distance of each pixel's depth, in grey: near white, far dark,
// on a logarithmic scale from the near plane to the far one; the sky black.
Picture depthPicture(int width, int height) {
    const std::vector<float> depth =
        readBackBufferAs<float>(GL_DEPTH_COMPONENT, GL_FLOAT, 1, width, height);
    const glm::mat4& projection = scene::camera->m_projectionMatrix;
    // Distance from normalised depth: the inverse of the projection's z row.
    const auto distance = [&](float ndc) { return projection[3][2] / (ndc + projection[2][2]); };
    const float nearest = distance(-1.0f);
    const float farthest = distance(1.0f);
    Picture picture{width, height, std::vector<std::uint8_t>(depth.size() * 3)};
    for (std::size_t i = 0; i < depth.size(); ++i) {
        const float d = depth[i] >= 1.0f ? farthest : distance(2.0f * depth[i] - 1.0f);
        const float grey = 1.0f - std::log(d / nearest) / std::log(farthest / nearest);
        std::fill_n(&picture.rgb[3 * i], 3, byte(grey));
    }
    return picture;
}

// The counts over the dimmed frame.
Picture stencilPicture(const Picture& frame) {
    const std::vector<std::uint8_t> counts = readBackBufferAs<std::uint8_t>(
        GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, 1, frame.width, frame.height);
    Picture picture = frame;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        std::uint8_t* pixel = &picture.rgb[3 * i];
        if (counts[i] == 0) {
            for (int c = 0; c < 3; ++c) {
                pixel[c] = byte(kDimmed * static_cast<float>(pixel[c]) / 255.0f);
            }
            continue;
        }
        const CountColour colour = kCountColours[std::min<int>(counts[i], 3) - 1];
        pixel[0] = colour.r;
        pixel[1] = colour.g;
        pixel[2] = colour.b;
    }
    return picture;
}

// What the lighting pass added to the frame before it.
Picture difference(const Picture& after, const Picture& before) {
    Picture added = after;
    for (std::size_t i = 0; i < added.rgb.size(); ++i) {
        added.rgb[i] = static_cast<std::uint8_t>(std::max(0, after.rgb[i] - before.rgb[i]));
    }
    return added;
}

// Level 0 of the first wall's height texture, as the GL holds it.
Picture heightPicture() {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, scene::wall1->m_mesh->m_heightTexture->m_texture);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<std::uint8_t> rgba(std::size_t(width) * std::size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, 0);
    // The image's bottom row is the texture's first.
    const std::vector<std::uint8_t> rows = topRowFirst(rgba, width, height, 4);
    Picture picture{width, height, std::vector<std::uint8_t>(rows.size() / 4 * 3)};
    for (std::size_t i = 0; i < rows.size() / 4; ++i) {
        std::copy_n(&rows[4 * i], 3, &picture.rgb[3 * i]);
    }
    return picture;
}

// Reads what the stage needs as each pass of the frame ends.
class StageReader : public render::PassObserver {
  public:
    StageReader(Stage stage, int width, int height)
        : m_stage(stage), m_width(width), m_height(height) {}

    void begin(render::Pass) override {}

    void end(render::Pass pass) override {
        switch (pass) {
            case render::Pass::Base:
                if (m_stage == Stage::VolumeEdges) {
                    m_result = volumeEdges(m_width, m_height);
                    break;
                }
                if (m_stage == Stage::Volumes) {
                    drawVisibleVolumes(false, GL_NONE);
                }
                if (m_stage == Stage::Base || m_stage == Stage::Volumes) {
                    m_result = readBackBuffer(m_width, m_height);
                }
                break;
            case render::Pass::ReflectionsAndSkybox:
                m_afterSky = readBackBuffer(m_width, m_height);
                if (m_stage == Stage::Sky) {
                    m_result = m_afterSky;
                } else if (m_stage == Stage::Depth) {
                    m_result = depthPicture(m_width, m_height);
                }
                break;
            case render::Pass::ShadowVolumes:
                if (m_stage == Stage::Stencil) {
                    m_result = stencilPicture(m_afterSky);
                }
                break;
            case render::Pass::Lighting:
                if (m_stage == Stage::Lighting) {
                    m_result = difference(readBackBuffer(m_width, m_height), m_afterSky);
                }
                break;
        }
    }

    Picture m_result;

  private:
    Stage m_stage;
    int m_width;
    int m_height;
    Picture m_afterSky;
};

}  // namespace

std::optional<Stage> stageNamed(const std::string& name) {
    static const std::pair<const char*, Stage> names[] = {{"base", Stage::Base},
                                                          {"sky", Stage::Sky},
                                                          {"stencil", Stage::Stencil},
                                                          {"volumes", Stage::Volumes},
                                                          {"volume-edges", Stage::VolumeEdges},
                                                          {"lighting", Stage::Lighting},
                                                          {"depth", Stage::Depth},
                                                          {"height", Stage::Height}};
    for (const auto& [text, stage] : names) {
        if (name == text) {
            return stage;
        }
    }
    return std::nullopt;
}

Picture captureStage(Stage stage, int width, int height) {
    if (stage == Stage::Height) {
        return heightPicture();
    }
    StageReader reader(stage, width, height);
    render::renderFrame(&reader);
    return reader.m_result;
}

}  // namespace tandril::tools
