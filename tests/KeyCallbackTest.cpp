// The key callback called as GLFW calls it, on the test window: which actions
// count for which keys, what each changes and the line it answers with.
#include <array>
#include <cmath>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <glm/vec4.hpp>

#include "app/KeyCallback.h"
#include "base/RuntimeSettings.h"
#include "support/GlContext.h"
#include "support/HeldKey.h"
#include "tools/common/SceneState.h"

namespace tandril::app {
namespace {

using base::frameRateEnabled;
using base::parallaxEnabled;
using base::parallaxScale;
using base::shadowMultiplierEnabled;
using tools::SceneState;

// The settings as the demo starts, and lights with distinct, exact values
// (no scene is set up here, so there is no camera or car to save).
const SceneState kStart = [] {
    SceneState state;
    state.frameRateEnabled = false;
    state.parallaxEnabled = true;
    state.parallaxScale = 0.01f;
    state.shadowMultiplierEnabled = true;
    state.lights = {glm::vec4(0.5f, 20.0f, 10.0f, 2.0f), glm::vec4(-1.0f, 5.0f, -10.0f, 0.8f),
                    glm::vec4(-1.0f, 5.0f, -30.0f, 0.8f), glm::vec4(0.0f, 20.0f, 20.0f, 2.0f)};
    return state;
}();

class KeyCallbackTest : public test::GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        m_saved = SceneState::save();
        kStart.restore();
        glfwSetWindowShouldClose(window(), 0);
        m_cout = std::cout.rdbuf(m_captured.rdbuf());
    }
    void TearDown() override {
        if (m_cout == nullptr) {
            return;  // set-up did not get as far
        }
        std::cout.rdbuf(m_cout);
        glfwSetWindowShouldClose(window(), 0);
        m_saved.restore();
    }

    static GLFWwindow* window() { return test::testWindow(); }
    bool closing() const { return glfwWindowShouldClose(window()) != 0; }

    // One key event; returns what it wrote.
    std::string key(int key, int action = GLFW_PRESS, int scancode = 0, int mods = 0) {
        m_captured.str("");
        keyCallback(window(), key, scancode, action, mods);
        return m_captured.str();
    }

  private:
    SceneState m_saved;
    std::ostringstream m_captured;
    std::streambuf* m_cout = nullptr;
};

TEST_F(KeyCallbackTest, TogglesFlipOnEveryPressAndSayWhichWay) {
    const struct {
        int key;
        bool* setting;
        const char* firstLine;
        const char* secondLine;
    } toggles[] = {
        {GLFW_KEY_F2, &frameRateEnabled, "enable frameRate\n", "disable frameRate\n"},
        {GLFW_KEY_F3, &parallaxEnabled, "disable parallax\n", "enable parallax\n"},
        {GLFW_KEY_F6, &shadowMultiplierEnabled, "disable shadowMultiplier\n",
         "enable shadowMultiplier\n"},
    };
    for (const auto& toggle : toggles) {
        SCOPED_TRACE(toggle.key);
        const bool start = *toggle.setting;
        EXPECT_EQ(key(toggle.key), toggle.firstLine);
        EXPECT_EQ(*toggle.setting, !start);
        // Scan code and modifiers play no part.
        EXPECT_EQ(key(toggle.key, GLFW_PRESS, 123, GLFW_MOD_SHIFT | GLFW_MOD_CONTROL),
                  toggle.secondLine);
        EXPECT_EQ(*toggle.setting, start);
    }
    // Each toggle moved its own setting alone.
    EXPECT_EQ(SceneState::save(), kStart);
    EXPECT_FALSE(closing());
}

TEST_F(KeyCallbackTest, HeldOrReleasedToggleKeysDoNothing) {
    for (const int toggleKey : {GLFW_KEY_F2, GLFW_KEY_F3, GLFW_KEY_F4, GLFW_KEY_F5, GLFW_KEY_F6}) {
        for (const int action : {GLFW_REPEAT, GLFW_RELEASE}) {
            EXPECT_EQ(key(toggleKey, action), "") << toggleKey << " action " << action;
        }
    }
    EXPECT_EQ(SceneState::save(), kStart);
}

TEST_F(KeyCallbackTest, ParallaxScaleStepsByADoubleHundredth) {
    // The step is done in double from the float nearest 0.01: a residue, not 0.
    EXPECT_EQ(key(GLFW_KEY_F4), "parallaxScale: -2.23517e-10\n");
    EXPECT_EQ(parallaxScale, static_cast<float>(0.01f - 0.01));
    EXPECT_LT(parallaxScale, 0.0f);
    EXPECT_EQ(key(GLFW_KEY_F5), "parallaxScale: 0.01\n");

    parallaxScale = 0.01f;
    EXPECT_EQ(key(GLFW_KEY_F5), "parallaxScale: 0.02\n");
    EXPECT_EQ(parallaxScale, static_cast<float>(0.01f + 0.01));
}

