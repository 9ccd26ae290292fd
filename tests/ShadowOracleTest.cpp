// The stencil count of the whole camera path checked against an independent
// reference: for every visible point of every frame, a ray cast on the
// processor from the point to light 0 against the casters' boxes says whether
// the point is in shadow, and the count must say the same. Again on Mesa's
// softpipe, a second rasterizer, for a sample of the frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
#include <vector>

#include <glm/ext/matrix_double4x4.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "render/FramePasses.h"
#include "render/Lighting.h"
#include "scene/SceneGlobals.h"
#include "support/GlContext.h"
#include "support/ReadBack.h"
#include "support/SceneControl.h"

namespace tandril::render {
namespace {

// Square like the demo's default window, so the views are the demo's views.
constexpr int kSize = 200;
// The demo's default window height sets the path's turn rate.
constexpr int kDemoWindow = 1200;
constexpr float kStep = 1.0f / 30.0f;
constexpr int kFrames = 931;  // 0 to 31 s
// Softpipe draws a frame about 25 times as slowly: every fourth frame keeps
// its run within about a minute.
constexpr int kSoftpipeFrameStride = 4;
// Where the reference changes within this many pixels, the rasterised volume
// edge may fall either side.
constexpr int kEdgeAllowance = 2;
// Depth read-back is coarse far away: a point this close to a caster's face is
// taken to lie on it.
constexpr double kOnFace = 0.05;

struct Box {
    glm::dvec3 min;
    glm::dvec3 max;
};

Box boundsOf(const std::vector<glm::dvec3>& points) {
    Box box{glm::dvec3(std::numeric_limits<double>::max()),
            glm::dvec3(std::numeric_limits<double>::lowest())};
    for (const glm::dvec3& p : points) {
        box.min = glm::min(box.min, p);
        box.max = glm::max(box.max, p);
    }
    return box;
}

std::vector<glm::dvec3> worldPositions(const scene::Mesh& mesh) {
    std::vector<glm::dvec3> world;
    for (const glm::vec3& p : mesh.m_positions) {
        world.push_back(glm::dvec3(mesh.m_modelMatrix * glm::vec4(p, 1.0f)));
    }
    return world;
}

// The casters are boxes: each cube, and the street as a slab under the road
// with the pavement raised beside it, each bounded by its own vertices.
std::vector<Box> casterBoxes() {
    std::vector<Box> boxes;
    for (const scene::Cube* cube : {scene::cube1, scene::cube2, scene::cube3, scene::cube4}) {
        boxes.push_back(boundsOf(worldPositions(*cube->m_mesh)));
    }
    std::vector<glm::dvec3> slab, raised;
    for (const glm::dvec3& p : worldPositions(*scene::street->m_mesh)) {
        (p.y <= 0.0 ? slab : raised).push_back(p);
    }
    boxes.push_back(boundsOf(slab));
    boxes.push_back(boundsOf(raised));
    return boxes;
}

// Moves a point that lies within kOnFace of a box's surface onto it, onto
// the nearest box's where several are that close (a pavement stands on the
// slab); `nearest` is how far it moved.
glm::dvec3 snapOnto(const Box& box, glm::dvec3 p, double& nearest) {
    nearest = std::numeric_limits<double>::max();
    const glm::dvec3 grown = box.max + kOnFace;
    const glm::dvec3 shrunk = box.min - kOnFace;
    if (glm::any(glm::lessThan(p, shrunk)) || glm::any(glm::greaterThan(p, grown))) {
        return p;
    }
    int axis = 0;
    double plane = 0.0;
    for (int a = 0; a < 3; ++a) {
        for (const double face : {box.min[a], box.max[a]}) {
            if (std::abs(p[a] - face) < nearest) {
                nearest = std::abs(p[a] - face);
                axis = a;
                plane = face;
            }
        }
    }
    if (nearest < kOnFace) {
        p[axis] = plane;
    }
    return p;
}

glm::dvec3 snapOntoNearest(const std::vector<Box>& boxes, const glm::dvec3& p) {
    glm::dvec3 best = p;
    double bestDistance = kOnFace;
    for (const Box& box : boxes) {
        double distance = 0.0;
        const glm::dvec3 snapped = snapOnto(box, p, distance);
        if (distance < bestDistance) {
            best = snapped;
            bestDistance = distance;
        }
    }
    return best;
}

// Whether the segment from p to the light passes through the box's inside;
// a point on the box's surface is blocked only when the ray heads inwards.
bool blocks(const Box& box, const glm::dvec3& p, const glm::dvec3& light) {
    const glm::dvec3 d = light - p;
    double enter = 1e-6;  // leaving the surface it starts on does not count
    double leave = 1.0;
    for (int a = 0; a < 3; ++a) {
        if (std::abs(d[a]) < 1e-12) {
            if (p[a] <= box.min[a] || p[a] >= box.max[a]) {
                return false;
            }
            continue;
        }
        double t0 = (box.min[a] - p[a]) / d[a];
        double t1 = (box.max[a] - p[a]) / d[a];
        if (t0 > t1) {
            std::swap(t0, t1);
        }
        enter = std::max(enter, t0);
        leave = std::min(leave, t1);
    }
    return leave - enter > 1e-6;
}

enum class Truth : std::uint8_t { Sky, Lit, Shadowed };

class ShadowOracleTest : public test::SceneTest {
  protected:
    // Steps the camera path from its start and checks every `stride`-th frame.
    void checkCountAgainstRayCast(int stride);

