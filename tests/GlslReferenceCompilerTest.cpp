// Every program's stages through the reference GLSL compiler, linked as one
// program, as a strict driver would take them: the software driver the demo
// runs on here accepts code that other vendors' compilers reject. A program
// is each base name in shader/ with its stage files.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/Process.h"

namespace tandril::test {
namespace {

namespace fs = std::filesystem;

std::string glslangValidator() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/glslangValidator";
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

struct Program {
    std::string name;
    std::vector<std::string> stages;  // in pipeline order
};

void PrintTo(const Program& program, std::ostream* os) {
    *os << program.name;
}

std::vector<Program> programsInShaderFolder() {
    std::map<std::string, std::map<int, std::string>> stages;
    const std::map<std::string, int> order = {{".vert", 0}, {".geom", 1}, {".frag", 2}};
    for (const fs::directory_entry& entry : fs::directory_iterator(sourceDir() / "shader")) {
        const auto stage = order.find(entry.path().extension().string());
        if (stage != order.end()) {
            stages[entry.path().stem().string()][stage->second] = entry.path().filename().string();
        }
    }
    std::vector<Program> programs;
    for (const auto& [name, files] : stages) {
        Program program{name, {}};
        for (const auto& [position, file] : files) {
            program.stages.push_back(file);
        }
        programs.push_back(program);
    }
    return programs;
}

class GlslReferenceCompilerTest : public ::testing::TestWithParam<Program> {};

TEST_P(GlslReferenceCompilerTest, CompilesAndLinksWithoutError) {
    const std::string compiler = glslangValidator();
    ASSERT_FALSE(compiler.empty()) << "glslangValidator (Debian: glslang-tools) is needed";
    const Program& program = GetParam();
    ASSERT_GE(program.stages.size(), 2u) << "a program needs a vertex and a fragment stage";
    std::vector<std::string> arguments{compiler, "-l"};
    arguments.insert(arguments.end(), program.stages.begin(), program.stages.end());
    ProcessOptions options;
    options.workingDirectory = sourceDir() / "shader";
    const ProcessResult run = runProcess(compiler, arguments, options);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ((run.out + run.err).find("ERROR"), std::string::npos) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(, GlslReferenceCompilerTest, ::testing::ValuesIn(programsInShaderFolder()),
                         [](const ::testing::TestParamInfo<Program>& info) {
                             return info.param.name;
                         });

// The folder holds the eight programs that set-up loads, at least, so the
// cases above cannot pass by finding nothing.
TEST(GlslShaderFolderTest, HoldsEveryProgramOfTheScene) {
    EXPECT_GE(programsInShaderFolder().size(), 8u);
}

}  // namespace
}  // namespace tandril::test
