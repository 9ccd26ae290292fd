// The camera driven with given input and fixed time steps: where it starts,
// how the pointer and the keys move it, the matrices it builds, and the
// built-in path of the first 31 seconds with its exclusive time bounds.
#include <cmath>
#include <numbers>
#include <ostream>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <glm/geometric.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include "base/WindowGlobals.h"
#include "scene/Camera.h"
#include "support/GlContext.h"

namespace tandril::scene {
namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 1200;
constexpr double kCentreX = kWidth / 2;
constexpr double kCentreY = kHeight / 2;
constexpr float kFrame = 1.0f / 32.0f;  // exact in binary, so path time sums exactly

void expectVecNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void expectMatEq(const glm::mat4& actual, const glm::mat4& expected) {
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_EQ(actual[c][r], expected[c][r]) << "[" << c << "][" << r << "]";
        }
    }
}

// One frame with the pointer resting at the centre and no key held.
void still(Camera& camera, float deltaTime, int height = kHeight) {
    camera.step(kWidth / 2, height / 2, kWidth, height, {}, deltaTime);
}

TEST(Camera, BeforeTheFirstUpdateHasNoViewAndAfterItLooksAlongMinusZFromItsPost) {
    Camera camera(nullptr);
    expectMatEq(camera.m_viewMatrix, glm::mat4(1.0f));
    expectMatEq(camera.m_projectionMatrix, glm::mat4(1.0f));
    EXPECT_EQ(camera.m_direction, glm::vec3(0.0f));
    EXPECT_EQ(camera.m_right, glm::vec3(0.0f));
    EXPECT_EQ(camera.m_up, glm::vec3(0.0f));
    EXPECT_EQ(camera.m_pathTime, 0.0f);

    still(camera, kFrame);

    EXPECT_EQ(camera.m_position, glm::vec3(1.0f, 5.0f, 5.0f));
    // Yaw 3.14 is just short of pi: the view leans a hair towards +x.
    EXPECT_EQ(camera.m_horizontalAngle, 3.14f);
    EXPECT_EQ(camera.m_verticalAngle, 0.0f);
    expectVecNear(camera.m_direction, {0.0015927f, 0.0f, -0.9999987f}, 1e-6f);
    expectVecNear(camera.m_right, {1.0f, 0.0f, 0.0007963f}, 1e-6f);
    expectVecNear(camera.m_up, {0.0f, 1.0f, 0.0f}, 1e-5f);
    EXPECT_EQ(camera.m_pathTime, kFrame);
}

TEST(Camera, PointerLeftOfAndAboveTheCentreTurnsLeftAndUpByOffsetTimesSpeedTimesFrameTime) {
    Camera camera(nullptr);
    still(camera, kFrame);
    const glm::vec3 startRight = camera.m_right;

    camera.look(kCentreX - 40.0, kCentreY - 20.0, kWidth, kHeight, 0.5f);

    EXPECT_EQ(camera.m_horizontalAngle, 3.14f + 40.0f * (0.05f * 0.5f));
    EXPECT_EQ(camera.m_verticalAngle, 20.0f * (0.05f * 0.5f));
    EXPECT_LT(glm::dot(camera.m_direction, startRight), -0.5f);  // left of where it looked
    EXPECT_GT(camera.m_direction.y, 0.4f);                       // and up
}

TEST(Camera, SameMouseOffsetTurnsTwiceAsFarInAFrameTwiceAsLong) {
    Camera quick(nullptr);
    Camera slow(nullptr);
    quick.look(kCentreX + 30.0, kCentreY + 10.0, kWidth, kHeight, 0.02f);
    slow.look(kCentreX + 30.0, kCentreY + 10.0, kWidth, kHeight, 0.04f);

    const float quickYaw = quick.m_horizontalAngle - 3.14f;
    const float slowYaw = slow.m_horizontalAngle - 3.14f;
    EXPECT_LT(quickYaw, 0.0f);  // right of the centre turns right
    EXPECT_NEAR(slowYaw, 2.0f * quickYaw, 1e-6f);
    EXPECT_LT(quick.m_verticalAngle, 0.0f);  // below the centre turns down
    EXPECT_NEAR(slow.m_verticalAngle, 2.0f * quick.m_verticalAngle, 1e-6f);
}

