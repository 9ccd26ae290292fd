// The running demo driven with real key presses through the X server: the
// answers arrive on standard output, in order, and Escape ends the run cleanly.
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/Process.h"
#include "support/ShellDemo.h"

namespace tandril::test {
namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool isFrameReport(const std::string& line) {
    return line.starts_with("frameRate: ");
}

class TranscriptTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(xdotoolPath().empty()) << "xdotool is needed to drive the demo";
    }

    // Starts the demo, waits for its window and set-up, presses `keys`.
    ProcessResult runWithKeys(const std::vector<std::string>& keys) {
        DemoSession demo(sourceDir());
        const std::string window = demo.waitForWindow();
        EXPECT_FALSE(window.empty()) << "no demo window";
        if (window.empty()) {
            return demo.finish(1.0);
        }
        EXPECT_TRUE(demo.waitForOutput([](const std::string& out) {
            return out.ends_with(kSettingsLines);
        })) << demo.out();
        EXPECT_TRUE(demo.sendKeys(window, keys));
        return demo.finish();
    }

    // The lines after set-up, frame reports dropped (they come once a second
    // after F2, wherever the second happens to end).
    static std::vector<std::string> answers(const ProcessResult& run) {
        const std::string startup =
            workingDirectoryLine(sourceDir()) + kDefaultSizeLine + kSettingsLines;
        EXPECT_TRUE(run.out.starts_with(startup)) << run.out;
        std::vector<std::string> lines;
        for (const std::string& line : splitLines(run.out.substr(startup.size()))) {
            if (!isFrameReport(line)) {
                lines.push_back(line);
            }
        }
        return lines;
    }
};

TEST_F(TranscriptTest, FrameRateScaleLightAndEscape) {
    const ProcessResult run = runWithKeys({"F2", "F4", "h", "Escape"});
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<std::string> lines = answers(run);
    // H answers its press and its release; a frame may set the light back
    // from its car in between.
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(lines[0], "enable frameRate");
    EXPECT_EQ(lines[1], "parallaxScale: -2.23517e-10");
    ASSERT_TRUE(lines[2].starts_with("x: ")) << lines[2];
    ASSERT_TRUE(lines[3].starts_with("x: ")) << lines[3];
    const float pressed = std::stof(lines[2].substr(3));
    const float released = std::stof(lines[3].substr(3));
    EXPECT_TRUE(released == pressed - 1.0f || released == pressed) << pressed << " " << released;
    // No report can come before the key that enables it.
    const std::size_t enabled = run.out.find("enable frameRate\n");
    EXPECT_EQ(run.out.find("frameRate: "), run.out.find("frameRate: ", enabled));
}

TEST_F(TranscriptTest, EveryToggleAndLightKeyAnswersInOrder) {
    const ProcessResult run =
        runWithKeys({"F3", "F5", "F6", "F3", "F6", "F2", "F2", "k", "l", "o", "u", "j", "Escape"});
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<std::string> lines = answers(run);
    const std::vector<std::string> toggles{"disable parallax",         "parallaxScale: 0.02",
                                           "disable shadowMultiplier", "enable parallax",
                                           "enable shadowMultiplier",  "enable frameRate",
                                           "disable frameRate"};
    ASSERT_EQ(lines.size(), toggles.size() + 10) << run.out;
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 7), toggles);
    // Each light key twice, for its press and its release.
    const char* axes[] = {"x: ", "x: ", "y: ", "y: ", "y: ", "y: ", "z: ", "z: ", "z: ", "z: "};
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_TRUE(lines[7 + i].starts_with(axes[i])) << i << ": " << lines[7 + i];
    }
}

TEST_F(TranscriptTest, KeysWithoutAMeaningWriteNothing) {
    const ProcessResult run =
        runWithKeys({"F1", "F7", "Up", "Left", "w", "a", "s", "d", "space", "Return", "Escape"});
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, workingDirectoryLine(sourceDir()) + kDefaultSizeLine + kSettingsLines);
}

