// Whole frames of the street scene on the real driver, seen from fixed camera
// poses near the cubes: the GL state each pass draws with and leaves behind,
// the stencil counts of the shadow volumes, what the lighting pass adds and
// where, the sky box filling only the uncovered pixels, and many frames
// without a GL error.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <SOIL/SOIL.h>
#include <gtest/gtest.h>
#include <glm/geometric.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "render/FramePasses.h"
#include "render/Lighting.h"
#include "render/Skybox.h"
#include "scene/SceneGlobals.h"
#include "support/GlContext.h"
#include "support/ReadBack.h"
#include "support/SceneControl.h"

namespace tandril::render {
namespace {

using test::uniformFloat;
using test::uniformInt;
using test::uniformMat4;
using test::uniformVec3;
using test::uniformVec4;

// A small 4:3 viewport keeps frames quick and the picture undistorted.
constexpr int kWidth = 400;
constexpr int kHeight = 300;

// Light 0 low on the left of cube1, so the cube throws a short shadow towards
// +x and -z onto the street; the eye stands off to the right, looking at both.
constexpr glm::vec4 kLight{2.0f, 5.0f, -4.0f, 2.0f};
constexpr glm::vec3 kEye{13.0f, 2.5f, -4.0f};
constexpr glm::vec3 kTarget{9.0f, 0.0f, -11.5f};

// On the street, where the ray from the light through the middle of cube1
// lands, and two points beside the shadow that the light reaches.
constexpr glm::vec3 kInCubeShadow{8.82f, 0.0f, -10.82f};
constexpr glm::vec3 kLitBesideShadow{9.3f, 0.0f, -9.0f};
constexpr glm::vec3 kLitNearer{7.0f, 0.0f, -8.0f};
// The faces of cube1 towards and away from the light.
constexpr glm::vec3 kCubeFaceLit{8.0f, 0.5f, -9.5f};
constexpr glm::vec3 kCubeFaceAway{8.5f, 0.5f, -10.0f};

struct Rgba {
    int r, g, b, a;
    int sum() const { return r + g + b; }
    bool operator==(const Rgba&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Rgba& c) {
        return out << "rgba(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
    }
};

// A whole viewport read back at once: colour, depth and stencil.
struct Frame {
    std::vector<std::uint8_t> colour;
    std::vector<float> depth;
    std::vector<std::uint8_t> stencil;

