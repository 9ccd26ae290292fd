#include "support/ShellDemo.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
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

// Xvfb now and then refuses a connection when many clients come and go
// (about one in a thousand here); a run that failed only for that is repeated.
constexpr int kConnectionAttempts = 3;
const std::string kGlfwRefused = "Failed to initialize GLFW\n";

ProcessResult xdotool(const std::vector<std::string>& arguments, double timeoutSeconds) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ProcessOptions options;
    options.timeLimitSeconds = timeoutSeconds;
    ProcessResult result;
    for (int attempt = 0; attempt < kConnectionAttempts; ++attempt) {
        result = runProcess(xdotoolPath(), argv, options);
        if (result.err.find("Can't open display") == std::string::npos) {
            break;
        }
    }
    return result;
}

}  // namespace

std::string xdotoolPath() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/xdotool";
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
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
    ProcessResult result;
    for (int attempt = 0; attempt < kConnectionAttempts; ++attempt) {
        result = runProcess(demoBinary(), argv, options);
        if (result.exitCode != 1 || result.err != kGlfwRefused) {
            break;
        }
    }
    return result;
}

DemoSession::DemoSession(const std::filesystem::path& workingDirectory,
                         const std::vector<std::string>& arguments)
    : m_workingDirectory(workingDirectory), m_arguments(arguments) {
    start();
}

void DemoSession::start() {
    m_pid = -1;
    m_reaped = false;
    m_result = {};
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0) {
        return;
    }
    if (pipe(errPipe) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return;
    }
    const std::string program = demoBinary();
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), m_arguments.begin(), m_arguments.end());
    // Built before the fork: the child of a threaded process must not allocate.
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(STDIN_FILENO);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) {
            close(fd);
        }
        if (chdir(m_workingDirectory.c_str()) != 0) {
            _exit(127);
        }
        execv(program.c_str(), pointers.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    m_fds[0] = outPipe[0];
    m_fds[1] = errPipe[0];
    if (m_pid < 0) {
        close(m_fds[0]);
        close(m_fds[1]);
        m_fds[0] = m_fds[1] = -1;
    }
}

DemoSession::~DemoSession() {
    stop();
}

void DemoSession::stop() {
    if (m_pid > 0 && !m_reaped) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_reaped = true;
    }
    for (int& fd : m_fds) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
}

std::string DemoSession::waitForWindow(double timeoutSeconds) {
    // By process as well as by title: other demos may share the display. A
    // search ends with an X error when a window it looks at closes meanwhile,
    // which other demos' windows do; it is then tried again.
    const auto begun = Clock::now();
    ProcessResult found;
    for (int refused = 0; m_pid > 0 && secondsSince(begun) < timeoutSeconds;) {
        found = xdotool(
            {"search", "--sync", "--all", "--pid", std::to_string(m_pid), "--name", "^tandril$"},
            std::min(2.0, timeoutSeconds - secondsSince(begun)));
        if (found.exitCode == 0) {
            break;
        }
        if (!running()) {
            const ProcessResult ended = finish(1.0);
            if (ended.exitCode != 1 || ended.err != kGlfwRefused ||
                ++refused == kConnectionAttempts) {
                return {};
            }
            stop();
            start();
        }
    }
    if (found.exitCode != 0) {
        return {};
    }
    const std::string window = found.out.substr(0, found.out.find('\n'));
    // GLFW gives a new window the input focus, and xdotool sends keys for the
    // focused window through XTEST, which delivers them wherever the focus is
    // when they arrive: to another demo's window if one opens meanwhile. With
    // the focus on the root window every key is addressed to its window.
    if (xdotool({"getwindowfocus"}, timeoutSeconds).out == window + "\n") {
        const ProcessResult root = xdotool({"search", "--maxdepth", "0", ""}, timeoutSeconds);
        xdotool({"windowfocus", root.out.substr(0, root.out.find('\n'))}, timeoutSeconds);
    }
    return window;
}

bool DemoSession::sendKeys(const std::string& window, const std::vector<std::string>& keys) {
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

bool DemoSession::running() const {
    siginfo_t info{};
    // WNOWAIT leaves an ended demo to finish(), which reads its exit code.
    return waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

void DemoSession::pump(int milliseconds) {
    pollfd fds[2] = {{m_fds[0], POLLIN, 0}, {m_fds[1], POLLIN, 0}};
    if (poll(fds, 2, milliseconds) <= 0) {
        return;
    }
    std::string* sinks[2] = {&m_result.out, &m_result.err};
    for (int i = 0; i < 2; ++i) {
        if (m_fds[i] < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(m_fds[i], buffer, sizeof buffer);
        if (got > 0) {
            sinks[i]->append(buffer, static_cast<std::size_t>(got));
        } else {
            close(m_fds[i]);
            m_fds[i] = -1;
        }
    }
}

bool DemoSession::waitForOutput(const std::function<bool(const std::string&)>& done,
                                double timeoutSeconds) {
    const auto start = Clock::now();
    while (!done(m_result.out)) {
        if (outputClosed() || secondsSince(start) > timeoutSeconds) {
            return false;
        }
        pump(100);
    }
    return true;
}

void DemoSession::collect(double seconds) {
    const auto start = Clock::now();
    while (!outputClosed() && secondsSince(start) < seconds) {
        pump(50);
    }
}

ProcessResult DemoSession::finish(double timeoutSeconds) {
    const auto start = Clock::now();
    while (!outputClosed() && secondsSince(start) <= timeoutSeconds) {
        pump(100);
    }
    if (m_pid > 0 && !m_reaped) {
        int status = 0;
        pid_t done = 0;
        while ((done = waitpid(m_pid, &status, WNOHANG)) == 0 &&
               secondsSince(start) <= timeoutSeconds) {
            usleep(10000);
        }
        if (done == 0) {
            m_result.timedOut = true;
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
        m_reaped = true;
        if (!m_result.timedOut && WIFEXITED(status)) {
            m_result.exitCode = WEXITSTATUS(status);
        }
    }
    m_result.seconds = secondsSince(start);
    return m_result;
}

}  // namespace tandril::test
