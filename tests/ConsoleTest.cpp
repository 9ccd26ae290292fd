// The console: the working-directory line (wide output that must not swallow
// the narrow lines after it), and the wait for a key that a scripted run must
// never get stuck in.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Console.h"
#include "support/Process.h"
#include "support/ShellDemo.h"

namespace tandril::base {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A path built in step as UTF-8 bytes and as the wide characters they encode.
struct TwinPath {
    std::string narrow;
    std::wstring wide;

    // `base` must be plain ASCII, as the scratch directories are.
    static TwinPath ascii(const fs::path& base) {
        const std::string text = fs::canonical(base).string();
        return {text, std::wstring(text.begin(), text.end())};
    }
    TwinPath child(const std::string& narrowName, const std::wstring& wideName) const {
        return {narrow + "/" + narrowName, wide + L"/" + wideName};
    }
    // Adds directories of `unit` until the path is exactly `length` characters.
    TwinPath deepened(std::size_t length, const std::string& narrowUnit, wchar_t wideUnit) const {
        TwinPath path = *this;
        while (path.wide.size() < length) {
            const std::size_t left = length - path.wide.size() - 1;  // after the '/'
            std::size_t units = std::min<std::size_t>(left, 80);     // 80 x 3 bytes < NAME_MAX
            if (left - units == 1) {
                --units;  // a last directory of zero characters cannot be made
            }
            std::string name;
            for (std::size_t i = 0; i < units; ++i) {
                name += narrowUnit;
            }
            path = path.child(name, std::wstring(units, wideUnit));
        }
        return path;
    }
};

// The first `count` characters of UTF-8 text.
std::string utf8Prefix(const std::string& text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size(); ++end) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && seen++ == count) {
            break;
        }
    }
    return text.substr(0, end);
}

// Moves the test process into a directory for one test, then back.
class InDirectory {
  public:
    explicit InDirectory(const std::string& path) : m_previous(fs::current_path()) {
        fs::create_directories(path);
        fs::current_path(path);
    }
    ~InDirectory() { fs::current_path(m_previous); }

  private:
    fs::path m_previous;
};

TEST(WorkingDirectoryTest, APathThatFitsIsShownWhole) {
    test::ScratchDir scratch(false);
    const TwinPath base = TwinPath::ascii(scratch.path());
    const TwinPath cases[] = {
        base, base.child("straße-日本-𝄞", L"straße-日本-𝄞"),
        // More than 512 bytes but fewer characters: the buffer counts characters.
        base.deepened(400, "日", L'日'),
        base.deepened(511, "a", L'a'),  // the longest that fits with its terminator
    };
    for (const TwinPath& path : cases) {
        InDirectory in(path.narrow);
        EXPECT_EQ(workingDirectory(), path.wide) << path.narrow;
    }
}

TEST(WorkingDirectoryTest, ALongerPathIsCutAndMarked) {
    test::ScratchDir scratch(false);
    const TwinPath base = TwinPath::ascii(scratch.path());
    for (const TwinPath& path : {base.deepened(512, "a", L'a'), base.deepened(700, "日", L'日'),
                                 base.deepened(1500, "z", L'z')}) {
        InDirectory in(path.narrow);
        const std::wstring shown = workingDirectory();
        EXPECT_EQ(shown.size(), 511u) << path.narrow;
        EXPECT_EQ(shown, path.wide.substr(0, 508) + L"...") << path.narrow;
    }
}

TEST(WorkingDirectoryTest, ARemovedDirectoryIsUnavailable) {
    test::ScratchDir scratch(false);
    const fs::path gone = scratch / "gone";
    InDirectory in(gone.string());
    fs::remove(gone);
    EXPECT_EQ(workingDirectory(), L"(unavailable)");
}

// Standard input replaced for one test, then given back.
class StdinReplaced {
  public:
    // A negative descriptor leaves standard input closed.
    explicit StdinReplaced(int fd) : m_saved(dup(STDIN_FILENO)) {
        if (fd >= 0) {
            dup2(fd, STDIN_FILENO);
        } else {
            close(STDIN_FILENO);
        }
    }
    ~StdinReplaced() {
        dup2(m_saved, STDIN_FILENO);
        close(m_saved);
    }

  private:
    int m_saved;
};

// Runs waitForKey on its own thread; `unblock` is called if it has not
// returned within `limit`, so that a wrong wait fails the test, not hangs it.
template <typename Unblock>
bool returnsWithin(std::chrono::milliseconds limit, Unblock unblock) {
    auto waiting = std::async(std::launch::async, waitForKey);
    const bool returned = waiting.wait_for(limit) == std::future_status::ready;
    if (!returned) {
        unblock();
    }
    waiting.get();
    return returned;
}

TEST(WaitForKeyTest, ReturnsAtOnceWithoutATerminal) {
    {
        SCOPED_TRACE("closed");
        StdinReplaced in(-1);
        EXPECT_TRUE(returnsWithin(10s, [] {}));
    }
    {
        SCOPED_TRACE("at end of file");
        const int devNull = open("/dev/null", O_RDONLY);
        StdinReplaced in(devNull);
        EXPECT_TRUE(returnsWithin(10s, [] {}));
        close(devNull);
    }
    {
        SCOPED_TRACE("a pipe that stays open, one byte in it");
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        ASSERT_EQ(write(pipeFds[1], "k", 1), 1);
        {
            StdinReplaced in(pipeFds[0]);
            EXPECT_TRUE(returnsWithin(10s, [&] { (void)!write(pipeFds[1], "k", 1); }));
        }
        fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
        char left[2];
        EXPECT_EQ(read(pipeFds[0], left, sizeof left), 1) << "input was consumed";
        close(pipeFds[0]);
        close(pipeFds[1]);
    }
}