TEST(Camera, CentreIsTheTruncatedHalfOfAnOddWindow) {
    Camera camera(nullptr);
    camera.look(400.0, 300.0, 801, 601, 1.0f);
    EXPECT_EQ(camera.m_horizontalAngle, 3.14f);
    EXPECT_EQ(camera.m_verticalAngle, 0.0f);

    // Half a pixel right of the integer centre of 801 is a real offset.
    camera.look(400.5, 300.0, 801, 601, 1.0f);
    EXPECT_EQ(camera.m_horizontalAngle, 3.14f - 0.5f * 0.05f);
}

TEST(Camera, PitchIsNotLimitedSoTheViewTurnsOverTheTopAndUpsideDown) {
    Camera camera(nullptr);
    // 2 radians of pitch: past the vertical.
    camera.look(kCentreX, kCentreY - 400.0, kWidth, kHeight, 0.1f);
    EXPECT_FLOAT_EQ(camera.m_verticalAngle, 2.0f);
    EXPECT_LT(camera.m_up.y, 0.0f);
    EXPECT_GT(camera.m_direction.y, 0.0f);
    // The horizontal part now points backwards: over the top.
    EXPECT_GT(camera.m_direction.z, 0.0f);

    // Yaw is not wrapped either.
    for (int turn = 0; turn < 10; ++turn) {
        camera.look(kCentreX - 400.0, kCentreY, kWidth, kHeight, 0.1f);
    }
    EXPECT_NEAR(camera.m_horizontalAngle, 3.14f + 20.0f, 1e-4f);
}

TEST(Camera, OppositeKeysCancel) {
    Camera camera(nullptr);
    camera.look(kCentreX - 77.0, kCentreY + 33.0, kWidth, kHeight, 0.01f);
    const glm::vec3 start = camera.m_position;

    MovementKeys forwardAndBack;
    forwardAndBack.forward = true;
    forwardAndBack.backward = true;
    camera.move(forwardAndBack, 0.25f);
    expectVecNear(camera.m_position, start, 1e-6f);

    MovementKeys leftAndRight;
    leftAndRight.left = true;
    leftAndRight.right = true;
    camera.move(leftAndRight, 0.25f);
    expectVecNear(camera.m_position, start, 1e-6f);
}

TEST(Camera, KeysFlyAlongTheFullViewAndTheRightVectorAtThirtyUnitsPerSecond) {
    Camera camera(nullptr);
    // Looking up and to the left, so W also climbs.
    camera.look(kCentreX - 20.0, kCentreY - 100.0, kWidth, kHeight, 0.1f);
    const glm::vec3 start = camera.m_position;
    const glm::vec3 direction = camera.m_direction;
    const glm::vec3 right = camera.m_right;
    const float dt = 0.1f;

    MovementKeys w;
    w.forward = true;
    camera.move(w, dt);
    // Per component: (component x deltaTime) x speed, in float.
    EXPECT_EQ(camera.m_position, start + direction * dt * 30.0f);
    EXPECT_GT(camera.m_position.y, start.y + 1.0f);

    MovementKeys a;
    a.left = true;
    camera.m_position = start;
    camera.move(a, dt);
    EXPECT_EQ(camera.m_position, start - right * dt * 30.0f);
    EXPECT_EQ(camera.m_position.y, start.y);  // the right vector is horizontal
}

TEST(Camera, DiagonalFlightIsFasterThanStraightFlight) {
    Camera straight(nullptr);
    Camera diagonal(nullptr);
    still(straight, kFrame);
    still(diagonal, kFrame);
    const glm::vec3 start = straight.m_position;

    MovementKeys w;
    w.forward = true;
    MovementKeys wd = w;
    wd.right = true;
    straight.move(w, 0.5f);
    diagonal.move(wd, 0.5f);

    const float straightDistance = glm::length(straight.m_position - start);
    const float diagonalDistance = glm::length(diagonal.m_position - start);
    EXPECT_NEAR(straightDistance, 15.0f, 1e-4f);
    EXPECT_NEAR(diagonalDistance, 15.0f * std::sqrt(2.0f), 1e-2f);
}