    static Frame read() {
        return {test::readColour(0, 0, kWidth, kHeight), test::readDepth(0, 0, kWidth, kHeight),
                test::readStencil(0, 0, kWidth, kHeight)};
    }
    Rgba rgba(int i) const {
        const std::uint8_t* p = &colour[static_cast<std::size_t>(i) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    int pixels() const { return kWidth * kHeight; }
};

// The pixel a world point lands on, checked to lie well inside the viewport.
struct Pixel {
    int x, y;
    int index() const { return y * kWidth + x; }
};

Pixel pixelOf(const glm::vec3& world) {
    const glm::vec3 window = test::toWindow(*scene::camera, world, kWidth, kHeight);
    const Pixel pixel{static_cast<int>(window.x), static_cast<int>(window.y)};
    EXPECT_TRUE(pixel.x >= 3 && pixel.x < kWidth - 3 && pixel.y >= 3 && pixel.y < kHeight - 3)
        << "(" << world.x << ", " << world.y << ", " << world.z << ") is off screen at " << pixel.x
        << ", " << pixel.y;
    return pixel;
}

// The stencil values of the 5x5 patch around a world point's pixel.
std::vector<int> stencilAround(const Frame& frame, const glm::vec3& world) {
    const Pixel centre = pixelOf(world);
    std::vector<int> counts;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            counts.push_back(frame.stencil[Pixel{centre.x + dx, centre.y + dy}.index()]);
        }
    }
    return counts;
}

GLint integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

std::array<GLboolean, 4> colourMask() {
    std::array<GLboolean, 4> mask{};
    glGetBooleanv(GL_COLOR_WRITEMASK, mask.data());
    return mask;
}

bool depthMask() {
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    return mask == GL_TRUE;
}

constexpr std::array<GLboolean, 4> kAllColours{GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
constexpr std::array<GLboolean, 4> kNoColours{GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE};

// The GL state that matters to the passes, taken at one moment.
struct State {
    GLint program;
    bool blend;
    GLint blendSource, blendDestination, blendEquation;
    std::array<GLboolean, 4> colour;
    bool depthWrites;
    bool depthTest;
    GLint depthFunc;
    bool cull;
    bool depthClamp;
    bool stencilTest;
    GLint stencilFunc, stencilRef, stencilMask;
    std::array<GLint, 3> frontOps, backOps;  // stencil fail, depth fail, pass
    GLint activeTexture;
    GLint cubeMapOnUnit0;
    GLint drawBuffer;
    GLint vertexArray;

    static State now() {
        State s{};
        s.program = integer(GL_CURRENT_PROGRAM);
        s.blend = glIsEnabled(GL_BLEND);
        s.blendSource = integer(GL_BLEND_SRC_RGB);
        s.blendDestination = integer(GL_BLEND_DST_RGB);
        s.blendEquation = integer(GL_BLEND_EQUATION_RGB);
        s.colour = colourMask();
        s.depthWrites = depthMask();
        s.depthTest = glIsEnabled(GL_DEPTH_TEST);
        s.depthFunc = integer(GL_DEPTH_FUNC);
        s.cull = glIsEnabled(GL_CULL_FACE);
        s.depthClamp = glIsEnabled(GL_DEPTH_CLAMP);
        s.stencilTest = glIsEnabled(GL_STENCIL_TEST);
        s.stencilFunc = integer(GL_STENCIL_FUNC);
        s.stencilRef = integer(GL_STENCIL_REF);
        s.stencilMask = integer(GL_STENCIL_VALUE_MASK);
        s.frontOps = {integer(GL_STENCIL_FAIL), integer(GL_STENCIL_PASS_DEPTH_FAIL),
                      integer(GL_STENCIL_PASS_DEPTH_PASS)};
        s.backOps = {integer(GL_STENCIL_BACK_FAIL), integer(GL_STENCIL_BACK_PASS_DEPTH_FAIL),
                     integer(GL_STENCIL_BACK_PASS_DEPTH_PASS)};
        s.activeTexture = integer(GL_ACTIVE_TEXTURE);
        glActiveTexture(GL_TEXTURE0);
        s.cubeMapOnUnit0 = integer(GL_TEXTURE_BINDING_CUBE_MAP);
        glActiveTexture(static_cast<GLenum>(s.activeTexture));
        s.drawBuffer = integer(GL_DRAW_BUFFER);
        s.vertexArray = integer(GL_VERTEX_ARRAY_BINDING);
        return s;
    }
};

GLint id(const assets::ShaderProgram* program) {
    return static_cast<GLint>(program->m_program);
}

// What an object found when it was drawn: the state, and the lighting values
// of the bound program where it has them.
struct Draw {
    std::string object;
    State state;
    glm::vec3 intensities{NAN};
    glm::vec4 light0{NAN};
};

// Stands in for one scene object, drawing exactly as it does while noting
// every draw in a log that all stand-ins share.
template <typename Kind>
class Recorder : public Kind {
  public:
    Recorder(std::string name, Kind*& slot, std::vector<Draw>& log)
        : Kind(slot->m_mesh->m_modelMatrix),
          m_name(std::move(name)),
          m_slot(slot),
          m_original(slot),
          m_log(log) {
        m_slot = this;
    }
    ~Recorder() override { m_slot = m_original; }

    void draw(assets::ShaderProgram* program, glm::mat4 view) override {
        Draw draw{m_name, State::now()};
        const GLuint current = program->m_program;
        if (glGetUniformLocation(current, "diffuseIntensity") != -1) {
            draw.intensities = {uniformFloat(current, "ambientIntensity"),
                                uniformFloat(current, "diffuseIntensity"),
                                uniformFloat(current, "specularIntensity")};
            draw.light0 = uniformVec4(current, "light_position[0]");
        }
        m_log.push_back(draw);
        Kind::draw(program, view);
    }

  private:
    std::string m_name;
    Kind*& m_slot;
    Kind* m_original;
    std::vector<Draw>& m_log;
};

// Notes the state and the picture at the boundaries of the passes.
class PassLog : public PassObserver {
  public:
    void begin(Pass pass) override {
        if (pass == Pass::Base) {
            m_beforeBase = State::now();
            m_cleared = Frame::read();
        }
    }
    void end(Pass pass) override {
        m_after[static_cast<int>(pass)] = State::now();
        if (m_keepPictures) {
            m_pictures[static_cast<int>(pass)] = Frame::read();
        }
    }
    const State& after(Pass pass) const { return m_after[static_cast<int>(pass)]; }
    const Frame& picture(Pass pass) const { return m_pictures[static_cast<int>(pass)]; }

    bool m_keepPictures = true;
    State m_beforeBase{};
    Frame m_cleared;

  private:
    std::array<State, kPassCount> m_after{};
    std::array<Frame, kPassCount> m_pictures;
};

class FramePassesTest : public test::SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        glViewport(0, 0, kWidth, kHeight);
        lightPositions[0] = kLight;
        test::aimCamera(*scene::camera, kEye, kTarget);
    }
    void TearDown() override { expectNoGlError(); }

