// The benchmark's comparison of two sets of shader files, run as a developer
// would: a directory it cannot read is refused before any set-up, and the
// repository's shaders set against themselves give both series and a ratio
// near one.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/Process.h"

namespace tandril::test {
namespace {

namespace fs = std::filesystem;

// The number that follows `marker` in `text`, if the marker is there.
std::optional<double> numberAfter(const std::string& text, const std::string& marker) {
    const std::size_t at = text.find(marker);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const char* start = text.c_str() + at + marker.size();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    return end == start ? std::nullopt : std::optional<double>(value);
}

ProcessResult runBenchmark(const std::vector<std::string>& options,
                           const fs::path& directory = sourceDir()) {
    std::vector<std::string> arguments = {TANDRIL_BENCHMARK, "--size", "160x120", "--frames", "4",
                                          "--warmup",        "0"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    ProcessOptions process;
    process.workingDirectory = directory;
    return runOnDisplay(TANDRIL_BENCHMARK, arguments, process);
}

// How often `marker` occurs in `text`.
int occurrences(const std::string& text, const std::string& marker) {
    int count = 0;
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + 1)) {
        ++count;
    }
    return count;
}

// A sky that reads the cube map thousands of times a pixel: far more than
// any drift between turns.
const char* const kSlowSky = R"(#version 330 core
in VS_OUT { vec3 direction; } fs_in;
uniform samplerCube skybox;
out vec4 fragColor;
void main() {
    vec3 sum = vec3(0.0);
    for (int i = 0; i < 4000; ++i) {
        sum += texture(skybox, fs_in.direction + vec3(float(i) * 1e-3)).rgb;
    }
    fragColor = vec4(sum / 4000.0, 1.0);
}
)";

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
    const std::optional<double> ours =
        numberAfter(run.out, "\"against\": {\"dir\": \"shader\", \"frame_ms\": {\"median\": ");
    const std::optional<double> theirs = numberAfter(run.out, "\"their_frame_ms\": {\"median\": ");
    const std::optional<double> ratio = numberAfter(run.out, "\"their_to_our_frame\": ");
    ASSERT_TRUE(ours && theirs && ratio) << run.out;
    EXPECT_GT(*ours, 0.0);
    EXPECT_GT(*theirs, 0.0);
    // Loose: four tiny frames a side, on a machine that may be busy.
    EXPECT_GT(*ratio, 0.25);
    EXPECT_LT(*ratio, 4.0);

    run = runBenchmark({"--against", "shader"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\nagainst shader: each view drawn with both, in turns\n"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(numberAfter(run.out, "\nwhole frame, shader/ "));
    EXPECT_TRUE(numberAfter(run.out, "\nwhole frame, theirs "));
    EXPECT_TRUE(numberAfter(run.out, "\ntheirs / shader/, frame by frame: "));
}

TEST(BenchmarkTest, ASkyThatCostsMoreInTheOtherDirectoryShowsInTheRatio) {
    ScratchDir slow(false);
    fs::copy(sourceDir() / "shader", slow.path(), fs::copy_options::recursive);
    slow.write("shader_skybox.frag", kSlowSky);
    const ProcessResult run =
        runBenchmark({"--against", slow.path().string(), "--json", "--passes"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::optional<double> ratio = numberAfter(run.out, "\"their_to_our_frame\": ");
    ASSERT_TRUE(ratio) << run.out;
    EXPECT_GT(*ratio, 2.0);
    // Timed pass by pass, the difference lies in the sky's pass alone.
    const std::size_t at = run.out.find("\"their_to_our_pass\": {");
    ASSERT_NE(at, std::string::npos) << run.out;
    const std::string passes = run.out.substr(at);
    const std::optional<double> base = numberAfter(passes, "{\"base\": ");
    const std::optional<double> sky = numberAfter(passes, "\"reflections and sky\": ");
    ASSERT_TRUE(sky && base) << passes;
    EXPECT_GT(*sky, 4.0);
    EXPECT_LT(*base, 1.5);
}

TEST(BenchmarkTest, AStreetBesideTheOtherShadersGoesInWithThem) {
    // The same shaders, and beside them a street of 180 000 triangles, each
    // drawn and extruded for every light: far dearer than the shipped one.
    ScratchDir checkout(false);
    fs::copy(sourceDir() / "shader", checkout / "shader", fs::copy_options::recursive);
    std::string grid;
    constexpr int kSide = 301;
    for (int i = 0; i < kSide * kSide; ++i) {
        grid += "v " + std::to_string(i % kSide - kSide / 2) + " 0 " +
                std::to_string(i / kSide - kSide / 2) + "\n";
    }
    for (int row = 0; row + 1 < kSide; ++row) {
        for (int column = 0; column + 1 < kSide; ++column) {
            const int a = row * kSide + column + 1;
            grid += "f " + std::to_string(a) + " " + std::to_string(a + kSide) + " " +
                    std::to_string(a + 1) + "\nf " + std::to_string(a + 1) + " " +
                    std::to_string(a + kSide) + " " + std::to_string(a + kSide + 1) + "\n";
        }
    }
    checkout.write("objects/plane.obj", grid);
    const ProcessResult run = runBenchmark({"--against", (checkout / "shader").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("(theirs with the street of " +
                           (checkout / "objects/plane.obj").string() + ")\n"),
              std::string::npos)
        << run.out;
    const std::optional<double> ratio =
        numberAfter(run.out, "\ntheirs / shader/, frame by frame: ");
    ASSERT_TRUE(ratio) << run.out;
    EXPECT_GT(*ratio, 2.0);
}

TEST(BenchmarkTest, TheLimitDrawsEveryViewWithConstantColourFragments) {
    // The demo's own data with a costly sky: against constant-colour
    // fragments the frame must be far dearer.
    ScratchDir data;
    data.write("shader/shader_skybox.frag", kSlowSky);
    const ProcessResult run = runBenchmark({"--json"}, data.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::optional<double> ratio = numberAfter(run.out, "\"limit_frame_ms\": {\"median\": ");
    const std::optional<double> toLimit = numberAfter(run.out, "}, \"frame_to_limit\": ");
    ASSERT_TRUE(ratio && toLimit) << run.out;
    EXPECT_GT(*ratio, 0.0);
    EXPECT_GT(*toLimit, 2.0);
    // The stretches of the run all listed, a value a frame in the series.
    EXPECT_EQ(occurrences(run.out, "{\"name\": "), 8) << run.out;
    EXPECT_NE(run.out.find("\"0-2 s, standing\", \"frame_ms\": {\"median\": "), std::string::npos);
    const std::size_t times = run.out.find("\"time_s\": [");
    ASSERT_NE(times, std::string::npos);
    EXPECT_EQ(run.out.substr(times, run.out.find(']', times) - times),
              "\"time_s\": [0.033, 0.067, 0.100, 0.133");
}

TEST(BenchmarkTest, WithoutAgainstItReportsNoComparison) {
    const ProcessResult run = runBenchmark({"--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.find("against"), std::string::npos);
    EXPECT_NE(run.out.find("\"frame_ms\""), std::string::npos);
}

}  // namespace
}  // namespace tandril::test
