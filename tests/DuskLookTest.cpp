// The street scene's picture in whole frames: the ground runs into the sky's
// haze with no edge in sight, and window panes stay put whatever the relief
// scale of the bricks around them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <glm/vec3.hpp>

#include "base/RuntimeSettings.h"
#include "render/FramePasses.h"
#include "scene/SceneGlobals.h"
#include "support/GlContext.h"
#include "support/ReadBack.h"
#include "support/SceneControl.h"

namespace tandril::render {
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

class DuskLookTest : public test::SceneTest {
  protected:
    std::vector<std::uint8_t> render() {
        glViewport(0, 0, kWidth, kHeight);
        renderFrame();
        renderFrame();
        return test::readColour(0, 0, kWidth, kHeight);
    }

    test::SceneStateGuard m_guard;
};

// The step between rows y and y + 1 that runs across the picture: the median
// over its columns of the largest step in any channel. The end of the ground
// would be one; the kerbs and markings that run toward the horizon cross only
// a few columns.
int stepAcross(const std::vector<std::uint8_t>& rgba, int y) {
    std::vector<int> steps;
    for (int x = 0; x < kWidth; x += 4) {
        int largest = 0;
        for (int c = 0; c < 3; ++c) {
            const int a = rgba[(static_cast<std::size_t>(y) * kWidth + x) * 4 + c];
            const int b = rgba[(static_cast<std::size_t>(y + 1) * kWidth + x) * 4 + c];
            largest = std::max(largest, std::abs(a - b));
        }
        steps.push_back(largest);
    }
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    return steps[steps.size() / 2];
}

TEST_F(DuskLookTest, GroundRunsIntoTheSkyWithoutAnEdge) {
    // Beside and beyond the houses, along the street both ways and across it.
    struct View {
        glm::vec3 eye;
        glm::vec3 direction;
    };
    for (const View& view : {View{{0, 5, -150}, {-1, 0, 0}}, View{{0, 5, -150}, {1, 0, 0}},
                             View{{0, 5, -300}, {0, 0, -1}}, View{{0, 5, 200}, {0, 0, 1}}}) {
        SCOPED_TRACE(testing::Message() << "looking along (" << view.direction.x << ", "
                                        << view.direction.z << ") from z = " << view.eye.z);
        test::aimCamera(*scene::camera, view.eye, view.eye + view.direction);
        const std::vector<std::uint8_t> picture = render();
        // The horizon's row; below it lie the far ground and the sky's lower
        // half, which must meet without a step.
        const int horizon = static_cast<int>(
            test::toWindow(*scene::camera, view.eye + 1e5f * view.direction, kWidth, kHeight).y);
        ASSERT_GT(horizon, kHeight / 3);
        int steepest = 0;
        for (int y = horizon - kHeight / 5; y < horizon - 2; ++y) {
            steepest = std::max(steepest, stepAcross(picture, y));
        }
        EXPECT_LE(steepest, 3);
    }
}

TEST_F(DuskLookTest, PanesLookTheSameAtEveryReliefScale) {
    // A first-floor window of the first house of wall1, seen at a slant.
    const float paneX = -15.25f;
    const float left = -19.22f, right = -18.12f, bottom = 4.5f, top = 6.1f;
    test::aimCamera(*scene::camera, {-9.0f, 5.0f, -17.0f}, {paneX, 5.06f, -18.4f});
    // The pane's inner part on screen.
    const glm::vec3 a =
        test::toWindow(*scene::camera, {paneX, bottom + 0.3f, right - 0.2f}, kWidth, kHeight);
    const glm::vec3 b =
        test::toWindow(*scene::camera, {paneX, top - 0.3f, left + 0.2f}, kWidth, kHeight);
    const int x0 = static_cast<int>(std::min(a.x, b.x)), x1 = static_cast<int>(std::max(a.x, b.x));
    const int y0 = static_cast<int>(std::min(a.y, b.y)), y1 = static_cast<int>(std::max(a.y, b.y));
    ASSERT_GT(x1 - x0, 20);
    ASSERT_GT(y1 - y0, 20);

    base::parallaxScale = 0.01f;
    const std::vector<std::uint8_t> usual = render();
    for (const float scale : {0.1f, -0.1f}) {
        base::parallaxScale = scale;
        const std::vector<std::uint8_t> picture = render();
        int differing = 0;
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const std::size_t i = (static_cast<std::size_t>(y) * kWidth + x) * 4;
                differing += !std::equal(&usual[i], &usual[i + 3], &picture[i]);
            }
        }
        EXPECT_EQ(differing, 0) << "at scale " << scale;
    }
}

}  // namespace
}  // namespace tandril::render