    // A frame after a first one, so the state carried over is the steady one.
    void renderSecondFrame(PassObserver* log = nullptr) {
        renderFrame();
        renderFrame(log);
    }

    test::SceneStateGuard m_guard;
};

TEST_F(FramePassesTest, EachGroupIsDrawnByItsPassWithItsProgramStateAndIntensities) {
    std::vector<Draw> log;
    {
        Recorder<scene::Cube> cube("cube1", scene::cube1, log);
        Recorder<scene::Street> street("street", scene::street, log);
        Recorder<scene::Streetlamp> lamp("streetlamp1", scene::streetlamp1, log);
        Recorder<scene::Car> car("car1", scene::car1, log);
        Recorder<scene::Wall> wall("wall1", scene::wall1, log);
        Recorder<scene::Car> mirror("car2", scene::car2, log);
        renderFrame();
        log.clear();
        renderFrame();
    }

    const std::vector<std::string> order = {"cube1", "street", "streetlamp1", "car1",  "wall1",
                                            "car2",  "cube1",  "street",      "cube1", "street"};
    ASSERT_EQ(log.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(log[i].object, order[i]) << "draw " << i;
    }
    const glm::vec4 light0 = lightPositions[0];

    // Base pass: blending that replaces, depth and colour written, no stencil.
    for (const std::size_t i : {0, 1, 2, 3, 4, 5}) {
        SCOPED_TRACE(log[i].object + " in the base or reflection pass");
        const State& s = log[i].state;
        EXPECT_TRUE(s.blend);
        EXPECT_EQ(s.blendSource, GL_ONE);
        EXPECT_EQ(s.blendDestination, GL_ZERO);
        EXPECT_EQ(s.colour, kAllColours);
        EXPECT_TRUE(s.depthWrites);
        EXPECT_TRUE(s.depthTest);
        EXPECT_EQ(s.depthFunc, GL_LEQUAL);
        EXPECT_FALSE(s.stencilTest);
        // From the second frame on the lighting pass has left culling on.
        EXPECT_TRUE(s.cull);
    }
    for (const std::size_t i : {0, 1}) {
        EXPECT_EQ(log[i].state.program, id(scene::shaderTexture2));
        EXPECT_FLOAT_EQ(log[i].intensities.x, 0.1f);  // ambient only
        EXPECT_EQ(log[i].intensities.y, 0.0f);
        EXPECT_EQ(log[i].intensities.z, 0.0f);
        EXPECT_EQ(log[i].light0, light0);
    }
    for (const std::size_t i : {2, 3, 4}) {
        SCOPED_TRACE(log[i].object);
        EXPECT_EQ(log[i].state.program,
                  id(i == 4 ? scene::shaderTextureParallax : scene::shaderTexture2));
        EXPECT_FLOAT_EQ(log[i].intensities.x, 0.1f);
        EXPECT_EQ(log[i].intensities.y, 20.0f);
        EXPECT_EQ(log[i].intensities.z, 100.0f);
        EXPECT_EQ(log[i].light0, light0);
    }

    // car2 mirrors the sky: its cube map on unit 0, although the walls last
    // made another unit active.
    const State& mirror = log[5].state;
    EXPECT_EQ(mirror.program, id(scene::shaderEnvironmentalMapping));
    EXPECT_EQ(mirror.activeTexture, GL_TEXTURE0);
    EXPECT_EQ(mirror.cubeMapOnUnit0, static_cast<GLint>(cubemapTexture));

    // Shadow volumes: counted into the stencil only, depth-fail, unclipped.
    for (const std::size_t i : {6, 7}) {
        SCOPED_TRACE(log[i].object + " in the shadow-volume pass");
        const State& s = log[i].state;
        EXPECT_EQ(s.program, id(scene::shaderShadowVolume));
        EXPECT_EQ(s.colour, kNoColours);
        EXPECT_FALSE(s.depthWrites);
        EXPECT_TRUE(s.depthTest);
        EXPECT_EQ(s.depthFunc, GL_LEQUAL);
        EXPECT_TRUE(s.depthClamp);
        EXPECT_FALSE(s.cull);
        EXPECT_TRUE(s.stencilTest);
        EXPECT_EQ(s.stencilFunc, GL_ALWAYS);
        EXPECT_EQ(s.stencilRef, 0);
        EXPECT_EQ(s.stencilMask & 0xFF, 0xFF);
        EXPECT_EQ(s.backOps, (std::array<GLint, 3>{GL_KEEP, GL_INCR_WRAP, GL_KEEP}));
        EXPECT_EQ(s.frontOps, (std::array<GLint, 3>{GL_KEEP, GL_DECR_WRAP, GL_KEEP}));
    }

    // Lighting pass: added on top where the count is 0, stencil kept.
    for (const std::size_t i : {8, 9}) {
        SCOPED_TRACE(log[i].object + " in the lighting pass");
        const State& s = log[i].state;
        EXPECT_EQ(s.program, id(scene::shaderTexture2));
        EXPECT_TRUE(s.blend);
        EXPECT_EQ(s.blendEquation, GL_FUNC_ADD);
        EXPECT_EQ(s.blendSource, GL_ONE);
        EXPECT_EQ(s.blendDestination, GL_ONE);
        EXPECT_EQ(s.colour, kAllColours);
        EXPECT_FALSE(s.depthWrites);
        EXPECT_EQ(s.depthFunc, GL_LEQUAL);
        EXPECT_TRUE(s.cull);
        EXPECT_FALSE(s.depthClamp);
        EXPECT_TRUE(s.stencilTest);
        EXPECT_EQ(s.stencilFunc, GL_EQUAL);
        EXPECT_EQ(s.stencilRef, 0);
        EXPECT_EQ(s.stencilMask & 0xFF, 0xFF);
        EXPECT_EQ(s.frontOps, (std::array<GLint, 3>{GL_KEEP, GL_KEEP, GL_KEEP}));
        EXPECT_EQ(s.backOps, (std::array<GLint, 3>{GL_KEEP, GL_KEEP, GL_KEEP}));
        EXPECT_EQ(s.drawBuffer, GL_BACK);
        EXPECT_EQ(log[i].intensities, glm::vec3(0.0f, 60.0f, 10.0f));
        EXPECT_EQ(log[i].light0, light0);
    }
}

TEST_F(FramePassesTest, FirstFrameRunsTheBaseAndSkyPassesWithoutCulling) {
    // OpenGL starts with culling off, and only the lighting pass turns it on.
    glDisable(GL_CULL_FACE);
    std::vector<Draw> log;
    {
        Recorder<scene::Cube> cube("cube1", scene::cube1, log);
        Recorder<scene::Car> mirror("car2", scene::car2, log);
        renderFrame();
    }
    ASSERT_EQ(log.size(), 4u);
    EXPECT_FALSE(log[0].state.cull);  // cube1, base pass
    EXPECT_FALSE(log[1].state.cull);  // car2
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(FramePassesTest, EachPassLeavesTheStateTheNextOneStartsFrom) {
    PassLog log;
    log.m_keepPictures = false;
    renderSecondFrame(&log);

    // The clear came with depth writes on and found the stencil test off.
    EXPECT_TRUE(log.m_beforeBase.depthWrites);
    EXPECT_FALSE(log.m_beforeBase.stencilTest);
    EXPECT_EQ(log.m_beforeBase.colour, kAllColours);
    for (int i = 0; i < log.m_cleared.pixels(); ++i) {
        ASSERT_EQ(log.m_cleared.depth[i], 1.0f) << "pixel " << i;
        ASSERT_EQ(log.m_cleared.stencil[i], 0) << "pixel " << i;
        ASSERT_EQ(log.m_cleared.rgba(i), (Rgba{0, 0, 0, 255})) << "pixel " << i;
    }

    const State& base = log.after(Pass::Base);
    EXPECT_TRUE(base.blend);
    EXPECT_EQ(base.blendSource, GL_ONE);
    EXPECT_EQ(base.blendDestination, GL_ZERO);
    EXPECT_EQ(base.colour, kAllColours);
    EXPECT_TRUE(base.depthWrites);
    EXPECT_FALSE(base.stencilTest);
    EXPECT_EQ(base.program, id(scene::shaderTextureParallax));

    const State& sky = log.after(Pass::ReflectionsAndSkybox);
    EXPECT_TRUE(sky.blend);
    EXPECT_EQ(sky.blendDestination, GL_ZERO);
    EXPECT_EQ(sky.colour, kAllColours);
    EXPECT_TRUE(sky.depthWrites);
    EXPECT_EQ(sky.cull, base.cull);
    EXPECT_FALSE(sky.stencilTest);
    EXPECT_EQ(sky.program, id(scene::shaderTexture2));
    EXPECT_EQ(sky.vertexArray, 0);

    const State& volumes = log.after(Pass::ShadowVolumes);
    EXPECT_EQ(volumes.colour, kNoColours);
    EXPECT_FALSE(volumes.depthWrites);
    EXPECT_FALSE(volumes.cull);
    EXPECT_FALSE(volumes.depthClamp);
    EXPECT_TRUE(volumes.stencilTest);
    EXPECT_EQ(volumes.program, id(scene::shaderShadowVolume));

    const State& lighting = log.after(Pass::Lighting);
    EXPECT_FALSE(lighting.blend);
    EXPECT_EQ(lighting.colour, kAllColours);
    EXPECT_FALSE(lighting.depthWrites);
    EXPECT_TRUE(lighting.cull);
    EXPECT_TRUE(lighting.stencilTest);
    EXPECT_EQ(lighting.program, id(scene::shaderTexture2));

    const State frame = State::now();
    EXPECT_FALSE(frame.stencilTest);
    EXPECT_FALSE(frame.depthWrites);
    EXPECT_TRUE(frame.cull);
    EXPECT_EQ(frame.colour, kAllColours);
    EXPECT_TRUE(frame.depthTest);
    EXPECT_EQ(frame.depthFunc, GL_LEQUAL);
}

TEST_F(FramePassesTest, StencilCountsTheVolumesEnclosingEachVisiblePoint) {
    renderSecondFrame();
    const Frame frame = Frame::read();

    for (const int count : stencilAround(frame, kInCubeShadow)) {
        EXPECT_EQ(count, 1) << "street in cube1's shadow";
    }
    for (const int count : stencilAround(frame, kCubeFaceAway)) {
        EXPECT_EQ(count, 1) << "cube1's face away from the light";
    }
    for (const glm::vec3& lit : {kLitBesideShadow, kLitNearer, kCubeFaceLit}) {
        for (const int count : stencilAround(frame, lit)) {
            EXPECT_EQ(count, 0) << "lit at " << lit.x << ", " << lit.y << ", " << lit.z;
        }
    }
    // Nothing is counted on the sky.
    int sky = 0;
    for (int i = 0; i < frame.pixels(); ++i) {
        if (frame.depth[i] == 1.0f) {
            ++sky;
            EXPECT_EQ(frame.stencil[i], 0) << "sky pixel " << i;
        }
    }
    EXPECT_GT(sky, frame.pixels() / 20);
}

TEST_F(FramePassesTest, PointInsideTwoVolumesCountsTwo) {
    // The light just above cube2 and in front of it: cube2's long shadow takes
    // in cube3, and the street behind cube3 lies in both volumes.
    lightPositions[0] = {10.0f, 1.2f, -14.0f, 2.0f};
    test::aimCamera(*scene::camera, {16.0f, 3.0f, -30.0f}, {10.0f, 0.0f, -32.0f});
    renderSecondFrame();
    const Frame frame = Frame::read();

    for (const int count : stencilAround(frame, {10.0f, 0.0f, -32.0f})) {
        EXPECT_EQ(count, 2);
    }
    // Just in front of cube3 only cube2's volume counts, and beside the two
    // shadows none.
    for (const int count : stencilAround(frame, {10.2f, 0.0f, -28.8f})) {
        EXPECT_EQ(count, 1);
    }
    for (const int count : stencilAround(frame, {12.0f, 0.0f, -30.0f})) {
        EXPECT_EQ(count, 0);
    }
}

TEST_F(FramePassesTest, WithTheEyeInsideAVolumeShadowsStayDarkAndLitGroundLit) {
    // Low down behind cube1, on a ray from the light through the cube.
    test::aimCamera(*scene::camera, {8.9f, 0.285f, -10.9f}, {11.0f, 0.0f, -13.0f});
    PassLog log;
    renderSecondFrame(&log);
    const Frame frame = Frame::read();
    const Frame& base = log.picture(Pass::ReflectionsAndSkybox);

    const Pixel shadowed = pixelOf({9.6f, 0.0f, -11.8f});
    const Pixel lit = pixelOf({12.5f, 0.0f, -14.0f});
    EXPECT_EQ(frame.stencil[shadowed.index()], 1);
    EXPECT_EQ(frame.rgba(shadowed.index()), base.rgba(shadowed.index()));
    EXPECT_EQ(frame.stencil[lit.index()], 0);
    EXPECT_GT(frame.rgba(lit.index()).sum(), base.rgba(lit.index()).sum());
}

TEST_F(FramePassesTest, LightingPassBrightensUnshadowedStreetAndLeavesShadowAtItsAmbientColour) {
    PassLog log;
    renderSecondFrame(&log);
    const Frame frame = Frame::read();
    const Frame& base = log.picture(Pass::ReflectionsAndSkybox);

    const Pixel shadowed = pixelOf(kInCubeShadow);
    const Pixel lit = pixelOf(kLitBesideShadow);
    double shadowedSum = 0.0;
    double litSum = 0.0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const int s = Pixel{shadowed.x + dx, shadowed.y + dy}.index();
            const int l = Pixel{lit.x + dx, lit.y + dy}.index();
            EXPECT_EQ(frame.rgba(s), base.rgba(s));
            EXPECT_GT(frame.rgba(l).sum(), base.rgba(l).sum());
            shadowedSum += frame.rgba(s).sum();
            litSum += frame.rgba(l).sum();
        }
    }
    EXPECT_GT(litSum, 1.5 * shadowedSum);
}

