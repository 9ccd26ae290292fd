// Broken run-time data, run through the real demo binary in scratch copies of
// the data (bad command lines are CommandLineTest's): the console lines that each one gives, and
// whether the run ends there (the pause, exit code 1) or goes on drawing to a
// normal exit on Escape. Shader problems are fatal; model and image problems
// are reported and the scene runs without the part that failed.
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include "scene/ProgramTable.h"
#include "support/Process.h"
#include "support/ShellDemo.h"

namespace tandril::test {
namespace {

namespace fs = std::filesystem;

// Cases that run on use a small window: every start draws at least a second
// of frames, and the software rasteriser's cost grows with the pixel count.
const std::vector<std::string> kSmallWindow = {"320", "240"};
constexpr double kTimeLimitSeconds = 120.0;  // generous: sanitizer builds start slowly

std::string repeated(const std::string& text, int count) {
    std::string all;
    for (int i = 0; i < count; ++i) {
        all += text;
    }
    return all;
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Root (or any process with CAP_DAC_OVERRIDE) reads files of mode 000 anyway.
bool permissionsStopReads() {
    const ScratchDir dir(false);
    dir.write("probe", "x");
    fs::permissions(dir / "probe", fs::perms::none);
    const int fd = open((dir / "probe").c_str(), O_RDONLY);
    if (fd >= 0) {
        close(fd);
        return false;
    }
    return true;
}

// ---- what the cases do to the data -------------------------------------------

using Damage = std::function<void(const ScratchDir&)>;

Damage removed(const std::string& relative) {
    return [relative](const ScratchDir& dir) { ASSERT_TRUE(fs::remove(dir / relative)); };
}

Damage replacedBy(const std::string& relative, const std::string& content) {
    return [relative, content](const ScratchDir& dir) { dir.write(relative, content); };
}

Damage directoryInstead(const std::string& relative) {
    return [relative](const ScratchDir& dir) {
        fs::remove(dir / relative);
        fs::create_directory(dir / relative);
    };
}

Damage unreadable(const std::string& relative) {
    return [relative](const ScratchDir& dir) { fs::permissions(dir / relative, fs::perms::none); };
}

// Cut just after the first occurrence of `marker` (which must be there).
Damage cutAfter(const std::string& relative, const std::string& marker) {
    return [relative, marker](const ScratchDir& dir) {
        const std::string content = readFile(dir / relative);
        const std::size_t at = content.find(marker);
        ASSERT_NE(at, std::string::npos) << marker;
        dir.write(relative, content.substr(0, at + marker.size()));
    };
}

// The image's own signature, so that the decoder takes it on, then noise.
Damage corruptedJpeg(const std::string& relative) {
    return [relative](const ScratchDir& dir) {
        std::string content = readFile(dir / relative).substr(0, 4);
        for (int i = 0; i < 4096; ++i) {
            content.push_back(static_cast<char>((i * 37 + 11) % 251));
        }
        dir.write(relative, content);
    };
}

Damage jpegOfSize(const std::string& relative, int width, int height) {
    return [relative, width, height](const ScratchDir& dir) {
        FIBITMAP* bitmap = FreeImage_Allocate(width, height, 24);
        ASSERT_NE(bitmap, nullptr);
        RGBQUAD colour{200, 120, 40, 0};
        FreeImage_FillBackground(bitmap, &colour);
        const bool saved = FreeImage_Save(FIF_JPEG, bitmap, (dir / relative).c_str(), 0);
        FreeImage_Unload(bitmap);
        ASSERT_TRUE(saved);
    };
}

// ---- the cases -----------------------------------------------------------------

enum class Outcome { Fatal, RunsOn };

struct SweepCase {
    std::string name;
    Damage damage;
    Outcome outcome;
    std::function<std::string()> err;  // all of standard error
    bool needsModeToStopReads = false;
};

std::function<std::string()> exactly(std::string text) {
    return [text] { return text; };
}

void PrintTo(const SweepCase& c, std::ostream* os) {
    *os << c.name;
}

// Parameter names allow letters, digits and underscores only.
std::string identifier(std::string text) {
    for (char& c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return text;
}

std::string loadFailure(const std::string& file) {
    return "Could not load shaderFile: shader/" + file;
}

std::vector<SweepCase> shaderCases() {
    std::vector<SweepCase> cases;
    // Every stage file of set-up's programs.
    for (const scene::ProgramEntry& program : scene::kPrograms) {
        for (const std::string& file : program.stageFiles()) {
            cases.push_back({"Missing_" + identifier(file), removed("shader/" + file),
                             Outcome::Fatal, exactly(loadFailure(file))});
        }
    }
    cases.push_back({"UnreadableShader", unreadable("shader/shader_skybox.vert"), Outcome::Fatal,
                     exactly(loadFailure("shader_skybox.vert")), true});
    // Which file is named when several are broken, a directory in a file's
    // place, and compile and link failures with the driver's exact log are
    // ShaderFailureTest's.
    return cases;
}

struct Model {
    std::string file;
    int loads;  // how many scene objects import it
};

const std::vector<Model> kModels = {
    {"cube.obj", 4},
    {"hausreihe_wuerfel_alleCords.obj", 4},
    {"street_lamp2.obj", 2},
    {"plane.obj", 1},
    {"Porsche_911_GT2.obj", 3},
};

// The importer's messages go out unchanged, without an end of line.
std::string cannotOpen(const std::string& file) {
    return "Unable to open file \"objects/" + file + "\".";
}

std::string noMesh(const std::string& file) {
    return "No mesh in model file \"objects/" + file + "\"\n";
}

std::vector<SweepCase> modelCases() {
    std::vector<SweepCase> cases;
    for (const Model& model : kModels) {
        cases.push_back({"Missing_" + identifier(model.file), removed("objects/" + model.file),
                         Outcome::RunsOn, exactly(repeated(cannotOpen(model.file), model.loads))});
    }
    cases.push_back({"EmptyModel", replacedBy("objects/cube.obj", ""), Outcome::RunsOn,
                     exactly(repeated("OBJ-file is too small.", 4))});
    cases.push_back({"ModelCutInATextureCoordinate",
                     cutAfter("objects/Porsche_911_GT2.obj", "\nvt -0.44000"), Outcome::RunsOn,
                     exactly(repeated("OBJ: Invalid number of components", 3))});
    // The importer keeps the faces before the cut: an open box, built with
    // adjacency for the shadow volumes.
    cases.push_back({"ModelCutInAFace_ImportsWhatCameBefore",
                     cutAfter("objects/cube.obj", "\nf 5/1/6 2/2/6 1/3/6\nf 5/1/"), Outcome::RunsOn,
                     exactly("")});
    std::string garbage;
    for (int i = 0; i < 2048; ++i) {
        garbage.push_back(static_cast<char>(i % 256));
    }
    cases.push_back({"BinaryGarbageModel", replacedBy("objects/plane.obj", garbage),
                     Outcome::RunsOn, exactly(noMesh("plane.obj"))});
    cases.push_back(
        {"DirectoryInPlaceOfModel", directoryInstead("objects/street_lamp2.obj"), Outcome::RunsOn,
         exactly(repeated("Model file \"objects/street_lamp2.obj\" is not a regular file\n", 2))});
    cases.push_back({"UnreadableModel", unreadable("objects/plane.obj"), Outcome::RunsOn,
                     exactly(cannotOpen("plane.obj")), true});
    // No normals and no texture coordinates: no tangent space either.
    cases.push_back({"ModelWithPositionsOnly_WithAdjacency",
                     replacedBy("objects/cube.obj",
                                "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                "v 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                                "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\n"
                                "f 3 4 8 7\nf 1 5 8 4\nf 2 3 7 6\n"),
                     Outcome::RunsOn, exactly("")});
    cases.push_back({"ModelWithoutNormals",
                     replacedBy("objects/Porsche_911_GT2.obj",
                                "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n"
                                "f 1/1 2/2 3/3\n"),
                     Outcome::RunsOn, exactly("")});
    cases.push_back({"ModelWithoutTextureCoordinates",
                     replacedBy("objects/hausreihe_wuerfel_alleCords.obj",
                                "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n"),
                     Outcome::RunsOn, exactly("")});
    return cases;
}

struct Image {
    std::string file;
    int loads;
};

const std::vector<Image> kImages = {
    {"Brick_OldDestroyed_d.jpg", 8},  // four cubes and four walls
    {"Brick_OldDestroyed_h.jpg", 4},
    {"Brick_OldDestroyed_n.jpg", 4},
    {"asphalt.jpg", 3},  // two lamps and the street
    {"metal.jpg", 3},
};

const std::vector<std::string> kSkyFaces = {"right.jpg",  "left.jpg", "top.jpg",
                                            "bottom.jpg", "back.jpg", "front.jpg"};

std::string imageWarning(const std::string& file) {
    return "Warning: could not load image \"textures/" + file + "\"; using a placeholder\n";
}

std::string faceWarning(const std::string& face) {
    return "Warning: could not load sky face \"textures/skybox/" + face +
           "\"; filling it with a solid colour\n";
}

// The edge length of the shipped sky faces, which an odd face is scaled to.
int skyFaceSize() {
    const std::string path = (sourceDir() / "textures/skybox/left.jpg").string();
    FIBITMAP* face = FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0);
    const int size = face != nullptr ? static_cast<int>(FreeImage_GetWidth(face)) : -1;
    if (face != nullptr) {
        FreeImage_Unload(face);
    }
    return size;
}

std::function<std::string()> scaledFaceWarning(const std::string& face, int width, int height) {
    return [=] {
        const std::string size = std::to_string(skyFaceSize());
        return "Warning: sky face \"textures/skybox/" + face + "\" is " + std::to_string(width) +
               "x" + std::to_string(height) +
               "; cube map faces must be square and all one size, so it is scaled to " + size +
               "x" + size + "\n";
    };
}

std::vector<SweepCase> imageCases() {
    std::vector<SweepCase> cases;
    for (const Image& image : kImages) {
        cases.push_back({"Missing_" + identifier(image.file), removed("textures/" + image.file),
                         Outcome::RunsOn,
                         exactly(repeated(imageWarning(image.file), image.loads))});
    }
    for (const std::string& face : kSkyFaces) {
        cases.push_back({"MissingSkyFace_" + identifier(face), removed("textures/skybox/" + face),
                         Outcome::RunsOn, exactly(faceWarning(face))});
    }
    cases.push_back({"SkyFaceNotSquare", jpegOfSize("textures/skybox/right.jpg", 64, 32),
                     Outcome::RunsOn, scaledFaceWarning("right.jpg", 64, 32)});
    cases.push_back({"SkyFaceSquareOfAnotherSize", jpegOfSize("textures/skybox/top.jpg", 48, 48),
                     Outcome::RunsOn, scaledFaceWarning("top.jpg", 48, 48)});
    cases.push_back({"CorruptJpegTexture", corruptedJpeg("textures/metal.jpg"), Outcome::RunsOn,
                     exactly(repeated(imageWarning("metal.jpg"), 3))});
    cases.push_back({"CorruptJpegSkyFace", corruptedJpeg("textures/skybox/bottom.jpg"),
                     Outcome::RunsOn, exactly(faceWarning("bottom.jpg"))});
    cases.push_back({"EmptyImage", replacedBy("textures/Brick_OldDestroyed_n.jpg", ""),
                     Outcome::RunsOn,
                     exactly(repeated(imageWarning("Brick_OldDestroyed_n.jpg"), 4))});
    cases.push_back({"DirectoryInPlaceOfImage", directoryInstead("textures/asphalt.jpg"),
                     Outcome::RunsOn, exactly(repeated(imageWarning("asphalt.jpg"), 3))});
    cases.push_back({"DirectoryInPlaceOfSkyFace", directoryInstead("textures/skybox/back.jpg"),
                     Outcome::RunsOn, exactly(faceWarning("back.jpg"))});
    cases.push_back({"UnreadableImage", unreadable("textures/metal.jpg"), Outcome::RunsOn,
                     exactly(repeated(imageWarning("metal.jpg"), 3)), true});
    cases.push_back({"UnreadableSkyFace", unreadable("textures/skybox/front.jpg"), Outcome::RunsOn,
                     exactly(faceWarning("front.jpg")), true});
    return cases;
}

// ---- running a case ----------------------------------------------------------------

// Lets the demo draw until its first frame report (at least a second of
// frames), then presses Escape and waits for the end.
ProcessResult runUntilEscape(const fs::path& directory, const std::vector<std::string>& arguments) {
    DemoSession demo(directory, arguments);
    const std::string window = demo.waitForWindow(kTimeLimitSeconds);
    if (window.empty()) {
        return demo.finish(kTimeLimitSeconds);
    }
    demo.sendKeys(window, {"F2"});
    demo.waitForOutput([](const std::string& out) { return !reportValues(out).empty(); },
                       kTimeLimitSeconds);
    // The release may find the window gone already; that is no failure.
    demo.sendKeys(window, {"Escape"});
    return demo.finish(kTimeLimitSeconds);
}

// What follows the start-up lines on a run that went on: the F2 answer, then
// frame reports alone.
void expectOnlyFrameReports(const std::string& rest) {
    ASSERT_TRUE(rest.starts_with("enable frameRate\n")) << rest;
    std::istringstream lines(rest.substr(17));
    int reports = 0;
    for (std::string line; std::getline(lines, line); ++reports) {
        EXPECT_TRUE(line.starts_with("frameRate: ")) << line;
    }
    EXPECT_GE(reports, 1);
}

class BadInputSweepTest : public ::testing::TestWithParam<SweepCase> {
  protected:
    void SetUp() override {
        ASSERT_FALSE(xdotoolPath().empty()) << "xdotool is needed to drive the demo";
    }
};

TEST_P(BadInputSweepTest, GivesItsConsoleLinesAndExitCode) {
    const SweepCase& c = GetParam();
    if (c.needsModeToStopReads && !permissionsStopReads()) {
        GTEST_SKIP() << "running as root (or with CAP_DAC_OVERRIDE): mode 000 does not stop "
                        "reads, so there is no unreadable file to test";
    }
    const ScratchDir dir;
    c.damage(dir);
    if (HasFatalFailure()) {
        return;
    }

    if (c.outcome == Outcome::Fatal) {
        const ProcessResult run = runDemo(dir.path(), {});
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1);
        // The failure comes during set-up, before the scene reports its settings.
        EXPECT_EQ(run.out, workingDirectoryLine(dir.path()) + kDefaultSizeLine + kPauseLine);
        EXPECT_EQ(run.err, c.err());
        return;
    }

    const ProcessResult run = runUntilEscape(dir.path(), kSmallWindow);
    ASSERT_FALSE(run.timedOut) << run.out << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string start = workingDirectoryLine(dir.path()) + executingLine() + kSettingsLines;
    ASSERT_TRUE(run.out.starts_with(start)) << run.out;
    expectOnlyFrameReports(run.out.substr(start.size()));
    EXPECT_EQ(run.err, c.err());
}

std::string caseName(const ::testing::TestParamInfo<SweepCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Shaders, BadInputSweepTest, ::testing::ValuesIn(shaderCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Models, BadInputSweepTest, ::testing::ValuesIn(modelCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Images, BadInputSweepTest, ::testing::ValuesIn(imageCases()), caseName);

}  // namespace
}  // namespace tandril::test
