#include "support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>

namespace tandril::test {
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void closeIfOpen(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// In the child: makes `fd` its descriptor `target`. The pipes are
// close-on-exec, and dup2 onto the same number would leave the flag on.
// Async-signal-safe: dup2 and fcntl only.
void becomeDescriptor(int fd, int target) {
    if (fd == target) {
        fcntl(fd, F_SETFD, 0);
    } else {
        dup2(fd, target);
    }
}

// Fills the pipe before the child exists, so that no write can meet a
// closed reader (SIGPIPE); a text that does not fit is refused.
bool prefill(int fd, const std::string& text) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const ProcessOptions& options) {
    // All that the child reads between fork and exec, made here.
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const std::string directory = options.workingDirectory.string();

    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    int in[2] = {-1, -1};
    const auto closeAll = [&] {
        for (int* fd : {&out[0], &out[1], &err[0], &err[1], &in[0], &in[1]}) {
            closeIfOpen(*fd);
        }
    };
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0 ||
        (options.stdinFromPipe &&
         (pipe2(in, O_CLOEXEC) != 0 || !prefill(in[1], options.stdinText)))) {
        closeAll();
        return;
    }
    closeIfOpen(in[1]);  // the child reads the text, then the end of the file

    m_pid = fork();
    if (m_pid == 0) {
        becomeDescriptor(out[1], STDOUT_FILENO);
        becomeDescriptor(err[1], STDERR_FILENO);
        if (in[0] >= 0) {
            becomeDescriptor(in[0], STDIN_FILENO);
        } else {
            close(STDIN_FILENO);
        }
        if (chdir(directory.c_str()) != 0) {
            _exit(127);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    m_fds[0] = out[0];
    m_fds[1] = err[0];
    out[0] = err[0] = -1;
    closeAll();
    if (m_pid < 0) {
        closeIfOpen(m_fds[0]);
        closeIfOpen(m_fds[1]);
    }
}

ChildProcess::~ChildProcess() {
    kill();
}

void ChildProcess::kill() {
    if (m_pid > 0 && !m_reaped) {
        ::kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_reaped = true;
    }
    closeIfOpen(m_fds[0]);
    closeIfOpen(m_fds[1]);
}

bool ChildProcess::running() const {
    if (m_pid <= 0 || m_reaped) {
        return false;
    }
    siginfo_t info{};
    // WNOWAIT leaves an ended child to finish(), which reads its exit code.
    return waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

void ChildProcess::pump(int milliseconds) {
    pollfd fds[2] = {{m_fds[0], POLLIN, 0}, {m_fds[1], POLLIN, 0}};
    if (outputClosed() || poll(fds, 2, milliseconds) <= 0) {
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
            closeIfOpen(m_fds[i]);
        }
    }
}

ProcessResult ChildProcess::finish(double timeoutSeconds) {
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
            ::kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
        m_reaped = true;
        if (done == m_pid && WIFEXITED(status)) {
            m_result.exitCode = WEXITSTATUS(status);
        }
    }
    closeIfOpen(m_fds[0]);
    closeIfOpen(m_fds[1]);
    return m_result;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options) {
    ChildProcess child(program, arguments, options);
    return child.finish(options.timeLimitSeconds);
}

bool refusedByDisplay(const ProcessResult& run) {
    const bool glfwRefused = run.exitCode == 1 && (run.err == "Failed to initialize GLFW\n" ||
                                                   run.err.ends_with(": cannot initialise GLFW\n"));
    return glfwRefused || run.err.find("Can't open display") != std::string::npos;
}

bool retryWhileDisplayRefuses(const std::function<bool()>& attempt) {
    for (int tried = 1;; ++tried) {
        if (attempt()) {
            return true;
        }
        if (tried == kDisplayAttempts) {
            return false;
        }
        usleep(100000);
    }
}

ProcessResult runOnDisplay(const std::string& program, const std::vector<std::string>& arguments,
                           const ProcessOptions& options) {
    ProcessResult result;
    retryWhileDisplayRefuses([&] {
        result = runProcess(program, arguments, options);
        return !refusedByDisplay(result);
    });
    return result;
}

std::string demoBinary() {
    return TANDRIL_BINARY;
}

fs::path sourceDir() {
    return TANDRIL_SOURCE_DIR;
}

ScratchDir::ScratchDir(bool withData) {
    std::random_device random;
    m_path = fs::temp_directory_path() /
             ("tandril-test-" + std::to_string(getpid()) + "-" + std::to_string(random()));
    fs::create_directories(m_path);
    if (withData) {
        for (const char* folder : {"shader", "objects", "textures"}) {
            fs::copy(sourceDir() / folder, m_path / folder, fs::copy_options::recursive);
        }
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    // Tests may leave unreadable files; make them removable first. Not through
    // links, which may name a device or a system file outside.
    for (auto it = fs::recursive_directory_iterator(m_path, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::remove_all(m_path, ignored);
}

void ScratchDir::write(const std::string& relative, const std::string& content) const {
    const fs::path target = m_path / relative;
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << content;
}

}  // namespace tandril::test
