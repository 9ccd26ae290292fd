// Broken run-time data and window sizes, as people end up with them, run
// through the real demo binary in scratch copies of the data (bad command
// lines are CommandLineTest's): missing, empty, garbled and unreadable files;
// paths that name a pipe, a device or a directory; files far larger than they
// should be; images whose headers declare huge pictures; sizes the window
// system cannot give. Each case gives its console lines, and the run either
// ends there (the pause, exit code 1) or goes on drawing to a normal exit on
// Escape. Shader problems are fatal; model and image problems are reported
// and the scene runs without the part that failed.
//
// Every run is bounded in time (killed at the limit) and in memory (the
// address space it may take; under AddressSanitizer, which reserves terabytes
// of it, the resident size), so that a hang or a blow-up fails its case rather
// than stalling the suite.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include "scene/ProgramTable.h"
#include "support/GlContext.h"
#include "support/Process.h"
#include "support/ShellDemo.h"

#if defined(__SANITIZE_ADDRESS__)
#define TANDRIL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TANDRIL_ASAN 1
#endif
#endif

namespace tandril::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr double kTimeLimitSeconds = 120.0;  // generous: sanitizer builds start slowly
// A normal start takes under 1 GiB of address space and 200 MiB resident; a
// 12000 x 12000 window about 2 GiB and 1.3 GiB.
constexpr rlim_t kAddressSpaceBytes = rlim_t{4} << 30;
constexpr int kResidentLimitMiB = 4096;
// How far a case's peak resident size may lie above a normal start's: noise.
// An image decoded at the sizes below would add gigabytes.
constexpr long kResidentSlackKiB = 100 * 1024;

const std::string kWindowFailure =
    "Failed to open GLFW window. If you have an Intel GPU, they are not 3.3 compatible. "
    "Try the 2.1 version of the tutorials.\n";

// Holds the memory bound for every process started while it lives.
class MemoryBound {
  public:
    MemoryBound() {
#ifdef TANDRIL_ASAN
        const char* options = std::getenv("ASAN_OPTIONS");
        m_hadOptions = options != nullptr;
        m_options = m_hadOptions ? options : "";
        const std::string bounded = m_options + (m_options.empty() ? "" : ":") +
                                    "hard_rss_limit_mb=" + std::to_string(kResidentLimitMiB);
        setenv("ASAN_OPTIONS", bounded.c_str(), 1);
#else
        getrlimit(RLIMIT_AS, &m_saved);
        rlimit bound = m_saved;
        bound.rlim_cur = std::min(kAddressSpaceBytes, m_saved.rlim_max);
        setrlimit(RLIMIT_AS, &bound);
#endif
    }
    ~MemoryBound() {
#ifdef TANDRIL_ASAN
        if (m_hadOptions) {
            setenv("ASAN_OPTIONS", m_options.c_str(), 1);
        } else {
            unsetenv("ASAN_OPTIONS");
        }
#else
        setrlimit(RLIMIT_AS, &m_saved);
#endif
    }
    MemoryBound(const MemoryBound&) = delete;
    MemoryBound& operator=(const MemoryBound&) = delete;

  private:
#ifdef TANDRIL_ASAN
    bool m_hadOptions = false;
    std::string m_options;
#else
    rlimit m_saved{};
#endif
};

// The largest resident size of any child process ended so far, in KiB.
long peakChildResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

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

// A picture of `bpp` bits (8: a palette) or of FreeImage's `type`, filled
// with a pattern, saved in `format` with `flags` whatever the file's name says.
Damage picture(const std::string& relative, FREE_IMAGE_FORMAT format, int width, int height,
               int bpp = 24, int flags = 0, FREE_IMAGE_TYPE type = FIT_BITMAP) {
    return [=](const ScratchDir& dir) {
        FIBITMAP* bitmap = FreeImage_AllocateT(type, width, height, bpp);
        ASSERT_NE(bitmap, nullptr);
        const unsigned pitch = FreeImage_GetPitch(bitmap);
        for (int y = 0; y < height; ++y) {
            BYTE* row = FreeImage_GetScanLine(bitmap, y);
            for (unsigned b = 0; b < pitch; ++b) {
                row[b] = static_cast<BYTE>(type == FIT_BITMAP ? (b / 16 + y / 16) % 256 : 60);
            }
        }
        const bool saved = FreeImage_Save(format, bitmap, (dir / relative).c_str(), flags);
        FreeImage_Unload(bitmap);
        ASSERT_TRUE(saved);
    };
}

