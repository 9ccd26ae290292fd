// Renders the reference views with the capture tool and compares them with
// the committed pictures, so that a lost shadow, a missing texture or a broken
// sky shows up as a failure. A third of them again on Mesa's softpipe, a
// second rasterizer that offers exactly OpenGL 3.3, against the same files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "support/GlContext.h"
#include "support/Process.h"
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

// Renders the case with the capture tool on the driver this process runs on
// and compares it with its reference; `driver` names the kept pictures.
void expectMatchesReference(const Case& c, const Limits& limits, const std::string& driver) {
    const tools::Picture reference = tools::readPng((referenceDir() / (c.name + ".png")).string());
    ASSERT_GT(reference.width, 0) << "no reference picture for " << c.name << ". " << kRefreshHint;

    ScratchDir scratch(false);
    const fs::path rendered = scratch / "rendered.png";
    std::vector<std::string> arguments = {TANDRIL_CAPTURE, "--time", c.time};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.insert(arguments.end(), {"--out", rendered.string()});
    const ProcessResult run = runProcess(TANDRIL_CAPTURE, arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const tools::Picture actual = tools::readPng(rendered.string());
    ASSERT_EQ(actual.width, reference.width) << kRefreshHint;
    ASSERT_EQ(actual.height, reference.height) << kRefreshHint;

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