TEST_F(FramePassesTest, OnlyVisibleUnshadowedShadowGroupSurfacesReceiveAddedLight) {
    PassLog log;
    renderSecondFrame(&log);
    const Frame frame = Frame::read();
    const Frame& base = log.picture(Pass::ReflectionsAndSkybox);

    // The shadow group alone over black, with the program, matrices and
    // intensities that the lighting pass left: where it shows, at what depth,
    // and what the lighting pass had to add there.
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUseProgram(scene::shaderTexture2->m_program);
    drawCubesAndStreet(scene::shaderTexture2, scene::camera->m_viewMatrix);
    const Frame group = Frame::read();

    int covered = 0;
    int brightened = 0;
    int shadowedGroup = 0;
    for (int i = 0; i < frame.pixels(); ++i) {
        SCOPED_TRACE(testing::Message() << "pixel " << i % kWidth << ", " << i / kWidth);
        const bool groupShows = group.depth[i] < 1.0f && base.depth[i] == group.depth[i];
        const Rgba before = base.rgba(i);
        const Rgba after = frame.rgba(i);
        if (!groupShows || frame.stencil[i] != 0) {
            // Lamps, cars, walls, the sky and shadowed points keep their colour.
            ASSERT_EQ(after, before);
            covered += base.depth[i] < group.depth[i] ? 1 : 0;
            shadowedGroup += groupShows ? 1 : 0;
            continue;
        }
        // Added on top, clamped by the framebuffer.
        const Rgba added = group.rgba(i);
        ASSERT_NEAR(after.r, std::min(255, before.r + added.r), 1);
        ASSERT_NEAR(after.g, std::min(255, before.g + added.g), 1);
        ASSERT_NEAR(after.b, std::min(255, before.b + added.b), 1);
        brightened += after.sum() > before.sum() ? 1 : 0;
    }
    // The pose does show shadow-group surfaces hidden by others, and shadows.
    EXPECT_GT(covered, 500);
    EXPECT_GT(shadowedGroup, 500);
    EXPECT_GT(brightened, frame.pixels() / 4);
}