// A sky face the shipped faces' size, in a format the name does not say.
Damage skyFace(const std::string& face, FREE_IMAGE_FORMAT format, int bpp, int flags = 0,
               FREE_IMAGE_TYPE type = FIT_BITMAP) {
    return [=](const ScratchDir& dir) {
        const int size = skyFaceSize();
        picture("textures/skybox/" + face, format, size, size, bpp, flags, type)(dir);
    };
}

// A picture that ImageMagick's convert makes with `arguments`, in `format`.
Damage convertMade(const std::string& relative, const std::string& format,
                   std::vector<std::string> arguments) {
    return [=](const ScratchDir& dir) {
        std::vector<std::string> argv{"convert"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        argv.push_back(format + ":" + (dir / relative).string());
        const ProcessResult made = runProcess(findOnPath("convert"), argv);
        ASSERT_EQ(made.exitCode, 0) << made.err;
    };
}

Damage namedPipe(const std::string& relative) {
    return [relative](const ScratchDir& dir) {
        fs::remove(dir / relative);
        ASSERT_EQ(mkfifo((dir / relative).c_str(), 0600), 0);
    };
}

Damage linkTo(const std::string& relative, const std::string& target) {
    return [relative, target](const ScratchDir& dir) {
        fs::remove(dir / relative);
        fs::create_symlink(target, dir / relative);
    };
}

// A regular file that even root cannot open for reading: a write-only sysfs
// attribute. Empty where there is none.
std::string unreadableEvenToRoot() {
    std::error_code error;
    for (const auto& bus : fs::directory_iterator("/sys/bus", error)) {
        const fs::path probe = bus.path() / "drivers_probe";
        if (!fs::is_regular_file(probe, error)) {
            continue;
        }
        const int fd = open(probe.c_str(), O_RDONLY);
        if (fd < 0) {
            return probe.string();
        }
        close(fd);
    }
    return "";
}

Damage linkToAnUnreadableFile(const std::string& relative) {
    return [relative](const ScratchDir& dir) {
        const std::string target = unreadableEvenToRoot();
        if (target.empty()) {
            GTEST_SKIP() << "no file here refuses reads to everyone";
        }
        linkTo(relative, target)(dir);
    };
}

// A sparse file: the size costs no disk.
Damage sparseFileOf(const std::string& relative, std::uintmax_t bytes) {
    return [relative, bytes](const ScratchDir& dir) { fs::resize_file(dir / relative, bytes); };
}

// The real source followed by comment lines up to exactly `bytes`.
Damage paddedTo(const std::string& relative, std::size_t bytes) {
    return [relative, bytes](const ScratchDir& dir) {
        std::string source = readFile(dir / relative) + '\n';
        while (source.size() + 80 <= bytes) {
            source += "//" + std::string(77, '-') + '\n';
        }
        source += "//" + std::string(bytes - source.size() - 2, '-');
        ASSERT_EQ(source.size(), bytes);
        dir.write(relative, source);
    };
}

Damage objWithMaterialLibraryPipe() {
    return [](const ScratchDir& dir) {
        dir.write("objects/plane.obj", "mtllib plane.mtl\n" + readFile(dir / "objects/plane.obj"));
        ASSERT_EQ(mkfifo((dir / "objects/plane.mtl").c_str(), 0600), 0);
    };
}

std::string littleEndian(unsigned value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
    return out;
}

// An uncompressed 24-bit BMP header declaring the size, and a few pixels: the
// decoders read the missing rest as zeros.
Damage bmpDeclaring(const std::string& relative, unsigned width, unsigned height) {
    return [=](const ScratchDir& dir) {
        const std::string header = "BM" + littleEndian(54, 4) + littleEndian(0, 4) +
                                   littleEndian(54, 4) + littleEndian(40, 4) +
                                   littleEndian(width, 4) + littleEndian(height, 4) +
                                   littleEndian(1, 2) + littleEndian(24, 2) +
                                   std::string(24, '\0');  // no compression, no palette
        dir.write(relative, header + std::string(64, '\x80'));
    };
}

// The start of a JPEG 2000 code stream, its size segment for one component,
// declaring the size: FreeImage reads no such header on its own.
std::string j2kDeclaring(unsigned width, unsigned height) {
    const auto big = [](unsigned value, int bytes) {
        std::string out = littleEndian(value, bytes);
        return std::string(out.rbegin(), out.rend());
    };
    return "\xFF\x4F\xFF\x51"s + big(41, 2) + big(0, 2) + big(width, 4) + big(height, 4) +
           big(0, 4) + big(0, 4) + big(width, 4) + big(height, 4) + big(0, 4) + big(0, 4) +
           big(1, 2) + "\x07\x01\x01";
}

// ---- the cases -----------------------------------------------------------------

enum class Outcome { Fatal, RunsOn };

using Arguments = std::function<std::vector<std::string>()>;

Arguments windowOf(long long width, long long height) {
    return [=] { return std::vector<std::string>{std::to_string(width), std::to_string(height)}; };
}

struct SweepCase {
    std::string name;
    Damage damage;
    Outcome outcome;
    std::function<std::string()> err;  // all of standard error
    bool needsModeToStopReads = false;
    // A small window: every run that goes on draws at least a second of
    // frames, and the software rasteriser's cost grows with the pixel count.
    Arguments arguments = windowOf(320, 240);
    // Of the window after its first frame report, where it matters.
    std::function<std::string()> windowSize = {};
    // Peak resident memory within noise of a normal start's: where an image
    // decoded in full would show.
    bool nearNormalMemory = false;
    // Done to the window once it is up, before the first frame report.
    std::function<void(const std::string& window)> whileRunning = {};
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

constexpr std::size_t kShaderBound = 1024 * 1024;

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
    const std::string vert = "shader_texture_2.vert";
    cases.push_back({"ShaderIsANamedPipe", namedPipe("shader/" + vert), Outcome::Fatal,
                     exactly(loadFailure(vert))});
    cases.push_back({"ShaderIsALinkToAnEndlessDevice", linkTo("shader/" + vert, "/dev/zero"),
                     Outcome::Fatal, exactly(loadFailure(vert))});
    cases.push_back({"ShaderOfFourGibibytes",
                     sparseFileOf("shader/shader_skybox.frag", std::uintmax_t{4} << 30),
                     Outcome::Fatal, exactly(loadFailure("shader_skybox.frag"))});
    cases.push_back({"ShaderOneByteOverTheBound", paddedTo("shader/" + vert, kShaderBound + 1),
                     Outcome::Fatal, exactly(loadFailure(vert))});
    cases.push_back({"ShaderAtTheBoundLoads", paddedTo("shader/" + vert, kShaderBound),
                     Outcome::RunsOn, exactly("")});
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

std::string notARegularFile(const std::string& file, int loads) {
    return repeated("Model file \"objects/" + file + "\" is not a regular file\n", loads);
}

std::string tooLong(const std::string& file, const std::string& why) {
    return "Model file \"objects/" + file + "\" would take too long to import: " + why + "\n";
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
                     cutAfter("objects/cube.obj", "\nf 21/1/6 22/2/6 23/3/6\nf 21/1/"),
                     Outcome::RunsOn, exactly("")});
    std::string garbage;
    for (int i = 0; i < 2048; ++i) {
        garbage.push_back(static_cast<char>(i % 256));
    }
    cases.push_back({"BinaryGarbageModel", replacedBy("objects/plane.obj", garbage),
                     Outcome::RunsOn, exactly(noMesh("plane.obj"))});
    cases.push_back({"DirectoryInPlaceOfModel", directoryInstead("objects/street_lamp2.obj"),
                     Outcome::RunsOn, exactly(notARegularFile("street_lamp2.obj", 2))});
    cases.push_back({"ModelIsANamedPipe", namedPipe("objects/cube.obj"), Outcome::RunsOn,
                     exactly(notARegularFile("cube.obj", 4))});
    cases.push_back({"ModelIsALinkToAnEndlessDevice", linkTo("objects/plane.obj", "/dev/urandom"),
                     Outcome::RunsOn, exactly(notARegularFile("plane.obj", 1))});
    // Skipped like a missing one, which the importer does not report.
    cases.push_back({"MaterialLibraryIsANamedPipe", objWithMaterialLibraryPipe(), Outcome::RunsOn,
                     exactly("")});
    cases.push_back({"UnreadableModel", unreadable("objects/plane.obj"), Outcome::RunsOn,
                     exactly(cannotOpen("plane.obj")), true});
    cases.push_back({"ModelUnreadableEvenToRoot", linkToAnUnreadableFile("objects/plane.obj"),
                     Outcome::RunsOn, exactly(cannotOpen("plane.obj"))});
    // Post-processing that would take minutes (the polygon) or hours.
    cases.push_back({"ModelOfOnePolygonOf70000Corners",
                     [](const ScratchDir& dir) {
                         std::string obj;
                         std::string face = "f";
                         for (int corner = 0; corner < 70000; ++corner) {
                             const double angle = corner * 2 * std::numbers::pi / 70000;
                             obj += "v " + std::to_string(std::cos(angle)) + " " +
                                    std::to_string(std::sin(angle)) + " 0\n";
                             face += ' ';
                             face += std::to_string(corner + 1);
                         }
                         dir.write("objects/plane.obj", obj + face + "\n");
                     },
                     Outcome::RunsOn, exactly(tooLong("plane.obj", "a polygon of 70000 corners"))});
    cases.push_back({"ModelOfAMillionFacesAtOneCorner",
                     [](const ScratchDir& dir) {
                         dir.write("objects/plane.obj",
                                   "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 1\nvn 0 0 1\nvt 0 0\n"
                                   "f 1/1/1 2/1/1 3/1/1\n" +
                                       repeated("f 5 5 5\n", 1000000));
                     },
                     Outcome::RunsOn,
                     exactly(tooLong("plane.obj", "3000000 corners at one spot"))});
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

std::string faceWarning(const std::string& face, const std::string& why) {
    return "Warning: could not load sky face \"textures/skybox/" + face + "\" (" + why +
           "); filling it with a solid colour\n";
}

int largestCubeMapFace() {
    testWindow();  // a context of the same driver
    GLint size = 0;
    glGetIntegerv(GL_MAX_CUBE_MAP_TEXTURE_SIZE, &size);
    return size;
}

std::string scaledToBudget(const std::string& file, int loads) {
    return repeated("Warning: image \"textures/" + file +
                        "\" is 8193x8193, more pixels than the 8192x8192 a texture may hold; "
                        "it is scaled down to 8192x8192\n",
                    loads);
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
                         Outcome::RunsOn, exactly(faceWarning(face, "No such file or directory"))});
    }
    cases.push_back({"SkyFaceNotSquare", picture("textures/skybox/right.jpg", FIF_JPEG, 64, 32),
                     Outcome::RunsOn, scaledFaceWarning("right.jpg", 64, 32)});
    cases.push_back({"SkyFaceSquareOfAnotherSize",
                     picture("textures/skybox/top.jpg", FIF_JPEG, 48, 48), Outcome::RunsOn,
                     scaledFaceWarning("top.jpg", 48, 48)});
    cases.push_back({"CorruptJpegTexture", corruptedJpeg("textures/metal.jpg"), Outcome::RunsOn,
                     exactly(repeated(imageWarning("metal.jpg"), 3))});
    cases.push_back({"CorruptJpegSkyFace", corruptedJpeg("textures/skybox/bottom.jpg"),
                     Outcome::RunsOn,
                     exactly(faceWarning("bottom.jpg", "its header cannot be read"))});
    cases.push_back({"EmptyImage", replacedBy("textures/Brick_OldDestroyed_n.jpg", ""),
                     Outcome::RunsOn,
                     exactly(repeated(imageWarning("Brick_OldDestroyed_n.jpg"), 4))});
    cases.push_back({"DirectoryInPlaceOfImage", directoryInstead("textures/asphalt.jpg"),
                     Outcome::RunsOn, exactly(repeated(imageWarning("asphalt.jpg"), 3))});
    cases.push_back({"DirectoryInPlaceOfSkyFace", directoryInstead("textures/skybox/back.jpg"),
                     Outcome::RunsOn, exactly(faceWarning("back.jpg", "not a regular file"))});
    cases.push_back({"UnreadableImage", unreadable("textures/metal.jpg"), Outcome::RunsOn,
                     exactly(repeated(imageWarning("metal.jpg"), 3)), true});
    cases.push_back({"UnreadableSkyFace", unreadable("textures/skybox/front.jpg"), Outcome::RunsOn,
                     exactly(faceWarning("front.jpg", "Permission denied")), true});
    cases.push_back({"SkyFaceUnreadableEvenToRoot",
                     linkToAnUnreadableFile("textures/skybox/left.jpg"), Outcome::RunsOn,
                     exactly(faceWarning("left.jpg", "Permission denied"))});
    cases.push_back({"ImageIsANamedPipe", namedPipe("textures/metal.jpg"), Outcome::RunsOn,
                     exactly(repeated(imageWarning("metal.jpg"), 3))});
    cases.push_back({"SkyFaceIsANamedPipe", namedPipe("textures/skybox/top.jpg"), Outcome::RunsOn,
                     exactly(faceWarning("top.jpg", "not a regular file"))});
    // Within the driver's texture size, beyond the pixel budget.
    cases.push_back({.name = "ImageDeclaringMorePixelsThanTheBudget",
                     .damage = bmpDeclaring("textures/metal.jpg", 16000, 16000),
                     .outcome = Outcome::RunsOn,
                     .err = exactly(repeated(imageWarning("metal.jpg"), 3)),
                     .nearNormalMemory = true});
    cases.push_back(
        {.name = "SkyFaceDeclaringMorePixelsThanTheBudget",
         .damage = bmpDeclaring("textures/skybox/left.jpg", 16000, 16000),
         .outcome = Outcome::RunsOn,
         .err = exactly(faceWarning(
             "left.jpg", "it declares 16000x16000 pixels, more than its 118 bytes can hold")),
         .nearNormalMemory = true});
    cases.push_back({"SkyFaceDeclaringMoreThanTheDriverTakes",
                     bmpDeclaring("textures/skybox/back.jpg", 40000, 40000), Outcome::RunsOn, [] {
                         const std::string largest = std::to_string(largestCubeMapFace());
                         return faceWarning("back.jpg",
                                            "40000x40000 is beyond the driver's largest cube map "
                                            "face, " +
                                                largest + "x" + largest);
                     }});
    // Pictures FreeImage decodes come up, as 2-D textures and as sky faces
    // (where SOIL cannot read them).
    const std::string grey = "textures/Brick_OldDestroyed_h.jpg";
    for (const auto& [name, damage] : std::vector<std::pair<std::string, Damage>>{
             {"16BitGreyPng", picture(grey, FIF_PNG, 64, 64, 16, 0, FIT_UINT16)},
             {"RunLengthBmp", picture(grey, FIF_BMP, 64, 64, 8, BMP_SAVE_RLE)},
             {"RadianceHdr", picture(grey, FIF_HDR, 64, 64, 96, 0, FIT_RGBF)},
             {"FloatTiff", picture(grey, FIF_TIFF, 64, 64, 32, 0, FIT_FLOAT)},
             {"Jpeg2000", picture(grey, FIF_JP2, 64, 64, 24)}}) {
        cases.push_back({"TextureOf" + name + "_ComesUp", damage, Outcome::RunsOn, exactly("")});
    }
    const std::string size = std::to_string(skyFaceSize()) + "x" + std::to_string(skyFaceSize());
    for (const auto& [name, damage] : std::vector<std::pair<std::string, Damage>>{
             {"ProgressiveJpeg", skyFace("top.jpg", FIF_JPEG, 24, JPEG_PROGRESSIVE)},
             {"CmykJpeg",
              convertMade("textures/skybox/top.jpg", "jpg",
                          {"-size", size, "gradient:orange-navy", "-colorspace", "CMYK"})},
             {"16BitPng", skyFace("top.jpg", FIF_PNG, 48, 0, FIT_RGB16)},
             {"InterlacedPng", skyFace("top.jpg", FIF_PNG, 24, PNG_INTERLACED)},
             {"TwoBitPalettePng",
              convertMade("textures/skybox/top.jpg", "png",
                          {"-size", size, "gradient:orange-navy", "-colors", "3", "-define",
                           "png:bit-depth=2", "-define", "png:color-type=3"})},
             {"RunLengthBmp", skyFace("top.jpg", FIF_BMP, 8, BMP_SAVE_RLE)},
             {"Tga", skyFace("top.jpg", FIF_TARGA, 24)},
             {"Tiff", skyFace("top.jpg", FIF_TIFF, 24)},
             {"Gif", skyFace("top.jpg", FIF_GIF, 8)},
             {"WebP", skyFace("top.jpg", FIF_WEBP, 24)}}) {
        cases.push_back({"SkyFaceOf" + name + "_ComesUp", damage, Outcome::RunsOn, exactly("")});
    }
    // Not a format SOIL takes. (What SOIL says varies between builds: libdraco,
    // which Assimp loads, exports another stb_image that may answer its calls.)
    cases.push_back({"SkyFaceOfAGifCutInHalf_SaysWhy",
                     [](const ScratchDir& dir) {
                         skyFace("top.jpg", FIF_GIF, 8)(dir);
                         const std::string gif = readFile(dir / "textures/skybox/top.jpg");
                         dir.write("textures/skybox/top.jpg", gif.substr(0, gif.size() / 2));
                     },
                     Outcome::RunsOn,
                     exactly(faceWarning("top.jpg", "FreeImage: EOF reading sub-block"))});
    cases.push_back({"ImageOfMorePixelsThanTheBudget_ScaledDown",
                     picture("textures/metal.jpg", FIF_JPEG, 8193, 8193), Outcome::RunsOn,
                     exactly(scaledToBudget("metal.jpg", 3))});
    cases.push_back({.name = "ImageWithoutAHeaderReaderDeclaringMoreThanItHolds",
                     .damage = replacedBy("textures/metal.jpg", j2kDeclaring(16000, 16000)),
                     .outcome = Outcome::RunsOn,
                     .err = exactly(repeated(imageWarning("metal.jpg"), 3)),
                     .nearNormalMemory = true});
    // The faces' common size is what most files hold, not the first face's.
    cases.push_back({"SkyFaceFarLargerThanTheOthers_ScaledDownToThem",
                     picture("textures/skybox/right.jpg", FIF_JPEG, 8192, 8192), Outcome::RunsOn,
                     scaledFaceWarning("right.jpg", 8192, 8192)});
    std::string rows;
    for (const std::string& face : kSkyFaces) {
        rows += "Warning: sky face \"textures/skybox/" + face +
                "\" is 8192x1; cube map faces must be square and all one size, so it is scaled "
                "to 90x90\n";
    }
    cases.push_back({"SkyFacesOfOneRowEach_MadeAsLargeAsTheyHold",
                     [](const ScratchDir& dir) {
                         for (const std::string& face : kSkyFaces) {
                             picture("textures/skybox/" + face, FIF_JPEG, 8192, 1)(dir);
                         }
                     },
                     Outcome::RunsOn, exactly(rows)});
    return cases;
}

