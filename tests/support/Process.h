// Running programs as a user would and collecting what they write: one child
// process helper for every test that starts a program, and the one policy for
// a display that refuses a connection.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tandril::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when it was killed at the time limit or by a signal
    bool timedOut = false;
    std::string out;  // standard output
    std::string err;  // standard error
};

struct ProcessOptions {
    std::filesystem::path workingDirectory = std::filesystem::current_path();
    // Standard input is closed unless this is set, then it reads these bytes
    // (at most a pipe's buffer, 64 KiB) and then the end of the file.
    bool stdinFromPipe = false;
    std::string stdinText;
    double timeLimitSeconds = 60.0;
};

// A program running with its standard output and error on pipes: started,
// its output read while it runs, finished. Everything the child needs is
// built before the fork, and between fork and exec the child makes only
// async-signal-safe calls: the test process runs the GL driver's threads, and
// a child that allocated there could wait forever on a lock one of them held.
class ChildProcess {
  public:
    // Starts `program` with `arguments` (argument 0 is the program's path).
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const ProcessOptions& options = {});
    // A child still running is killed.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    // Still running; one that ended is left for finish() to collect.
    bool running() const;
    // Reads what has arrived, waiting at most `milliseconds` for something.
    void pump(int milliseconds);
    // Both pipes closed: nothing more will be written.
    bool outputClosed() const { return m_fds[0] < 0 && m_fds[1] < 0; }
    const std::string& out() const { return m_result.out; }
    const std::string& err() const { return m_result.err; }
    // Reads until the output closes and waits for the end, killing the child
    // at the time limit; returns all that it wrote and how it ended.
    ProcessResult finish(double timeoutSeconds);

  private:
    void kill();

    pid_t m_pid = -1;
    int m_fds[2] = {-1, -1};  // the child's stdout and stderr
    bool m_reaped = false;
    ProcessResult m_result;
};

// Runs `program` to its end (see ChildProcess).
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options = {});

// Xvfb now and then refuses a connection while many clients come and go
// (about one in a thousand here). The one policy for it, in this process and
// for the programs it starts: what the display refused is tried again, a
// moment later, up to this many times in all.
inline constexpr int kDisplayAttempts = 3;

// Whether a run ended only because the display refused it: GLFW's start-up
// failure in the demo or a tool, or xdotool's.
bool refusedByDisplay(const ProcessResult& run);

// Calls `attempt` until it reports that the display let it through, at most
// kDisplayAttempts times; returns whether one got through.
bool retryWhileDisplayRefuses(const std::function<bool()>& attempt);

// runProcess for a program that connects to the display, by that policy.
ProcessResult runOnDisplay(const std::string& program, const std::vector<std::string>& arguments,
                           const ProcessOptions& options = {});

// The demo binary that the tests were built with.
std::string demoBinary();

// The repository root, which holds shader/, objects/ and textures/.
std::filesystem::path sourceDir();

// A fresh directory that removes itself, optionally holding copies of the
// demo's run-time data so that a test can break one file of it.
class ScratchDir {
  public:
    explicit ScratchDir(bool withData = true);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& relative) const { return m_path / relative; }
    void write(const std::string& relative, const std::string& content) const;

  private:
    std::filesystem::path m_path;
};

}  // namespace tandril::test