TEST_F(FramePassesTest, SkyFillsExactlyThePixelsThatNoObjectCovers) {
    PassLog log;
    renderSecondFrame(&log);
    const Frame& beforeSky = log.picture(Pass::Base);
    const Frame& afterSky = log.picture(Pass::ReflectionsAndSkybox);

    int sky = 0;
    int objects = 0;
    for (int i = 0; i < afterSky.pixels(); ++i) {
        if (afterSky.depth[i] != beforeSky.depth[i]) {
            continue;  // car2, drawn in the same pass
        }
        if (beforeSky.depth[i] == 1.0f) {
            // The sky lies at the cleared depth and is not black.
            ASSERT_NE(afterSky.rgba(i), (Rgba{0, 0, 0, 255})) << "pixel " << i;
            ++sky;
        } else {
            ASSERT_EQ(afterSky.rgba(i), beforeSky.rgba(i)) << "pixel " << i;
            ++objects;
        }
    }
    EXPECT_GT(sky, afterSky.pixels() / 20);
    EXPECT_GT(objects, afterSky.pixels() / 2);
}

TEST_F(FramePassesTest, SkyStaysVisibleFromInsideWhereverTheCameraLooks) {
    const glm::vec3 eye{0.0f, 3.0f, 0.0f};
    // Up, and a little above the horizon all round.
    const glm::vec3 directions[] = {{0.0f, 1.0f, 0.001f},
                                    {1.0f, 0.5f, 0.0f},
                                    {-1.0f, 0.5f, 0.0f},
                                    {0.0f, 0.5f, 1.0f},
                                    {0.0f, 0.5f, -1.0f}};
    for (const glm::vec3& direction : directions) {
        SCOPED_TRACE(testing::Message()
                     << direction.x << ", " << direction.y << ", " << direction.z);
        test::aimCamera(*scene::camera, eye, eye + direction);
        // Culling is on after any frame, and the depths of the last one must go.
        renderSecondFrame();
        const Frame frame = Frame::read();
        int sky = 0;
        for (int i = 0; i < frame.pixels(); ++i) {
            if (frame.depth[i] == 1.0f) {
                ASSERT_NE(frame.rgba(i), (Rgba{0, 0, 0, 255})) << "pixel " << i;
                ++sky;
            }
        }
        EXPECT_GT(sky, frame.pixels() / 10);
        if (direction.y == 1.0f) {
            EXPECT_EQ(sky, frame.pixels());
        }
    }
}

