#include "support/ShellDemo.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

namespace tandril::test {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

ProcessResult xdotool(const std::vector<std::string>& arguments, double timeoutSeconds) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ProcessOptions options;
    options.timeLimitSeconds = timeoutSeconds;
    return runOnDisplay(xdotoolPath(), argv, options);
}

}  // namespace

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + program;
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

std::string xdotoolPath() {
    return findOnPath("xdotool");
}

std::string workingDirectoryLine(const std::filesystem::path& directory) {
    return "Working Directory: " + std::filesystem::canonical(directory).string() + "\n";
}

std::string executingLine() {
    return "you are executing '" + demoBinary() + "'\n";
}

std::vector<std::string> reportValues(const std::string& out) {
    std::vector<std::string> values;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("frameRate: ") && !lines.eof()) {
            values.push_back(line.substr(11));
        }
    }
    return values;
}

ProcessResult runDemo(const std::filesystem::path& workingDirectory,
                      const std::vector<std::string>& arguments, bool withDisplay) {
    ProcessOptions options;
    options.workingDirectory = workingDirectory;
    options.timeLimitSeconds = 60.0;
    std::vector<std::string> argv;
    if (!withDisplay) {
        argv = {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"};
    }
    argv.push_back(demoBinary());
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    if (!withDisplay) {
        return runProcess("/usr/bin/env", argv, options);
    }
    return runOnDisplay(demoBinary(), argv, options);
}

DemoSession::DemoSession(const std::filesystem::path& workingDirectory,
                         const std::vector<std::string>& arguments)
    : m_workingDirectory(workingDirectory), m_arguments(arguments) {
    start();
}

void DemoSession::start() {
    m_child.reset();
    std::vector<std::string> argv{demoBinary()};
    argv.insert(argv.end(), m_arguments.begin(), m_arguments.end());
    ProcessOptions options;
    options.workingDirectory = m_workingDirectory;
    m_child = std::make_unique<ChildProcess>(demoBinary(), argv, options);
}

std::string DemoSession::waitForWindow(double timeoutSeconds) {
    // By process as well as by title: other demos may share the display. A
    // search ends with an X error when a window it looks at closes meanwhile,
    // which other demos' windows do; it is then tried again.
    const auto begun = Clock::now();
    ProcessResult found;
    bool refused = false;
    retryWhileDisplayRefuses([&] {
        if (refused) {
            start();
        }
        while (m_child->pid() > 0 && secondsSince(begun) < timeoutSeconds) {
            found = xdotool({"search", "--sync", "--all", "--pid", std::to_string(m_child->pid()),
                             "--name", "^tandril$"},
                            std::min(2.0, timeoutSeconds - secondsSince(begun)));
            if (found.exitCode == 0 || !m_child->running()) {
                break;
            }
        }
        refused = found.exitCode != 0 && !m_child->running() && refusedByDisplay(finish(1.0));
        return !refused;
    });
    if (found.exitCode != 0) {
        return {};
    }
    return found.out.substr(0, found.out.find('\n'));
}

bool DemoSession::sendKeys(const std::string& window, const std::vector<std::string>& keys) {
    // GLFW gives a new window the input focus, possibly after the search found
    // it, and xdotool sends keys for the focused window through XTEST, which
    // delivers them wherever the focus is when they arrive (another demo's
    // window, if one opens meanwhile) and lets the server auto-repeat a key
    // whose release a loaded machine delays. With the focus on the root
    // window every key is addressed to its window and arrives exactly once.
    if (xdotool({"getwindowfocus"}, 30.0).out == window + "\n") {
        const ProcessResult root = xdotool({"search", "--maxdepth", "0", ""}, 30.0);
        xdotool({"windowfocus", root.out.substr(0, root.out.find('\n'))}, 30.0);
    }
    std::vector<std::string> arguments{"key", "--window", window};
    arguments.insert(arguments.end(), keys.begin(), keys.end());
    if (xdotool(arguments, 30.0).exitCode == 0) {
        return true;
    }
    // Escape closes the window at once, so its release may find no window to
    // go to; that is no failure to deliver.
    return xdotool({"getwindowname", window}, 30.0).exitCode != 0;
}

std::string DemoSession::windowSize(const std::string& window) {
    const ProcessResult geometry = xdotool({"getwindowgeometry", "--shell", window}, 30.0);
    std::string width;
    std::string height;
    std::istringstream lines(geometry.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("WIDTH=")) {
            width = line.substr(6);
        } else if (line.starts_with("HEIGHT=")) {
            height = line.substr(7);
        }
    }
    return width + "x" + height;
}

bool DemoSession::waitForOutput(const std::function<bool(const std::string&)>& done,
                                double timeoutSeconds) {
    const auto start = Clock::now();
    while (!done(m_child->out())) {
        if (m_child->outputClosed() || secondsSince(start) > timeoutSeconds) {
            return false;
        }
        m_child->pump(100);
    }
    return true;
}

void DemoSession::collect(double seconds) {
    const auto start = Clock::now();
    while (!m_child->outputClosed() && secondsSince(start) < seconds) {
        m_child->pump(50);
    }
}

ProcessResult DemoSession::finish(double timeoutSeconds) {
    return m_child->finish(timeoutSeconds);
}

}  // namespace tandril::test
