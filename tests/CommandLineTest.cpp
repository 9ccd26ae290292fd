// The window size from the command line: the extraction rule itself, and what
// the demo does with good, bad and ignored arguments.
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "support/Process.h"
#include "support/ShellDemo.h"

namespace tandril::app {
namespace {

using test::kDefaultSizeLine;
using test::kPauseLine;
using test::kSettingsLines;

const std::string kWindowFailure =
    "Failed to open GLFW window. If you have an Intel GPU, they are not 3.3 compatible. "
    "Try the 2.1 version of the tutorials.\n";

TEST(ExtractIntTest, TakesTheLeadingNumberAsAStreamWould) {
    const struct {
        const char* argument;
        int value;
    } cases[] = {
        {"800", 800}, {"800px", 800},  // the rest after a valid number is ignored
        {" 42", 42},  {"\t\n 7", 7},  {"12 34", 12},           {"0x10", 0},  // decimal only
        {"0", 0},  // no range check of its own
        {"-5", -5},   {"+9", 9},      {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(extractInt(c.argument), std::optional<int>(c.value)) << '"' << c.argument << '"';
    }
}

TEST(ExtractIntTest, RejectsWhatDoesNotStartWithAnInt) {
    for (const char* argument :
         {"abc", "", "   ", "px800", "-", "+", "99999999999", "2147483648", "-2147483649"}) {
        EXPECT_EQ(extractInt(argument), std::nullopt) << '"' << argument << '"';
    }
}

// The start-up's fatal roads, from the demo in a copy of its data.
class StartupTest : public ::testing::Test {
  protected:
    test::ScratchDir dir;

    // Argument errors come before GLFW starts: run with no display to start
    // on, standard error stays empty all the same.
    void expectArgumentError(const std::vector<std::string>& arguments, const std::string& line) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const test::ProcessResult run = test::runDemo(dir.path(), arguments, false);
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, test::workingDirectoryLine(dir.path()) + test::executingLine() + line +
                               "\n" + kPauseLine);
        EXPECT_EQ(run.err, "");
    }
};

TEST_F(StartupTest, BadWidthStopsBeforeTheHeightIsRead) {
    expectArgumentError({"abc", "600"}, "first commend line arg. should be int");
    expectArgumentError({"abc", "x"}, "first commend line arg. should be int");
    expectArgumentError({"", "600"}, "first commend line arg. should be int");
    expectArgumentError({"99999999999", "600"}, "first commend line arg. should be int");
}

TEST_F(StartupTest, BadHeightStopsAfterTheWidth) {
    expectArgumentError({"800", "x"}, "second commend line arg. should be int");
    expectArgumentError({"800px", ""}, "second commend line arg. should be int");
}

TEST_F(StartupTest, OtherArgumentCountsAreIgnored) {
    const std::string glfwFailure = "Failed to initialize GLFW\n";
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{},
                                                      {"abc"},
                                                      {"800"},
                                                      {"800", "600", "1"},
                                                      {"a", "b", "c", "d"}}) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const test::ProcessResult run = test::runDemo(dir.path(), arguments, false);
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, test::workingDirectoryLine(dir.path()) + kDefaultSizeLine + kPauseLine);
        EXPECT_EQ(run.err, glfwFailure);
    }
}

TEST_F(StartupTest, SizesThatParseButCannotMakeAWindowFailAtTheWindow) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"0", "600"}, {"-5", "600"}, {"800", "0"}}) {
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const test::ProcessResult run = test::runDemo(dir.path(), arguments);
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out,
                  test::workingDirectoryLine(dir.path()) + test::executingLine() + kPauseLine);
        EXPECT_EQ(run.err, kWindowFailure);
    }
}

TEST_F(StartupTest, DriverWithoutOpenGl33FailsAtTheWindow) {
    // Mesa, which serves every Xvfb display, then offers no 3.3 context.
    test::ProcessOptions options;
    options.workingDirectory = dir.path();
    options.timeLimitSeconds = 60.0;
    const test::ProcessResult run = test::runOnDisplay(
        "/usr/bin/env", {"env", "MESA_GL_VERSION_OVERRIDE=3.0", test::demoBinary()}, options);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, test::workingDirectoryLine(dir.path()) + kDefaultSizeLine + kPauseLine);
    EXPECT_EQ(run.err, kWindowFailure);
}

// The size reaches the window: checked on the window itself, then closed.
class WindowSizeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(test::xdotoolPath().empty()) << "xdotool is needed to drive the demo";
    }

    void expectWindow(const std::vector<std::string>& arguments, const std::string& size,
                      const std::string& sizeLine) {
        test::DemoSession demo(test::sourceDir(), arguments);
        const std::string window = demo.waitForWindow();
        ASSERT_FALSE(window.empty()) << demo.finish(1.0).err;
        EXPECT_EQ(demo.windowSize(window), size);
        EXPECT_TRUE(demo.sendKeys(window, {"Escape"}));
        const test::ProcessResult run = demo.finish();
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out,
                  test::workingDirectoryLine(test::sourceDir()) + sizeLine + kSettingsLines);
    }
};

TEST_F(WindowSizeTest, TwoArgumentsSetTheSize) {
    expectWindow({"800px", " 600"}, "800x600", test::executingLine());
}

// Three arguments, the first two a valid size: ignored all the same.
TEST_F(WindowSizeTest, OtherArgumentCountsGiveTheDefaultSize) {
    expectWindow({"320", "240", "x"}, "1200x1200", kDefaultSizeLine);
}

}  // namespace
}  // namespace tandril::app
