// Running a program as a user would and collecting what it wrote.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tandril::test {

struct ProcessResult {
    int exitCode = -1;  // -1 when it was killed at the time limit or by a signal
    bool timedOut = false;
    std::string out;  // standard output
    std::string err;  // standard error
    double seconds = 0.0;
};

struct ProcessOptions {
    std::filesystem::path workingDirectory = std::filesystem::current_path();
    // Standard input is closed unless this is set, then it reads these bytes.
    bool stdinFromPipe = false;
    std::string stdinText;
    double timeLimitSeconds = 60.0;
};

// Runs `program` with `arguments` (argument 0 is the program's path).
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
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
