// The benchmark's comparison of two sets of shader files, run as a developer
// would: a directory it cannot read is refused before any set-up, and the
// repository's shaders set against themselves give both series and a ratio
// near one.
#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "support/Process.h"

namespace tandril::test {
namespace {

namespace fs = std::filesystem;

ProcessResult runBenchmark(const std::vector<std::string>& options) {
    std::vector<std::string> arguments = {TANDRIL_BENCHMARK, "--size", "160x120", "--frames", "4",
                                          "--warmup",        "0"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    ProcessOptions process;
    process.workingDirectory = sourceDir();
    return runProcess(TANDRIL_BENCHMARK, arguments, process);
}

TEST(BenchmarkTest, RefusesADirectoryWithoutEveryShaderFileItDrawsWith) {
    ScratchDir empty(false);
    ProcessResult run = runBenchmark({"--against", empty.path().string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("--against: cannot read " + (empty / "shader_texture_2.vert").string()),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");

    // All but the shadow volumes' geometry stage.
    ScratchDir partial(false);
    fs::copy(sourceDir() / "shader", partial.path(), fs::copy_options::recursive);
    fs::remove(partial / "shader_shadow_volume.geom");
    run = runBenchmark({"--against", partial.path().string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("cannot read " + (partial / "shader_shadow_volume.geom").string()),
              std::string::npos)
        << run.err;
}

TEST(BenchmarkTest, ItsOwnShadersAgainstThemselvesGiveBothSeriesAndARatioNearOne) {
    ProcessResult run = runBenchmark({"--against", "shader", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::smatch match;
    const std::regex against(
        R"re("against": \{"dir": "shader", "frame_ms": \{"median": ([0-9.]+),.*"their_frame_ms": \{"median": ([0-9.]+),.*"their_to_our_frame": ([0-9.]+)\})re");
    ASSERT_TRUE(std::regex_search(run.out, match, against)) << run.out;
    EXPECT_GT(std::stod(match[1]), 0.0);
    EXPECT_GT(std::stod(match[2]), 0.0);
    EXPECT_GT(std::stod(match[3]), 0.5);
    EXPECT_LT(std::stod(match[3]), 2.0);

    run = runBenchmark({"--against", "shader"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(\nagainst shader: each view drawn)")))
        << run.out;
    EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(\nwhole frame, theirs +[0-9.]+ )")));
    EXPECT_TRUE(
        std::regex_search(run.out, std::regex(R"(\ntheirs / shader/, frame by frame: [0-9.]+\n)")));
}

TEST(BenchmarkTest, ASkyThatCostsMoreInTheOtherDirectoryShowsInTheRatio) {
    ScratchDir slow(false);
    fs::copy(sourceDir() / "shader", slow.path(), fs::copy_options::recursive);
    slow.write("shader_skybox.frag", R"(#version 330 core
in VS_OUT { vec3 direction; } fs_in;
uniform samplerCube skybox;
out vec4 fragColor;
void main() {
    vec3 sum = vec3(0.0);
    for (int i = 0; i < 400; ++i) {
        sum += texture(skybox, fs_in.direction + vec3(float(i) * 1e-3)).rgb;
    }
    fragColor = vec4(sum / 400.0, 1.0);
}
)");
    const ProcessResult run = runBenchmark({"--against", slow.path().string(), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(run.out, match, std::regex(R"("their_to_our_frame": ([0-9.]+))")))
        << run.out;
    EXPECT_GT(std::stod(match[1]), 2.0);
}

TEST(BenchmarkTest, WithoutAgainstItReportsNoComparison) {
    const ProcessResult run = runBenchmark({"--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.find("against"), std::string::npos);
    EXPECT_NE(run.out.find("\"frame_ms\""), std::string::npos);
}

}  // namespace
}  // namespace tandril::test
