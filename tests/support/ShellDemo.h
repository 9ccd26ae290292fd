// Driving the real demo as a user at a console does: started with standard
// input closed, fed key presses through the X server with xdotool, and read
// while it runs, so that a test can wait for a line before the next key.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/Process.h"

namespace tandril::test {

// The program's path on PATH, or an empty string when there is none.
std::string findOnPath(const std::string& program);
// The xdotool on PATH, or an empty string when there is none.
std::string xdotoolPath();

// Lines that the demo writes on most runs, each with its end of line.
inline const std::string kPauseLine = "Press any key to continue . . .\n";
inline const std::string kDefaultSizeLine =
    "Screen Width and Height are set to default, since no params via cli!\n";
inline const std::string kSettingsLines =
    "Parallax enabled: 1\nParallaxScale: 0.01\nParallax shadowMultiplier1\n";
// "Working Directory: " and the directory as the demo sees it (links resolved).
std::string workingDirectoryLine(const std::filesystem::path& directory);
// The "you are executing" line for the demo binary as the tests start it.
std::string executingLine();
// The values of the complete "frameRate: " lines in `out`, in order.
std::vector<std::string> reportValues(const std::string& out);

// Runs the demo to its end in `workingDirectory` with standard input closed.
// Without a display GLFW cannot start, which bounds runs that would otherwise
// open the window and wait for Escape.
ProcessResult runDemo(const std::filesystem::path& workingDirectory,
                      const std::vector<std::string>& arguments, bool withDisplay = true);

class DemoSession {
  public:
    // Starts the demo in `workingDirectory`; `arguments` follow argument 0.
    explicit DemoSession(const std::filesystem::path& workingDirectory,
                         const std::vector<std::string>& arguments = {});
    // A demo still running is killed.
    ~DemoSession() = default;
    DemoSession(const DemoSession&) = delete;
    DemoSession& operator=(const DemoSession&) = delete;

    pid_t pid() const { return m_child->pid(); }

    // Waits until this demo's window carries the title that set-up gives it;
    // returns its X window id, empty when it did not appear in time. A demo
    // that the display refused at start is started again, by the display
    // policy of Process.h. Takes the input focus off the window, so that keys
    // sent to it reach it alone.
    std::string waitForWindow(double timeoutSeconds = 30.0);
    // Sends each key (xdotool key names) as a press and a release, in order;
    // true also when the window closed on the way, as it does after Escape.
    bool sendKeys(const std::string& window, const std::vector<std::string>& keys);
    // The window's size as "WIDTHxHEIGHT".
    std::string windowSize(const std::string& window);

    // Reads output until `done(stdout so far)` holds; false at the time limit
    // or when the demo closed its output first without satisfying it.
    bool waitForOutput(const std::function<bool(const std::string&)>& done,
                       double timeoutSeconds = 30.0);
    const std::string& out() const { return m_child->out(); }
    // Reads whatever arrives for `seconds`, e.g. all that a stopped demo wrote.
    void collect(double seconds);

    // Waits for the demo to end, killing it at the time limit, and returns
    // all that it wrote.
    ProcessResult finish(double timeoutSeconds = 30.0);

  private:
    // Starts the demo afresh; a demo still running is killed first.
    void start();

    std::filesystem::path m_workingDirectory;
    std::vector<std::string> m_arguments;
    std::unique_ptr<ChildProcess> m_child;
};

}  // namespace tandril::test