TEST(WaitForKeyTest, TakesOneKeyFromATerminalWithoutEnter) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(slave, &before), 0);
    ASSERT_NE(before.c_lflag & ICANON, 0u);

    {
        StdinReplaced in(slave);
        auto waiting = std::async(std::launch::async, waitForKey);
        EXPECT_EQ(waiting.wait_for(300ms), std::future_status::timeout)
            << "returned before a key was pressed";
        ASSERT_EQ(write(master, "ab", 2), 2);  // no end of line: one key is enough
        const bool returned = waiting.wait_for(10s) == std::future_status::ready;
        if (!returned) {
            (void)!write(master, "\n", 1);
        }
        waiting.get();
        EXPECT_TRUE(returned) << "still waiting after a key";
    }

    termios after{};
    ASSERT_EQ(tcgetattr(slave, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag) << "terminal mode not restored";
    // Only the first key was taken.
    termios peek = after;
    peek.c_lflag &= ~ICANON;
    peek.c_cc[VMIN] = 0;
    peek.c_cc[VTIME] = 0;
    tcsetattr(slave, TCSANOW, &peek);
    char left[4];
    EXPECT_EQ(read(slave, left, sizeof left), 1);
    EXPECT_EQ(left[0], 'b');
    close(slave);
    close(master);
}

// A fatal exit's pause must not wait when nobody is at a terminal: whatever
// standard input is, the run ends with the prompt and exit code 1 (with it
// closed, as StartupTest runs the demo, too).
TEST(FatalPauseTest, EndsWhateverStandardInputIs) {
    test::ScratchDir dir;
    const std::string expected = test::workingDirectoryLine(dir.path()) + test::executingLine() +
                                 "first commend line arg. should be int\n" + test::kPauseLine;
    for (const std::string text : {"", "y\n\n"}) {
        SCOPED_TRACE("a pipe holding \"" + text + "\"");
        test::ProcessOptions options;
        options.workingDirectory = dir.path();
        options.stdinFromPipe = true;
        options.stdinText = text;
        options.timeLimitSeconds = 30.0;
        const test::ProcessResult run =
            test::runProcess(test::demoBinary(), {test::demoBinary(), "abc", "600"}, options);
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, expected);
        EXPECT_EQ(run.err, "");
    }
}

// The whole transcript of a run through a pipe: the wide working-directory
// line first, then every narrow line after it, up to a key's answer.
class TranscriptThroughPipeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(test::xdotoolPath().empty()) << "xdotool is needed to drive the demo";
    }

    // Runs the demo in `directory` (given the data first), toggles parallax
    // and quits; expects `shownDirectory` on the first line.
    static void expectTranscript(const fs::path& directory, const std::string& shownDirectory) {
        for (const char* folder : {"shader", "objects", "textures"}) {
            fs::copy(test::sourceDir() / folder, directory / folder, fs::copy_options::recursive);
        }
        test::DemoSession demo(directory);
        const std::string window = demo.waitForWindow();
        ASSERT_FALSE(window.empty()) << demo.finish(1.0).err;
        ASSERT_TRUE(demo.waitForOutput([](const std::string& out) {
            return out.ends_with(test::kSettingsLines);
        })) << demo.out();
        EXPECT_TRUE(demo.sendKeys(window, {"F3", "Escape"}));
        const test::ProcessResult run = demo.finish();
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, "Working Directory: " + shownDirectory + "\n" + test::kDefaultSizeLine +
                               test::kSettingsLines + "disable parallax\n");
    }
};

TEST_F(TranscriptThroughPipeTest, NonAsciiDirectory) {
    test::ScratchDir scratch(false);
    const TwinPath path = TwinPath::ascii(scratch.path()).child("straße-日本-𝄞", L"straße-日本-𝄞");
    fs::create_directories(path.narrow);
    expectTranscript(path.narrow, path.narrow);
}

TEST_F(TranscriptThroughPipeTest, DirectoryNameThatIsNotUtf8) {
    test::ScratchDir scratch(false);
    const std::string latin1 = fs::canonical(scratch.path()).string() +
                               "/stra\xDF"
                               "e";
    fs::create_directories(latin1);
    // The stray byte shows as U+FFFD; the lines after it are all there.
    expectTranscript(latin1, fs::canonical(scratch.path()).string() +
                                 "/stra\xEF\xBF\xBD"
                                 "e");
}

TEST_F(TranscriptThroughPipeTest, DirectoryTooLongForTheLine) {
    test::ScratchDir scratch(false);
    const TwinPath path = TwinPath::ascii(scratch.path()).deepened(600, "日", L'日');
    fs::create_directories(path.narrow);
    expectTranscript(path.narrow, utf8Prefix(path.narrow, 508) + "...");
}

}  // namespace
}  // namespace tandril::base