// The demo's own clock, read from its output: light 0 rides car1, which starts
// at z = 30 and drives 10 units a second towards -z, with the light 12 units
// ahead of it. J answers with the light's z one unit further on, so the press's
// line "z: Z" shows the frame at (19 - Z) / 10 seconds into the frame loop.
double loopSecondsAt(const std::string& lightLine) {
    return (19.0 - std::stod(lightLine.substr(3))) / 10.0;
}

// The report counts the frames of each second of the loop's clock: between
// two frames, as many reports as whole seconds were completed in between, and
// each the mean frame time of a whole number of frames.
TEST_F(TranscriptTest, FrameReportFollowsOnceASecond) {
    DemoSession demo(sourceDir());
    const std::string window = demo.waitForWindow();
    ASSERT_FALSE(window.empty()) << demo.finish(1.0).err;
    const auto count = [](const std::string& out, const std::string& prefix) {
        std::size_t lines = 0;
        for (const std::string& line : splitLines(out)) {
            lines += line.starts_with(prefix) ? 1 : 0;
        }
        return lines;
    };
    ASSERT_TRUE(demo.sendKeys(window, {"F2"}));
    ASSERT_TRUE(demo.waitForOutput([](const std::string& out) {
        return out.find("enable frameRate\nframeRate: ") != std::string::npos;
    })) << demo.out();
    // J marks a frame at its press (and answers its release too).
    ASSERT_TRUE(demo.sendKeys(window, {"j"}));
    ASSERT_TRUE(demo.waitForOutput([&](const std::string& out) { return count(out, "z: ") == 2; }))
        << demo.out();
    const std::size_t reportsBefore = reportValues(demo.out()).size();
    ASSERT_TRUE(demo.waitForOutput([&](const std::string& out) {
        return reportValues(out).size() >= reportsBefore + 3;
    })) << demo.out();
    ASSERT_TRUE(demo.sendKeys(window, {"j"}));
    ASSERT_TRUE(demo.waitForOutput([&](const std::string& out) { return count(out, "z: ") == 4; }))
        << demo.out();
    ASSERT_TRUE(demo.sendKeys(window, {"F2", "Escape"}));
    const ProcessResult run = demo.finish();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.ends_with("disable frameRate\n")) << run.out;

    std::vector<std::string> marks;
    int reportsBetween = 0;
    for (const std::string& line : splitLines(run.out)) {
        if (line.starts_with("z: ")) {
            marks.push_back(line);
        } else if (isFrameReport(line)) {
            reportsBetween += marks.size() == 2 ? 1 : 0;
            // The mean frame time in milliseconds, as the stream writes a double.
            std::size_t used = 0;
            const double milliseconds = std::stod(line.substr(11), &used);
            EXPECT_EQ(used, line.size() - 11) << line;
            EXPECT_GT(milliseconds, 0.0) << line;
            EXPECT_LE(milliseconds, 1000.0) << line;
            const double frames = 1000.0 / milliseconds;
            EXPECT_NEAR(frames, std::round(frames), 1e-3) << line;
        }
    }
    ASSERT_EQ(marks.size(), 4u) << run.out;
    const double from = loopSecondsAt(marks[0]);
    const double to = loopSecondsAt(marks[2]);
    const int secondsCompleted = static_cast<int>(std::floor(to) - std::floor(from));
    EXPECT_GE(secondsCompleted, 3) << run.out;
    // A mark within a frame's rounding of a whole second may fall either side.
    const auto nearWhole = [](double t) { return std::abs(t - std::round(t)) < 0.002; };
    EXPECT_NEAR(reportsBetween, secondsCompleted, nearWhole(from) || nearWhole(to) ? 1 : 0)
        << "marks at " << from << " s and " << to << " s\n"
        << run.out;
}

}  // namespace
}  // namespace tandril::test
