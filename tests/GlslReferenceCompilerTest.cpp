// Every program's stages through the reference GLSL compiler, linked as one
// program, as a strict driver would take them: the software driver the demo
// runs on here accepts code that other vendors' compilers reject.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scene/ProgramTable.h"
#include "support/Process.h"
#include "support/ShellDemo.h"

namespace tandril::scene {

// Cases print as the program's base name.
static void PrintTo(const ProgramEntry& entry, std::ostream* os) {
    *os << entry.baseName;
}

}  // namespace tandril::scene

namespace tandril::test {
namespace {

class GlslReferenceCompilerTest : public ::testing::TestWithParam<scene::ProgramEntry> {};

TEST_P(GlslReferenceCompilerTest, CompilesAndLinksWithoutError) {
    const std::string compiler = findOnPath("glslangValidator");
    ASSERT_FALSE(compiler.empty()) << "glslangValidator (Debian: glslang-tools) is needed";
    const std::vector<std::string> stages = GetParam().stageFiles();
    std::vector<std::string> arguments{compiler, "-l"};
    arguments.insert(arguments.end(), stages.begin(), stages.end());
    ProcessOptions options;
    options.workingDirectory = sourceDir() / "shader";
    const ProcessResult run = runProcess(compiler, arguments, options);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ((run.out + run.err).find("ERROR"), std::string::npos) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(, GlslReferenceCompilerTest, ::testing::ValuesIn(scene::kPrograms),
                         [](const ::testing::TestParamInfo<scene::ProgramEntry>& info) {
                             return std::string(info.param.baseName);
                         });

}  // namespace
}  // namespace tandril::test