TEST(Camera, ProjectionTakesFortyFiveAsRadiansAndKeepsFourThirdsWhateverTheWindow) {
    const double t = std::tan(22.5);  // half of 45 radians
    const std::pair<int, int> sizes[] = {{1200, 1200}, {1920, 400}, {300, 900}};
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        Camera camera(nullptr);
        camera.step(width / 2, height / 2, width, height, {}, kFrame);
        const glm::mat4& p = camera.m_projectionMatrix;
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) {
                const bool used = (c == r && c < 3) || (c == 2 && r == 3) || (c == 3 && r == 2);
                if (!used) {
                    EXPECT_EQ(p[c][r], 0.0f) << "[" << c << "][" << r << "]";
                }
            }
        }
        EXPECT_NEAR(p[0][0], 1.0 / (4.0 / 3.0 * t), 1e-5);
        EXPECT_NEAR(p[1][1], 1.0 / t, 1e-5);
        EXPECT_NEAR(p[2][2], -1000.1 / 999.9, 1e-5);
        EXPECT_EQ(p[2][3], -1.0f);
        EXPECT_NEAR(p[3][2], -200.0 / 999.9, 1e-5);
        // An effective vertical field of view of about 58.3 degrees.
        EXPECT_NEAR(2.0 * std::atan(1.0 / p[1][1]) * 180.0 / std::numbers::pi, 58.3, 0.05);
    }
}

TEST(Camera, ViewPutsTheEyeAtTheOriginLookingDownMinusZWithItsUpVectorUp) {
    Camera camera(nullptr);
    camera.m_position = {-7.0f, 2.5f, 40.0f};
    camera.look(kCentreX + 123.0, kCentreY + 45.0, kWidth, kHeight, 0.07f);
    camera.rebuildMatrices();
    const glm::mat4& view = camera.m_viewMatrix;

    expectVecNear(glm::vec3(view * glm::vec4(camera.m_position, 1.0f)), glm::vec3(0.0f), 1e-4f);
    const glm::vec4 ahead = view * glm::vec4(camera.m_position + camera.m_direction, 1.0f);
    expectVecNear(glm::vec3(ahead), {0.0f, 0.0f, -1.0f}, 1e-4f);
    const glm::vec4 up = view * glm::vec4(glm::normalize(camera.m_up), 0.0f);
    expectVecNear(glm::vec3(up), {0.0f, 1.0f, 0.0f}, 1e-4f);
    // 1.57 is not quite pi/2, so the right vector is a hair off square.
    const glm::vec4 right = view * glm::vec4(camera.m_right, 0.0f);
    expectVecNear(glm::vec3(right), {1.0f, 0.0f, 0.0f}, 2e-3f);
}

TEST(Camera, PathStepTakenAfterTheMatricesShowsInTheNextFrame) {
    Camera camera(nullptr);
    camera.m_pathTime = 3.0f;
    const glm::vec3 before = camera.m_position;

    still(camera, 0.5f);

    EXPECT_EQ(camera.m_position.x, before.x + 3.0f);
    // This frame's view was built from where the eye stood before the step.
    expectVecNear(glm::vec3(camera.m_viewMatrix * glm::vec4(before, 1.0f)), glm::vec3(0.0f), 1e-5f);

    still(camera, 0.0f);
    expectVecNear(glm::vec3(camera.m_viewMatrix * glm::vec4(camera.m_position, 1.0f)),
                  glm::vec3(0.0f), 1e-5f);
}

// One row of the camera path: how far each axis moves per second and which
// way the yaw turns with which rate, for path times strictly inside (from, to).
struct PathRow {
    float from;
    float to;
    float dx;   // float steps: 6 or 3 units per second
    double dy;  // formed in double: 0.4 units per second
    float dz;
    int yawSign;
    double turnRate;
};

void PrintTo(const PathRow& row, std::ostream* out) {
    *out << "path from " << row.from << " to " << row.to << " s";
}

constexpr PathRow kPathRows[] = {
    {2.0f, 6.0f, 6.0f, 0.0, 0.0f, +1, 0.0002},     {6.0f, 12.0f, -6.0f, -0.4, -6.0f, +1, 0.0002},
    {15.0f, 18.0f, 6.0f, 0.0, -6.0f, -1, 0.0002},  {18.0f, 23.0f, 0.0f, 0.0, -6.0f, -1, 0.0002},
    {23.0f, 31.0f, -3.0f, 0.4, -3.0f, -1, 0.0004},
};

// What one path step makes of a start pose, with every product in the
// precision that the camera forms it in.
struct Pose {
    glm::vec3 position;
    float yaw;
};