// Share of colour channels that differ by more than a few steps.
double changedShare(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    std::size_t changed = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        changed += std::abs(int(a[i]) - int(b[i])) > 8 ? 1 : 0;
    }
    return static_cast<double>(changed) / static_cast<double>(a.size());
}

TEST_F(FramePassesTest, SkyTurnsWithTheCameraButNeverMovesWithIt) {
    auto skyFrom = [this](const glm::vec3& eye, float yaw) {
        // Looking up over the lamps and rooftops: only sky in view.
        scene::camera->m_position = eye;
        scene::camera->m_horizontalAngle = yaw;
        scene::camera->m_verticalAngle = 0.55f;
        scene::camera->look(kWidth / 2, kHeight / 2, kWidth, kHeight, 0.0f);
        scene::camera->rebuildMatrices();
        renderSecondFrame();
        const Frame frame = Frame::read();
        int objects = 0;
        for (const float depth : frame.depth) {
            objects += depth != 1.0f ? 1 : 0;
        }
        EXPECT_EQ(objects, 0) << "at yaw " << yaw;
        return frame.colour;
    };
    // Towards the afterglow over the far end of the street.
    const float towardsGlow = 2.72f;
    const std::vector<std::uint8_t> here = skyFrom({10.0f, 3.0f, 20.0f}, towardsGlow);
    // The view's rotation is rebuilt from the eye each frame, so it may differ
    // in the last bits; the picture does not move.
    EXPECT_LT(changedShare(skyFrom({5.0f, 8.0f, -20.0f}, towardsGlow), here), 0.002);
    // Turned away, the glow's colours leave the lower part of the view.
    EXPECT_GT(changedShare(skyFrom({10.0f, 3.0f, 20.0f}, towardsGlow - 3.14f), here), 0.1);
}