    test::SceneStateGuard m_guard;
};

void ShadowOracleTest::checkCountAgainstRayCast(int stride) {
    ASSERT_EQ(scene::camera->m_pathTime, 0.0f) << "the run must start from set-up";
    const std::vector<Box> casters = casterBoxes();
    glViewport(0, 0, kSize, kSize);

    long checked = 0;
    long shadowedChecked = 0;
    long wrong = 0;
    int framesWrong = 0;
    int framesChecked = 0;
    std::vector<Truth> truth(kSize * kSize);
    for (int frame = 0; frame < kFrames; ++frame) {
        scene::camera->step(kDemoWindow / 2, kDemoWindow / 2, kDemoWindow, kDemoWindow, {},
                            frame == 0 ? 0.0f : kStep);
        scene::car1->update(frame == 0 ? 0.0f : kStep);
        scene::car3->update(frame == 0 ? 0.0f : kStep);
        updateLightPositions();
        if (frame % stride != 0) {
            continue;
        }
        ++framesChecked;
        renderFrame();
        const std::vector<float> depth = test::readDepth(0, 0, kSize, kSize);
        const std::vector<std::uint8_t> stencil = test::readStencil(0, 0, kSize, kSize);

        const glm::dmat4 toWorld = glm::inverse(glm::dmat4(scene::camera->m_projectionMatrix) *
                                                glm::dmat4(scene::camera->m_viewMatrix));
        const glm::dvec3 light = glm::dvec3(lightPositions[0]);
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                const int i = y * kSize + x;
                if (depth[i] >= 1.0f) {
                    truth[i] = Truth::Sky;
                    continue;
                }
                const glm::dvec4 ndc{2.0 * (x + 0.5) / kSize - 1.0, 2.0 * (y + 0.5) / kSize - 1.0,
                                     2.0 * depth[i] - 1.0, 1.0};
                const glm::dvec4 h = toWorld * ndc;
                const glm::dvec3 p = snapOntoNearest(casters, glm::dvec3(h) / h.w);
                const bool shadowed =
                    std::any_of(casters.begin(), casters.end(),
                                [&](const Box& b) { return blocks(b, p, light); });
                truth[i] = shadowed ? Truth::Shadowed : Truth::Lit;
            }
        }

        long wrongHere = 0;
        glm::ivec2 firstWrong{0};
        for (int y = kEdgeAllowance; y < kSize - kEdgeAllowance; ++y) {
            for (int x = kEdgeAllowance; x < kSize - kEdgeAllowance; ++x) {
                const Truth t = truth[y * kSize + x];
                if (t == Truth::Sky) {
                    continue;
                }
                bool nearEdge = false;
                for (int dy = -kEdgeAllowance; dy <= kEdgeAllowance && !nearEdge; ++dy) {
                    for (int dx = -kEdgeAllowance; dx <= kEdgeAllowance; ++dx) {
                        const Truth other = truth[(y + dy) * kSize + x + dx];
                        if (other != Truth::Sky && other != t) {
                            nearEdge = true;
                            break;
                        }
                    }
                }
                if (nearEdge) {
                    continue;
                }
                ++checked;
                shadowedChecked += t == Truth::Shadowed;
                const bool counted = stencil[y * kSize + x] != 0;
                if (counted != (t == Truth::Shadowed)) {
                    ++wrongHere;
                    if (wrongHere == 1) {
                        firstWrong = {x, y};
                    }
                }
            }
        }
        if (wrongHere > 0) {
            ++framesWrong;
            wrong += wrongHere;
            ADD_FAILURE() << "t = " << frame * kStep << " s: " << wrongHere
                          << " pixels counted against the ray cast, the first at (" << firstWrong.x
                          << ", " << firstWrong.y << ")";
            if (framesWrong >= 10) {
                break;
            }
        }
    }
    std::cout << "checked " << checked << " pixels (" << shadowedChecked << " in shadow) over "
              << framesChecked << " frames; " << wrong << " wrong in " << framesWrong
              << " frames\n";
    // The path passes the cubes: a check that sees no shadow proves nothing.
    EXPECT_GT(shadowedChecked, checked / 1000);
}

TEST_F(ShadowOracleTest, CountIsNonZeroExactlyWhereARayToTheLightMeetsACaster) {
    checkCountAgainstRayCast(1);
}

using SoftpipeShadowOracleTest = ShadowOracleTest;

TEST_F(SoftpipeShadowOracleTest, CountMatchesTheRayCastOnASampleOfTheFrames) {
    if (!test::softpipeRequested()) {
        GTEST_SKIP() << test::kSoftpipeHint;
    }
    ASSERT_EQ(test::rendererName(), "softpipe");
    checkCountAgainstRayCast(kSoftpipeFrameStride);
}

}  // namespace
}  // namespace tandril::render
