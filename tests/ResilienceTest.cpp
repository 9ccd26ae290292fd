// The real demo under things that happen to a running window: being resized,
// and the whole process stalling for seconds (as while a window is dragged).
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/Process.h"
#include "support/ShellDemo.h"
#include "tools/common/Picture.h"

namespace tandril::test {
namespace {

namespace fs = std::filesystem;

constexpr int kStartWidth = 320;
constexpr int kStartHeight = 240;
constexpr double kTimeLimitSeconds = 120.0;

std::string onPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + name;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

ProcessResult tool(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ProcessOptions options;
    options.timeLimitSeconds = 30.0;
    return runOnDisplay(program, argv, options);
}

// Waits until `more` frame reports have come in after those seen now.
bool waitForReports(DemoSession& demo, std::size_t more) {
    const std::size_t target = reportValues(demo.out()).size() + more;
    return demo.waitForOutput(
        [target](const std::string& out) { return reportValues(out).size() >= target; },
        kTimeLimitSeconds);
}

class ResilienceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(xdotoolPath().empty()) << "xdotool is needed to drive the demo";
        m_demo = std::make_unique<DemoSession>(
            sourceDir(),
            std::vector<std::string>{std::to_string(kStartWidth), std::to_string(kStartHeight)});
        m_window = m_demo->waitForWindow(kTimeLimitSeconds);
        ASSERT_FALSE(m_window.empty()) << m_demo->finish(1.0).err;
        ASSERT_TRUE(m_demo->sendKeys(m_window, {"F2"}));
        ASSERT_TRUE(waitForReports(*m_demo, 1)) << m_demo->finish(1.0).err;
    }

    // Escape, then a normal end with nothing on standard error.
    ProcessResult escape() {
        m_demo->sendKeys(m_window, {"Escape"});  // the release may find no window
        const ProcessResult run = m_demo->finish(kTimeLimitSeconds);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        return run;
    }

    void resize(int width, int height) {
        ASSERT_EQ(tool(xdotoolPath(),
                       {"windowsize", m_window, std::to_string(width), std::to_string(height)})
                      .exitCode,
                  0);
        EXPECT_EQ(m_demo->windowSize(m_window),
                  std::to_string(width) + "x" + std::to_string(height));
    }

    std::unique_ptr<DemoSession> m_demo;
    std::string m_window;
};

struct Brightness {
    double inside = 0.0;  // mean of r + g + b where the start viewport lies
    int litOutside = 0;   // pixels beyond it that are not black
};

// A screenshot of the window; y counts from the bottom row, as GL counts rows.
Brightness measureViewport(const fs::path& shot) {
    Brightness result;
    const tools::Picture image = tools::readImage(shot.string());
    if (image.rgb.empty()) {
        ADD_FAILURE() << "no screenshot at " << shot;
        return result;
    }
    double insideSum = 0.0;
    int insideCount = 0;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = &image.rgb[std::size_t(image.height - 1 - y) * image.width * 3];
        for (int x = 0; x < image.width; ++x) {
            const int sum = row[3 * x] + row[3 * x + 1] + row[3 * x + 2];
            if (x < kStartWidth && y < kStartHeight) {
                insideSum += sum;
                ++insideCount;
            } else if (sum != 0) {
                ++result.litOutside;
            }
        }
    }
    result.inside = insideCount > 0 ? insideSum / insideCount : 0.0;
    return result;
}

// The viewport stays at the start size on purpose: a larger window shows the
// scene in its lower left corner and the clear colour (black) elsewhere.
TEST_F(ResilienceTest, ResizedWindowKeepsDrawingAtTheStartViewportAndExitsOnEscape) {
    for (const auto& [width, height] : {std::pair{640, 480}, {100, 60}, {1, 1}, {900, 200}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        resize(width, height);
        ASSERT_TRUE(waitForReports(*m_demo, 1)) << m_demo->finish(1.0).err;
    }

    resize(2 * kStartWidth, 2 * kStartHeight);
    ASSERT_TRUE(waitForReports(*m_demo, 2));
    const ScratchDir dir(false);
    const fs::path shot = dir / "window.png";
    const std::string import = onPath("import");
    ASSERT_FALSE(import.empty()) << "ImageMagick's import is needed for the screenshot";
    // The screenshot reads the screen where the window lies, and other tests'
    // demos open their windows at the same place, black until their first
    // frame: the window is raised and given a few frames to draw on top, and
    // shot again while another window covers it. One that draws wrongly does
    // so in every shot.
    Brightness brightness;
    for (int shots = 0; shots < 10; ++shots) {
        ASSERT_EQ(tool(xdotoolPath(), {"windowraise", m_window}).exitCode, 0);
        usleep(300'000);
        ASSERT_EQ(tool(import, {"-window", m_window, shot.string()}).exitCode, 0);
        brightness = measureViewport(shot);
        if (brightness.inside > 25.0 && brightness.litOutside == 0) {
            break;
        }
    }
    // The street at dusk is dark, but far from black.
    EXPECT_GT(brightness.inside, 25.0) << "the scene should fill the start viewport";
    EXPECT_EQ(brightness.litOutside, 0) << "nothing is drawn beyond the start viewport";

    escape();
}

// A stalled process finds the report period far behind: the period advances
// one second per frame, so each frame reports a period holding just itself
// ("frameRate: 1000") until the period is back within a second of the clock.
TEST_F(ResilienceTest, StallIsCaughtUpOneReportPerFrame) {
    ASSERT_TRUE(waitForReports(*m_demo, 1));
    const std::size_t reportsBefore = reportValues(m_demo->out()).size();
    ASSERT_EQ(::kill(m_demo->pid(), SIGSTOP), 0);
    sleep(3);
    ASSERT_EQ(::kill(m_demo->pid(), SIGCONT), 0);
    ASSERT_TRUE(waitForReports(*m_demo, 6)) << m_demo->finish(1.0).err;
    const ProcessResult run = escape();

    const std::vector<std::string> values = reportValues(run.out);
    ASSERT_GT(values.size(), reportsBefore);
    for (std::size_t i = 0; i < reportsBefore; ++i) {
        EXPECT_NE(values[i], "1000") << "frames before the stall took a second each; line " << i;
    }
    // The first report after the stall still counts the frames from before it
    // (and one more report may have been on its way when the process stopped).
    // The period then lags by two seconds or more: one report per frame.
    const auto stallEnd = values.begin() + static_cast<std::ptrdiff_t>(reportsBefore);
    const auto catchUpStart = std::find(stallEnd, values.end(), "1000");
    ASSERT_NE(catchUpStart, values.end()) << ::testing::PrintToString(values);
    EXPECT_LE(catchUpStart - stallEnd, 2) << ::testing::PrintToString(values);
    const auto caughtUp = std::find_if(catchUpStart, values.end(),
                                       [](const std::string& value) { return value != "1000"; });
    EXPECT_GE(caughtUp - catchUpStart, 2) << ::testing::PrintToString(values);
    EXPECT_LE(caughtUp - catchUpStart, 5) << ::testing::PrintToString(values);
    ASSERT_NE(caughtUp, values.end()) << "the reports never caught up";
    EXPECT_EQ(std::find(caughtUp, values.end(), "1000"), values.end())
        << "once caught up, a period holds more than one frame again: "
        << ::testing::PrintToString(values);
}

}  // namespace
}  // namespace tandril::test