TEST_F(FramePassesTest, SkyAndMirrorProgramsGetTheCameraMatricesAndTheSkyNoTranslation) {
    test::aimCamera(*scene::camera, {-3.0f, 7.0f, 25.0f}, {6.6f, 1.0f, -100.0f});
    renderFrame();
    const glm::mat4& view = scene::camera->m_viewMatrix;
    const glm::mat4& projection = scene::camera->m_projectionMatrix;

    const GLuint sky = scene::shaderSkybox->m_program;
    glm::mat4 turnOnly = view;
    turnOnly[3] = glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    for (int c = 0; c < 3; ++c) {
        turnOnly[c][3] = 0.0f;
    }
    EXPECT_NE(view[3], turnOnly[3]);  // the eye is away from the origin
    EXPECT_EQ(uniformMat4(sky, "view"), turnOnly);
    EXPECT_EQ(uniformMat4(sky, "projection"), projection);

    const GLuint mirror = scene::shaderEnvironmentalMapping->m_program;
    EXPECT_EQ(uniformMat4(mirror, "view"), view);
    EXPECT_EQ(uniformMat4(mirror, "projection"), projection);
    EXPECT_EQ(uniformVec3(mirror, "cameraPos"), scene::camera->m_position);
    EXPECT_EQ(uniformMat4(mirror, "M_mat"), scene::car2->m_mesh->m_modelMatrix);
    // The cube map is the only texture either program reads, on unit 0.
    EXPECT_EQ(uniformInt(mirror, "skybox"), 0);
    EXPECT_EQ(uniformInt(sky, "skybox"), 0);
}

TEST_F(FramePassesTest, ManyFramesAlongThePathWithDrivingCarsRaiseNoGlError) {
    glViewport(0, 0, kWidth / 2, kHeight / 2);
    scene::camera->m_pathTime = 0.0f;
    for (int frame = 0; frame < 40; ++frame) {
        SCOPED_TRACE(testing::Message() << "frame " << frame);
        scene::camera->step(kWidth / 2, kHeight / 2, kWidth, kHeight, {}, 1.0f);
        scene::car1->update(1.0f);
        scene::car3->update(1.0f);
        updateLightPositions();
        if (frame % 10 == 9) {
            // Now and then from inside cube1's shadow.
            test::aimCamera(*scene::camera, {8.9f, 0.285f, -10.9f}, {11.0f, 0.0f, -13.0f});
            lightPositions[0] = kLight;
        }
        renderFrame();
        expectNoGlError();
    }
}