TEST_F(KeyCallbackTest, ParallaxScaleHasNoLowerBound) {
    std::string lines;
    for (int press = 0; press < 10; ++press) {
        lines += key(GLFW_KEY_F4);
    }
    EXPECT_EQ(lines,
              "parallaxScale: -2.23517e-10\nparallaxScale: -0.01\nparallaxScale: -0.02\n"
              "parallaxScale: -0.03\nparallaxScale: -0.04\nparallaxScale: -0.05\n"
              "parallaxScale: -0.06\nparallaxScale: -0.07\nparallaxScale: -0.08\n"
              "parallaxScale: -0.09\n");
    EXPECT_NEAR(parallaxScale, -0.09f, 1e-6f);
}

TEST_F(KeyCallbackTest, LightKeysNudgeTheFirstLightOnEveryAction) {
    const struct {
        int key;
        glm::vec4 step;
        const char* lines;  // press, repeat, release from kStart's light 0
    } lightKeys[] = {
        {GLFW_KEY_H, {-1, 0, 0, 0}, "x: -0.5\nx: -1.5\nx: -2.5\n"},
        {GLFW_KEY_K, {1, 0, 0, 0}, "x: 1.5\nx: 2.5\nx: 3.5\n"},
        {GLFW_KEY_L, {0, -1, 0, 0}, "y: 19\ny: 18\ny: 17\n"},
        {GLFW_KEY_O, {0, 1, 0, 0}, "y: 21\ny: 22\ny: 23\n"},
        {GLFW_KEY_U, {0, 0, -1, 0}, "z: 9\nz: 8\nz: 7\n"},
        {GLFW_KEY_J, {0, 0, 1, 0}, "z: 11\nz: 12\nz: 13\n"},
    };
    for (const auto& lightKey : lightKeys) {
        SCOPED_TRACE(lightKey.key);
        kStart.restore();
        std::string lines;
        for (const int action : {GLFW_PRESS, GLFW_REPEAT, GLFW_RELEASE}) {
            lines += key(lightKey.key, action);
        }
        EXPECT_EQ(lines, lightKey.lines);
        // Three nudges add up; w and the other lights stay as they were.
        SceneState expected = kStart;
        expected.lights[0] += 3.0f * lightKey.step;
        EXPECT_EQ(SceneState::save(), expected);
    }
    EXPECT_FALSE(closing());
}

TEST_F(KeyCallbackTest, OtherKeysDoNothing) {
    for (const int other :
         {GLFW_KEY_F1, GLFW_KEY_F7, GLFW_KEY_F12, GLFW_KEY_W, GLFW_KEY_A, GLFW_KEY_S, GLFW_KEY_D,
          GLFW_KEY_UP, GLFW_KEY_DOWN, GLFW_KEY_LEFT, GLFW_KEY_RIGHT, GLFW_KEY_SPACE, GLFW_KEY_ENTER,
          GLFW_KEY_I, GLFW_KEY_KP_4, GLFW_KEY_UNKNOWN}) {
        for (const int action : {GLFW_PRESS, GLFW_REPEAT, GLFW_RELEASE}) {
            EXPECT_EQ(key(other, action), "") << other << " action " << action;
        }
    }
    EXPECT_EQ(SceneState::save(), kStart);
    EXPECT_FALSE(closing());
}

// Escape is read from the key state: whatever key event comes while it is
// held, of any key and action, closes the window.
TEST_F(KeyCallbackTest, AnyKeyEventWhileEscapeIsHeldClosesTheWindow) {
    const struct {
        int key;
        int action;
    } events[] = {{GLFW_KEY_A, GLFW_PRESS},  {GLFW_KEY_W, GLFW_RELEASE},
                  {GLFW_KEY_H, GLFW_REPEAT}, {GLFW_KEY_F2, GLFW_RELEASE},
                  {GLFW_KEY_F3, GLFW_PRESS}, {GLFW_KEY_UNKNOWN, GLFW_PRESS}};
    {
        const test::HeldEscape held(window());
        ASSERT_EQ(glfwGetKey(window(), GLFW_KEY_ESCAPE), GLFW_PRESS);
        for (const auto& event : events) {
            glfwSetWindowShouldClose(window(), 0);
            key(event.key, event.action);
            EXPECT_TRUE(closing()) << event.key << " action " << event.action;
        }
    }
    // Let go, the same events leave it open.
    ASSERT_EQ(glfwGetKey(window(), GLFW_KEY_ESCAPE), GLFW_RELEASE);
    glfwSetWindowShouldClose(window(), 0);
    for (const auto& event : events) {
        key(event.key, event.action);
        EXPECT_FALSE(closing()) << event.key << " action " << event.action;
    }
}

TEST_F(KeyCallbackTest, EscapePressClosesTheWindowWithoutALine) {
    // Escape is not held on the test window, so only the event itself counts.
    for (const int action : {GLFW_REPEAT, GLFW_RELEASE}) {
        EXPECT_EQ(key(GLFW_KEY_ESCAPE, action), "");
        EXPECT_FALSE(closing()) << "action " << action;
    }
    EXPECT_EQ(key(GLFW_KEY_ESCAPE), "");
    EXPECT_TRUE(closing());
    EXPECT_EQ(SceneState::save(), kStart);
}

}  // namespace
}  // namespace tandril::app
