// Renders the reference views with the capture tool and compares them with
// the committed pictures, so that a lost shadow, a missing texture or a broken
// sky shows up as a failure. A third of them again on Mesa's softpipe, a
// second rasterizer that offers exactly OpenGL 3.3, against the same files.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "support/GlContext.h"
#include "support/Process.h"
#include "tools/capture/Stages.h"
#include "tools/common/Picture.h"

namespace tandril::test {
namespace {

namespace fs = std::filesystem;

// A pixel differs when a channel is off by more than this; the share of such
// pixels and the mean difference must stay under the limits.
constexpr int kPixelTolerance = 24;
struct Limits {
    double differingShare;
    double meanDifference;
};
// The software driver renders the same frame bit for bit, so these only leave
// room for other CPUs' rounding.
constexpr Limits kLimits{0.001, 1.0};
// Softpipe samples, filters and rounds in its own way. Over every case, also
// with the street's newer shaders and references, it differed from the
// references by at most 0.023 % of the pixels (turning) and a mean of 0.31
// (passing-cubes); these leave about twice that.
constexpr Limits kSoftpipeLimits{0.0005, 0.6};

const char* const kRefreshHint =
    "If the picture is meant to change, run scripts/refresh-references.sh, look at the new "
    "pictures in tests/reference/ and commit them.";

struct Case {
    std::string name;
    std::string time;
    std::vector<std::string> options;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

fs::path referenceDir() {
    return sourceDir() / "tests" / "reference";
}

std::vector<Case> readCases() {
    std::vector<Case> cases;
    std::ifstream file(referenceDir() / "cases.txt");
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        Case c;
        if (!(words >> c.name >> c.time) || c.name[0] == '#') {
            continue;
        }
        for (std::string option; words >> option;) {
            c.options.push_back(option);
        }
        cases.push_back(c);
    }
    return cases;
}

struct Comparison {
    double differingShare = 0.0;
    double meanDifference = 0.0;
    tools::Picture difference;  // bright where the pictures differ
};

Comparison compare(const tools::Picture& a, const tools::Picture& b) {
    Comparison result;
    result.difference = {a.width, a.height, std::vector<std::uint8_t>(a.rgb.size())};
    std::size_t differing = 0;
    double total = 0.0;
    const std::size_t pixels = std::size_t(a.width) * a.height;
    for (std::size_t p = 0; p < pixels; ++p) {
        int largest = 0;
        for (int c = 0; c < 3; ++c) {
            const int d = std::abs(int(a.rgb[3 * p + c]) - int(b.rgb[3 * p + c]));
            largest = std::max(largest, d);
            total += d;
        }
        differing += largest > kPixelTolerance ? 1 : 0;
        std::fill_n(&result.difference.rgb[3 * p], 3, std::uint8_t(std::min(255, largest * 4)));
    }
    result.differingShare = double(differing) / double(pixels);
    result.meanDifference = total / double(3 * pixels);
    return result;
}

// The lower 45 % of a frame as grey levels (Rec. 709 weights, 0 to 1): its
// mean and standard deviation. The ground fills it: at dusk it stays dark,
// yet a street shows in it, never an empty plain.
struct LowerPart {
    double mean = 0.0;
    double deviation = 0.0;
};

LowerPart lowerPartOf(const tools::Picture& picture) {
    const int top = picture.height - picture.height * 45 / 100;
    double sum = 0.0;
    double squares = 0.0;
    const std::size_t count = std::size_t(picture.width) * std::size_t(picture.height - top);
    // Rows run top to bottom.
    for (std::size_t p = std::size_t(top) * picture.width; p < picture.rgb.size() / 3; ++p) {
        const double grey = (0.2126 * picture.rgb[3 * p] + 0.7152 * picture.rgb[3 * p + 1] +
                             0.0722 * picture.rgb[3 * p + 2]) /
                            255.0;
        sum += grey;
        squares += grey * grey;
    }
    const double mean = sum / double(count);
    return {mean, std::sqrt(std::max(0.0, squares / double(count) - mean * mean))};
}

// Renders the case with the capture tool on the driver this process runs on
// and compares it with its reference; `driver` names the kept pictures.
void expectMatchesReference(const Case& c, const Limits& limits, const std::string& driver) {
    const tools::Picture reference = tools::readImage((referenceDir() / (c.name + ".png")).string());
    ASSERT_GT(reference.width, 0) << "no reference picture for " << c.name << ". " << kRefreshHint;

    ScratchDir scratch(false);
    const fs::path rendered = scratch / "rendered.png";
    std::vector<std::string> arguments = {TANDRIL_CAPTURE, "--time", c.time};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {"--out", rendered.string()});
    const ProcessResult run = runProcess(TANDRIL_CAPTURE, arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const tools::Picture actual = tools::readImage(rendered.string());
    ASSERT_EQ(actual.width, reference.width) << kRefreshHint;
    ASSERT_EQ(actual.height, reference.height) << kRefreshHint;

    if (driver.empty() &&
        std::find(c.options.begin(), c.options.end(), "--eye") == c.options.end()) {
        const LowerPart ground = lowerPartOf(actual);
        EXPECT_GE(ground.deviation, 0.02) << c.name << ": the lower part of the frame is empty";
        EXPECT_LE(ground.mean, 0.25) << c.name << ": the dusk has gone";
    }

    const Comparison comparison = compare(actual, reference);
    if (comparison.differingShare > limits.differingShare ||
        comparison.meanDifference > limits.meanDifference) {
        // Keep both pictures for a look at what changed.
        const fs::path keep = fs::temp_directory_path() / "tandril-picture-failures";
        fs::create_directories(keep);
        const std::string kept = c.name + driver;
        fs::copy_file(rendered, keep / (kept + "-rendered.png"),
                      fs::copy_options::overwrite_existing);
        tools::writePng((keep / (kept + "-difference.png")).string(), comparison.difference);
        ADD_FAILURE() << std::fixed << std::setprecision(3) << c.name << ": "
                      << comparison.differingShare * 100.0 << "% of the pixels differ by more than "
                      << kPixelTolerance << " (limit " << limits.differingShare * 100.0
                      << "%), mean difference " << comparison.meanDifference << " (limit "
                      << limits.meanDifference
                      << "). The rendered picture and a difference image are in " << keep << ". "
                      << kRefreshHint;
    }
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

// Every third case from the second on: a sample spread over the list, which
// the softpipe run draws in about half a minute.
std::vector<Case> softpipeCases() {
    std::vector<Case> sample;
    const std::vector<Case> all = readCases();
    for (std::size_t i = 1; i < all.size(); i += 3) {
        sample.push_back(all[i]);
    }
    return sample;
}

class PictureTest : public ::testing::TestWithParam<Case> {};

TEST_P(PictureTest, MatchesTheReference) {
    expectMatchesReference(GetParam(), kLimits, "");
}

INSTANTIATE_TEST_SUITE_P(, PictureTest, ::testing::ValuesIn(readCases()), caseName);

class SoftpipePictureTest : public ::testing::TestWithParam<Case> {};

// The capture tool inherits this process's GALLIUM_DRIVER.
TEST_P(SoftpipePictureTest, MatchesTheReferenceWithinItsMeasuredTolerance) {
    if (!softpipeRequested()) {
        GTEST_SKIP() << kSoftpipeHint;
    }
    ASSERT_EQ(rendererName(), "softpipe");
    expectMatchesReference(GetParam(), kSoftpipeLimits, "-softpipe");
}

INSTANTIATE_TEST_SUITE_P(, SoftpipePictureTest, ::testing::ValuesIn(softpipeCases()), caseName);

// What the frame holds after a pass, from the capture tool at the cubes at 4 s
// (with their shadows) or looking up at the sky (no caster in sight).
tools::Picture stage(const std::string& name, bool atTheCubes) {
    ScratchDir scratch(false);
    const fs::path out = scratch / "stage.png";
    std::vector<std::string> arguments = {TANDRIL_CAPTURE, "--time", "4", "--size", "160x160"};
    const std::vector<std::string> view =
        atTheCubes ? std::vector<std::string>{"--eye", "5.6,2.3,-7.4", "--look", "2.4,-0.45"}
                   : std::vector<std::string>{"--eye", "0,5,50", "--look", "0,0.4"};
    arguments.insert(arguments.end(), view.begin(), view.end());
    if (!name.empty()) {
        arguments.insert(arguments.end(), {"--stage", name});
    }
    arguments.insert(arguments.end(), {"--out", out.string()});
    const ProcessResult run = runProcess(TANDRIL_CAPTURE, arguments);
    EXPECT_EQ(run.exitCode, 0) << name << ": " << run.err;
    return tools::readImage(out.string());
}

// Pixels of this colour.
int countOf(const tools::Picture& picture, std::array<int, 3> colour) {
    int count = 0;
    for (std::size_t p = 0; p < picture.rgb.size(); p += 3) {
        count += std::equal(colour.begin(), colour.end(), &picture.rgb[p]) ? 1 : 0;
    }
    return count;
}

TEST(CaptureStages, EachShowsWhatOnlyItsPassLeaves) {
    const tools::Picture base = stage("base", true);
    const tools::Picture sky = stage("sky", true);
    const tools::Picture frame = stage("", true);
    const int pixels = base.width * base.height;
    ASSERT_EQ(pixels, 160 * 160);
    // The sky fills the top rows only after its pass; the lighting pass adds
    // exactly what finishes the frame, and nothing to the sky.
    EXPECT_EQ(std::accumulate(base.rgb.begin(), base.rgb.begin() + 160 * 3 * 4, 0), 0);
    EXPECT_GT(std::accumulate(sky.rgb.begin(), sky.rgb.begin() + 160 * 3 * 4, 0), 160 * 4 * 20);
    const tools::Picture lighting = stage("lighting", true);
    for (std::size_t i = 0; i < frame.rgb.size(); ++i) {
        ASSERT_NEAR(frame.rgb[i], std::min(255, sky.rgb[i] + lighting.rgb[i]), 1) << i;
    }
    // The cubes' shadows: counted in the stencil, their volumes drawn and
    // outlined; with no caster in sight, none of them.
    const std::array<int, 3> once{tools::kCountColours[0].r, tools::kCountColours[0].g,
                                  tools::kCountColours[0].b};
    EXPECT_GT(countOf(stage("stencil", true), once), pixels / 50);
    EXPECT_EQ(countOf(stage("stencil", false), once), 0);
    EXPECT_GT(compare(stage("volumes", true), base).differingShare, 0.02);
    EXPECT_GT(compare(stage("volume-edges", true), base).differingShare, 0.002);
    const tools::Picture open = stage("base", false);
    EXPECT_EQ(stage("volumes", false).rgb, open.rgb);
    EXPECT_EQ(stage("volume-edges", false).rgb, open.rgb);
    // Depth: the ground at the bottom nearer, so lighter, than halfway up; the
    // sky at the top as far as can be.
    const tools::Picture depth = stage("depth", true);
    EXPECT_GT(depth.rgb[(159 * 160 + 20) * 3], depth.rgb[(80 * 160 + 20) * 3] + 20);
    EXPECT_EQ(depth.rgb[80 * 3], 0);
    // The height field is the walls' height picture as the GL holds it.
    const tools::Picture height = stage("height", true);
    const tools::Picture file =
        tools::readImage((sourceDir() / "textures" / "Brick_OldDestroyed_h.jpg").string());
    ASSERT_EQ(height.width, file.width);
    EXPECT_LT(compare(height, file).meanDifference, 0.5);
}

TEST(PictureComparison, CatchesASmallDarkPatchButNotRoundingNoise) {
    tools::Picture base{100, 100, std::vector<std::uint8_t>(100 * 100 * 3, 120)};
    tools::Picture noisy = base;
    for (std::size_t i = 0; i < noisy.rgb.size(); i += 7) {
        noisy.rgb[i] = static_cast<std::uint8_t>(noisy.rgb[i] + (i % 2 ? 2 : -2));
    }
    Comparison comparison = compare(base, noisy);
    EXPECT_LE(comparison.differingShare, kLimits.differingShare);
    EXPECT_LE(comparison.meanDifference, kLimits.meanDifference);

    // A lost shadow: a 5 x 4 patch, 0.2% of the picture, brighter by 60.
    tools::Picture patched = base;
    for (int y = 40; y < 44; ++y) {
        for (int x = 40; x < 45; ++x) {
            std::fill_n(&patched.rgb[(y * 100 + x) * 3], 3, std::uint8_t(180));
        }
    }
    comparison = compare(base, patched);
    EXPECT_GT(comparison.differingShare, kLimits.differingShare);
}

}  // namespace
}  // namespace tandril::test