// The largest window side the driver draws.
int largestDrawableSide() {
    testWindow();  // a context of the same driver
    GLint viewport[2] = {0, 0};
    GLint renderbuffer = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    return std::min({viewport[0], viewport[1], renderbuffer});
}

// What the driver draws opens; the rest fails at the window.
std::vector<SweepCase> windowCases() {
    const auto opens = [](std::string name, int width, int height) {
        return SweepCase{
            .name = std::move(name),
            .damage = [](const ScratchDir&) {},
            .outcome = Outcome::RunsOn,
            .err = exactly(""),
            .arguments = windowOf(width, height),
            .windowSize = exactly(std::to_string(width) + "x" + std::to_string(height))};
    };
    const auto fails = [](std::string name, Arguments arguments) {
        return SweepCase{.name = std::move(name),
                         .damage = [](const ScratchDir&) {},
                         .outcome = Outcome::Fatal,
                         .err = exactly(kWindowFailure),
                         .arguments = std::move(arguments)};
    };
    return {
        opens("WindowOfOnePixel", 1, 1),
        opens("WindowOf12000By12000", 12000, 12000),
        fails("WindowJustBeyondTheDriver",
              [] { return windowOf(largestDrawableSide() + 1, 240)(); }),
        fails("WindowBeyondTheX11Limit", windowOf(32767, 32767)),
        fails("WindowTallerThan16Bits", windowOf(1, 100000)),
        fails("WindowOfTheLargestInt", windowOf(2147483647, 2147483647)),
        // Another client makes the running window larger than the driver draws.
        SweepCase{.name = "WindowResizedBeyondTheDriverWhileRunning",
                  .damage = [](const ScratchDir&) {},
                  .outcome = Outcome::RunsOn,
                  .err = exactly(""),
                  .windowSize =
                      [] {
                          const std::string side = std::to_string(largestDrawableSide());
                          return side + "x" + side;
                      },
                  .whileRunning =
                      [](const std::string& window) {
                          runOnDisplay(xdotoolPath(),
                                       {"xdotool", "windowsize", window, "32767", "32767"});
                      }},
    };
}