Pose expectedStep(const PathRow& row, Pose start, float dt, int halfHeight) {
    Pose next = start;
    next.position.x = start.position.x + row.dx * dt;
    next.position.z = start.position.z + row.dz * dt;
    if (row.dy != 0.0) {
        next.position.y = static_cast<float>(start.position.y + row.dy * dt);
    }
    const double turn = static_cast<double>(static_cast<float>(halfHeight - row.turnRate)) *
                        (static_cast<double>(dt) * row.turnRate);
    next.yaw = static_cast<float>(start.yaw + row.yawSign * turn);
    return next;
}

class CameraPathRow : public ::testing::TestWithParam<PathRow> {};

TEST_P(CameraPathRow, MovesAndTurnsThroughoutItsOpenInterval) {
    const PathRow row = GetParam();
    const float mid = (row.from + row.to) / 2.0f;
    const float justAfter = std::nextafter(row.from, row.to);
    const float justBefore = std::nextafter(row.to, row.from);
    for (const float time : {justAfter, mid, justBefore}) {
        for (const int halfHeight : {600, 300}) {
            SCOPED_TRACE(testing::Message() << "T " << time << " H " << halfHeight);
            Camera camera(nullptr);
            camera.m_position = {1.5f, 4.25f, -3.0f};
            camera.m_horizontalAngle = 2.5f;
            camera.m_pathTime = time;
            const Pose want = expectedStep(row, {camera.m_position, 2.5f}, 0.05f, halfHeight);

            camera.followPath(halfHeight, 0.05f);

            EXPECT_EQ(camera.m_position, want.position);
            EXPECT_EQ(camera.m_horizontalAngle, want.yaw);
            EXPECT_EQ(camera.m_verticalAngle, 0.0f);
            EXPECT_EQ(camera.m_pathTime, time + 0.05f);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, CameraPathRow, ::testing::ValuesIn(kPathRows),
                         [](const testing::TestParamInfo<PathRow>& info) {
                             return "From" + std::to_string(static_cast<int>(info.param.from)) +
                                    "To" + std::to_string(static_cast<int>(info.param.to));
                         });

TEST(CameraPath, ChangesNothingAtItsBoundsInItsGapAndBeforeAndAfterIt) {
    const float times[] = {0.0f,  1.0f,  2.0f,  6.0f,  12.0f, 13.5f, std::nextafter(15.0f, 0.0f),
                           15.0f, 18.0f, 23.0f, 31.0f, 31.5f, 500.0f};
    for (const float time : times) {
        SCOPED_TRACE(testing::Message() << "T " << time);
        Camera camera(nullptr);
        camera.m_pathTime = time;
        const glm::vec3 before = camera.m_position;

        camera.followPath(600, 0.1f);

        EXPECT_EQ(camera.m_position, before);
        EXPECT_EQ(camera.m_horizontalAngle, 3.14f);
        // The path clock runs on regardless.
        EXPECT_EQ(camera.m_pathTime, time + 0.1f);
    }
}

TEST(CameraPath, ClimbAndTurnAreFormedInDoublePrecision) {
    // Small coordinates and angles have fine enough floats that a step formed
    // in float would sometimes round differently; count that it does here, so
    // the exact comparisons below can tell the two apart.
    int floatWouldDiffer = 0;
    for (int i = 1; i <= 60; ++i) {
        const float dt = 0.5f * static_cast<float>(i) / 61.0f;
        for (const float start : {0.0137f, 0.2396f, 0.1429f, -0.0403f, 0.0636f}) {
            SCOPED_TRACE(testing::Message() << "dt " << dt << " start " << start);
            const PathRow& climbing = kPathRows[4];
            const PathRow& sinking = kPathRows[1];
            for (const PathRow* row : {&climbing, &sinking}) {
                Camera camera(nullptr);
                camera.m_position.y = start;
                camera.m_horizontalAngle = start;
                camera.m_pathTime = (row->from + row->to) / 2.0f;
                const Pose want = expectedStep(*row, {camera.m_position, start}, dt, 600);

                camera.followPath(600, dt);

                EXPECT_EQ(camera.m_position.y, want.position.y);
                EXPECT_EQ(camera.m_horizontalAngle, want.yaw);
                const float floatClimb = start + static_cast<float>(row->dy) * dt;
                const float floatTurn = start + row->yawSign *
                                                    (600.0f - static_cast<float>(row->turnRate)) *
                                                    (dt * static_cast<float>(row->turnRate));
                floatWouldDiffer += (floatClimb != want.position.y) + (floatTurn != want.yaw);
            }
        }
    }
    EXPECT_GT(floatWouldDiffer, 0);
}

TEST(CameraPath, TurnsFasterInATallerWindow) {
    Camera tall(nullptr);
    Camera short_(nullptr);
    tall.m_pathTime = short_.m_pathTime = 4.0f;
    tall.followPath(600, 1.0f);
    short_.followPath(300, 1.0f);
    // About 0.12 radians per second at the default height of 1200.
    EXPECT_NEAR(tall.m_horizontalAngle - 3.14f, 0.12f, 1e-5f);
    EXPECT_NEAR(short_.m_horizontalAngle - 3.14f, 0.06f, 1e-5f);
}

TEST(CameraPath, RunWithoutInputFollowsEveryLegAndComesToRestAfterThirtyOneSeconds) {
    Camera camera(nullptr);
    // Steps at path times k/32; a leg (a, b) takes those strictly inside it.
    auto steps = [](const PathRow& row) { return 32.0 * (row.to - row.from) - 1.0; };
    glm::dvec3 expected(1.0, 5.0, 5.0);
    double yaw = 3.14;
    for (const PathRow& row : kPathRows) {
        const double n = steps(row);
        expected += n * kFrame * glm::dvec3(row.dx, row.dy, row.dz);
        yaw += n * row.yawSign * (600.0 - row.turnRate) * kFrame * row.turnRate;
    }

    std::vector<glm::vec3> afterPath;
    for (int frame = 0; frame < 40 * 32; ++frame) {
        still(camera, kFrame);
        if (camera.m_pathTime > 31.0f) {
            afterPath.push_back(camera.m_position);
        }
    }

    EXPECT_NEAR(camera.m_position.x, expected.x, 1e-3);
    EXPECT_NEAR(camera.m_position.y, expected.y, 1e-3);
    EXPECT_NEAR(camera.m_position.z, expected.z, 1e-3);
    EXPECT_NEAR(camera.m_horizontalAngle, yaw, 1e-4);
    ASSERT_FALSE(afterPath.empty());
    for (const glm::vec3& position : afterPath) {
        EXPECT_EQ(position, afterPath.front());
    }
    // The legs end a long way down the street, to the left of the start.
    EXPECT_LT(camera.m_position.x, -15.0f);
    EXPECT_LT(camera.m_position.z, -100.0f);
}

// The window in a size of its own, so that its centre and half height show.
class CameraWindowTest : public test::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        glfwGetWindowSize(base::window, &m_width, &m_height);
        glfwSetWindowSize(base::window, 640, 480);
        glfwPollEvents();
    }
    void TearDown() override {
        glfwSetWindowSize(base::window, m_width, m_height);
        glfwPollEvents();
    }

    int m_width = 0;
    int m_height = 0;
};