// The sky box's own data: the cube of triangles in its buffer and vertex
// array, and the cube map holding the six pictures face by face.
class SkyboxTest : public test::SceneTest {
  protected:
    void TearDown() override { expectNoGlError(); }
};

TEST_F(SkyboxTest, BufferHoldsTwelveInwardFacingTrianglesTwoPerFaceInFaceOrder) {
    GLint size = 0;
    glBindBuffer(GL_COPY_READ_BUFFER, skyboxVBO);
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &size);
    ASSERT_EQ(size, 432);
    std::array<float, 108> data{};
    glGetBufferSubData(GL_COPY_READ_BUFFER, 0, size, data.data());
    GLint usage = 0;
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_USAGE, &usage);
    EXPECT_EQ(usage, GL_STATIC_DRAW);
    glBindBuffer(GL_COPY_READ_BUFFER, 0);

    // The face that each pair of triangles lies on: axis and side.
    const std::array<std::pair<int, float>, 6> faces = {
        {{2, -100.0f}, {0, -100.0f}, {0, 100.0f}, {2, 100.0f}, {1, 100.0f}, {1, -100.0f}}};
    for (int t = 0; t < 12; ++t) {
        SCOPED_TRACE(testing::Message() << "triangle " << t + 1);
        glm::vec3 corner[3];
        for (int v = 0; v < 3; ++v) {
            corner[v] = glm::make_vec3(&data[(t * 3 + v) * 3]);
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(std::abs(corner[v][k]), 100.0f);
            }
            const auto [axis, side] = faces[t / 2];
            EXPECT_EQ(corner[v][axis], side);
        }
        const glm::vec3 normal = glm::cross(corner[1] - corner[0], corner[2] - corner[0]);
        // Half the face each, and counter-clockwise seen from the centre.
        EXPECT_EQ(glm::length(normal), 200.0f * 200.0f);
        EXPECT_LT(glm::dot(normal, corner[0] + corner[1] + corner[2]), 0.0f);
    }
    // The two triangles of a face share its diagonal and together cover it.
    for (int f = 0; f < 6; ++f) {
        glm::vec3 sum(0.0f);
        for (int v = 0; v < 6; ++v) {
            sum += glm::make_vec3(&data[(f * 6 + v) * 3]);
        }
        const auto [axis, side] = faces[f];
        glm::vec3 centre(0.0f);
        centre[axis] = side;
        // Six corners: the diagonal's two twice and the other two once.
        EXPECT_EQ(sum / 6.0f, centre);
    }
}

TEST_F(SkyboxTest, VertexArrayFeedsPositionsOnlyFromTheSkyBuffer) {
    glBindVertexArray(skyboxVAO);
    GLint enabled = 0;
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, GL_TRUE);
    GLint value = 0;
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_SIZE, &value);
    EXPECT_EQ(value, 3);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_TYPE, &value);
    EXPECT_EQ(value, GL_FLOAT);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &value);
    EXPECT_EQ(value, GL_FALSE);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &value);
    EXPECT_EQ(value, 12);
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &value);
    EXPECT_EQ(value, static_cast<GLint>(skyboxVBO));
    void* offset = reinterpret_cast<void*>(1);
    glGetVertexAttribPointerv(0, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
    EXPECT_EQ(offset, nullptr);
    for (GLuint attribute = 1; attribute < 5; ++attribute) {
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        EXPECT_EQ(enabled, GL_FALSE) << "attribute " << attribute;
    }
    glBindVertexArray(0);
}

TEST_F(SkyboxTest, CubeMapTakesRightLeftTopBottomBackFrontForPlusXToMinusZ) {
    const char* pictures[] = {"textures/skybox/right.jpg", "textures/skybox/left.jpg",
                              "textures/skybox/top.jpg",   "textures/skybox/bottom.jpg",
                              "textures/skybox/back.jpg",  "textures/skybox/front.jpg"};
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubemapTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(pictures[face]);
        int width = 0;
        int height = 0;
        unsigned char* pixels =
            SOIL_load_image(pictures[face], &width, &height, nullptr, SOIL_LOAD_RGB);
        ASSERT_NE(pixels, nullptr);
        const std::vector<std::uint8_t> expected(pixels, pixels + width * height * 3);
        SOIL_free_image_data(pixels);

        const GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X + face;
        GLint size = 0;
        glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &size);
        ASSERT_EQ(size, width);
        std::vector<std::uint8_t> held(expected.size());
        glGetTexImage(target, 0, GL_RGB, GL_UNSIGNED_BYTE, held.data());
        EXPECT_EQ(held, expected);
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

}  // namespace
}  // namespace tandril::render