// ---- running a case ----------------------------------------------------------------

struct WindowedRun {
    ProcessResult result;
    std::string windowSize;
};

// Lets the demo draw until its first frame report (at least a second of
// frames), then presses Escape and waits for the end.
WindowedRun runUntilEscape(const fs::path& directory, const std::vector<std::string>& arguments,
                           const std::function<void(const std::string&)>& whileRunning = {}) {
    DemoSession demo(directory, arguments);
    WindowedRun run;
    const std::string window = demo.waitForWindow(kTimeLimitSeconds);
    if (!window.empty()) {
        if (whileRunning) {
            whileRunning(window);
        }
        demo.sendKeys(window, {"F2"});
        demo.waitForOutput([](const std::string& out) { return !reportValues(out).empty(); },
                           kTimeLimitSeconds);
        run.windowSize = demo.windowSize(window);
        // The release may find the window gone already; that is no failure.
        demo.sendKeys(window, {"Escape"});
    }
    run.result = demo.finish(kTimeLimitSeconds);
    return run;
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
    const std::vector<std::string> arguments = c.arguments();
    const ScratchDir dir;
    const MemoryBound bound;
    long normalPeakKiB = 0;
    if (c.nearNormalMemory) {
        const WindowedRun normal = runUntilEscape(dir.path(), arguments);
        ASSERT_EQ(normal.result.exitCode, 0) << normal.result.err;
        normalPeakKiB = peakChildResidentKiB();
    }
    c.damage(dir);
    if (HasFatalFailure() || IsSkipped()) {
        return;
    }
    const std::string start = workingDirectoryLine(dir.path()) + executingLine();

    if (c.outcome == Outcome::Fatal) {
        const ProcessResult run = runDemo(dir.path(), arguments);
        ASSERT_FALSE(run.timedOut) << "still running after " << kTimeLimitSeconds << " s";
        EXPECT_EQ(run.exitCode, 1);
        // The failure comes during set-up, before the scene reports its settings.
        EXPECT_EQ(run.out, start + kPauseLine);
        EXPECT_EQ(run.err, c.err());
        return;
    }

    const WindowedRun run = runUntilEscape(dir.path(), arguments, c.whileRunning);
    ASSERT_FALSE(run.result.timedOut) << "still running after " << kTimeLimitSeconds << " s; "
                                      << run.result.out << run.result.err;
    EXPECT_EQ(run.result.exitCode, 0) << "-1: ended by a signal; " << run.result.err;
    ASSERT_TRUE(run.result.out.starts_with(start + kSettingsLines)) << run.result.out;
    expectOnlyFrameReports(run.result.out.substr(start.size() + kSettingsLines.size()));
    EXPECT_EQ(run.result.err, c.err());
    if (c.windowSize) {
        EXPECT_EQ(run.windowSize, c.windowSize());
    }
    if (c.nearNormalMemory) {
        EXPECT_LE(peakChildResidentKiB(), normalPeakKiB + kResidentSlackKiB)
            << "a normal start peaked at " << normalPeakKiB << " KiB";
    }
}

std::string caseName(const ::testing::TestParamInfo<SweepCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Shaders, BadInputSweepTest, ::testing::ValuesIn(shaderCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Models, BadInputSweepTest, ::testing::ValuesIn(modelCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Images, BadInputSweepTest, ::testing::ValuesIn(imageCases()), caseName);
INSTANTIATE_TEST_SUITE_P(WindowSizes, BadInputSweepTest, ::testing::ValuesIn(windowCases()),
                         caseName);

}  // namespace
}  // namespace tandril::test