// Set-up hands the camera the application's window (SceneSetupTest checks it).
TEST_F(CameraWindowTest, UpdatesFromItsWindowsPointerAndSize) {
    Camera camera(base::window);
    camera.m_pathTime = 4.0f;  // on the path, so its half height counts too

    // The hidden window cannot move the pointer, and other processes on the
    // display may: take a reading only when the pointer held still across it.
    for (int attempt = 0; attempt < 20; ++attempt) {
        int width = 0;
        int height = 0;
        glfwGetWindowSize(base::window, &width, &height);
        ASSERT_EQ(height, 480);
        double x = 0.0;
        double y = 0.0;
        glfwGetCursorPos(base::window, &x, &y);
        Camera updated = camera;
        updated.update(0.02f);
        double xAfter = 0.0;
        double yAfter = 0.0;
        glfwGetCursorPos(base::window, &xAfter, &yAfter);
        if (xAfter != x || yAfter != y) {
            continue;
        }

        Camera stepped = camera;
        stepped.step(x, y, width, height, {}, 0.02f);
        EXPECT_EQ(updated.m_horizontalAngle, stepped.m_horizontalAngle);
        EXPECT_EQ(updated.m_verticalAngle, stepped.m_verticalAngle);
        EXPECT_EQ(updated.m_position, stepped.m_position);
        EXPECT_EQ(updated.m_pathTime, stepped.m_pathTime);
        expectMatEq(updated.m_viewMatrix, stepped.m_viewMatrix);
        expectMatEq(updated.m_projectionMatrix, stepped.m_projectionMatrix);
        return;
    }
    FAIL() << "the pointer never held still";
}

}  // namespace
}  // namespace tandril::scene
