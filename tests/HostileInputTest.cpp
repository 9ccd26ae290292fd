// Files and window sizes as people end up with them, beyond missing or
// garbled data: paths that name a pipe, a device or a socket, files far larger
// than they should be, images whose headers declare huge pictures, sizes the
// window system cannot give. Each runs through the real demo in a scratch copy
// of its data, bounded in time (killed at the limit) and in memory (the address
// space it may take; under AddressSanitizer, which reserves terabytes of it,
// the resident size), so that a hang or a blow-up fails its case rather than
// stalling the suite. Each must take its loader's own failure road.
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

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

constexpr double kTimeLimitSeconds = 60.0;
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

// The largest window side the driver draws, from a hidden window's context.
int largestDrawableSide() {
    static const int side = [] {
        if (glfwInit() != GLFW_TRUE) {
            return 0;
        }
        GLFWwindow* const previous = glfwGetCurrentContext();
        glfwDefaultWindowHints();
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        GLFWwindow* probe = glfwCreateWindow(1, 1, "probe", nullptr, nullptr);
        glfwDefaultWindowHints();
        if (probe == nullptr) {
            return 0;
        }
        glfwMakeContextCurrent(probe);
        GLint viewport[2] = {0, 0};
        GLint renderbuffer = 0;
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
        glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
        glfwMakeContextCurrent(previous);
        glfwDestroyWindow(probe);
        return std::min({viewport[0], viewport[1], renderbuffer});
    }();
    return side;
}

// ---- what the cases put in place of the data ---------------------------------

using Make = std::function<void(const ScratchDir&)>;

void replaceWith(const ScratchDir& dir, const std::string& relative,
                 const std::function<void(const fs::path&)>& make) {
    const fs::path path = dir / relative;
    fs::remove(path);
    make(path);
}

Make namedPipe(const std::string& relative) {
    return [relative](const ScratchDir& dir) {
        replaceWith(dir, relative,
                    [](const fs::path& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); });
    };
}

Make linkTo(const std::string& relative, const std::string& target) {
    return [relative, target](const ScratchDir& dir) {
        replaceWith(dir, relative,
                    [&target](const fs::path& path) { fs::create_symlink(target, path); });
    };
}

Make socketFile(const std::string& relative) {
    return [relative](const ScratchDir& dir) {
        replaceWith(dir, relative, [](const fs::path& path) {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            ASSERT_LT(path.string().size(), sizeof address.sun_path);
            std::strcpy(address.sun_path, path.c_str());
            const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            ASSERT_GE(fd, 0);
            EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
            close(fd);  // the socket's file stays
        });
    };
}

// A sparse file: the size costs no disk.
Make sparseFileOf(const std::string& relative, std::uintmax_t bytes) {
    return [relative, bytes](const ScratchDir& dir) { fs::resize_file(dir / relative, bytes); };
}

// The real source followed by comment lines up to exactly `bytes`.
Make paddedTo(const std::string& relative, std::size_t bytes) {
    return [relative, bytes](const ScratchDir& dir) {
        std::ifstream file(dir / relative, std::ios::binary);
        std::string source{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        source += '\n';
        while (source.size() + 80 <= bytes) {
            source += "//" + std::string(77, '-') + '\n';
        }
        source += "//" + std::string(bytes - source.size() - 2, '-');
        ASSERT_EQ(source.size(), bytes);
        dir.write(relative, source);
    };
}

Make objWithMaterialLibraryPipe() {
    return [](const ScratchDir& dir) {
        std::ifstream file(dir / "objects/plane.obj", std::ios::binary);
        const std::string model{std::istreambuf_iterator<char>(file),
                                std::istreambuf_iterator<char>()};
        dir.write("objects/plane.obj", "mtllib plane.mtl\n" + model);
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
Make bmpDeclaring(const std::string& relative, unsigned width, unsigned height) {
    return [=](const ScratchDir& dir) {
        const std::string header = "BM" + littleEndian(54, 4) + littleEndian(0, 4) +
                                   littleEndian(54, 4) + littleEndian(40, 4) +
                                   littleEndian(width, 4) + littleEndian(height, 4) +
                                   littleEndian(1, 2) + littleEndian(24, 2) +
                                   std::string(24, '\0');  // no compression, no palette
        dir.write(relative, header + std::string(64, '\x80'));
    };
}

// A GIF whose screen and one frame declare the size, with a frame of one pixel's
// worth of data.
Make gifDeclaring(const std::string& relative, unsigned width, unsigned height) {
    return [=](const ScratchDir& dir) {
        const std::string size = littleEndian(width, 2) + littleEndian(height, 2);
        dir.write(relative, "GIF89a" + size + std::string(3, '\0') + "," + littleEndian(0, 4) +
                                size + std::string(1, '\0') +
                                std::string("\x02\x02\x4c\x01\x00\x3b", 6));
    };
}

Make tgaFace(const std::string& relative) {
    return [relative](const ScratchDir& dir) {
        FIBITMAP* bitmap = FreeImage_Allocate(64, 64, 24);
        ASSERT_NE(bitmap, nullptr);
        RGBQUAD colour{40, 120, 200, 0};
        FreeImage_FillBackground(bitmap, &colour);
        const bool saved = FreeImage_Save(FIF_TARGA, bitmap, (dir / relative).c_str(), 0);
        FreeImage_Unload(bitmap);
        ASSERT_TRUE(saved);
    };
}

// ---- the cases -----------------------------------------------------------------

enum class Outcome {
    Fatal,   // the message, the pause, exit code 1
    RunsOn,  // the window opens and the run ends normally on Escape
};

using Arguments = std::function<std::vector<std::string>()>;

struct HostileCase {
    std::string name;
    Make make;
    Outcome outcome;
    std::string err;         // all of standard error
    Arguments arguments;     // the window size
    std::string windowSize;  // of a window that opens, when it matters
    // Peak resident memory within noise of a normal start's.
    bool nearNormalMemory;
};

Arguments windowOf(long long width, long long height) {
    return [=] { return std::vector<std::string>{std::to_string(width), std::to_string(height)}; };
}

HostileCase fatal(std::string name, Make make, std::string err,
                  Arguments arguments = windowOf(320, 240)) {
    return {std::move(name),
            std::move(make),
            Outcome::Fatal,
            std::move(err),
            std::move(arguments),
            "",
            false};
}

HostileCase runsOn(std::string name, Make make, std::string err) {
    return {std::move(name),
            std::move(make),
            Outcome::RunsOn,
            std::move(err),
            windowOf(320, 240),
            "",
            false};
}

// The same, where an image decoded in full would show in the peak memory.
HostileCase runsOnInNormalMemory(std::string name, Make make, std::string err) {
    HostileCase c = runsOn(std::move(name), std::move(make), std::move(err));
    c.nearNormalMemory = true;
    return c;
}

HostileCase windowOpens(std::string name, long long width, long long height) {
    return {std::move(name),
            [](const ScratchDir&) {},
            Outcome::RunsOn,
            "",
            windowOf(width, height),
            std::to_string(width) + "x" + std::to_string(height),
            false};
}

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

std::string repeated(const std::string& text, int count) {
    std::string all;
    for (int i = 0; i < count; ++i) {
        all += text;
    }
    return all;
}

std::string shaderFailure(const std::string& file) {
    return "Could not load shaderFile: shader/" + file;
}

std::string notAModel(const std::string& file, int loads) {
    return repeated("Model file \"objects/" + file + "\" is not a regular file\n", loads);
}

std::string placeholder(const std::string& file, int loads) {
    return repeated(
        "Warning: could not load image \"textures/" + file + "\"; using a placeholder\n", loads);
}

std::string solidFace(const std::string& face) {
    return "Warning: could not load sky face \"textures/skybox/" + face +
           "\"; filling it with a solid colour\n";
}

constexpr std::size_t kShaderBound = 1024 * 1024;

Make noChange() {
    return [](const ScratchDir&) {};
}

std::vector<HostileCase> cases() {
    const std::string vert = "shader_texture_2.vert";
    return {
        // Shaders: the process ends, naming the file.
        fatal("ShaderIsANamedPipe", namedPipe("shader/" + vert), shaderFailure(vert)),
        fatal("ShaderIsALinkToAnEndlessDevice", linkTo("shader/" + vert, "/dev/zero"),
              shaderFailure(vert)),
        fatal("ShaderIsASocket", socketFile("shader/" + vert), shaderFailure(vert)),
        fatal("ShaderOfFourGibibytes",
              sparseFileOf("shader/shader_skybox.frag", std::uintmax_t{4} << 30),
              shaderFailure("shader_skybox.frag")),
        fatal("ShaderOneByteOverTheBound", paddedTo("shader/" + vert, kShaderBound + 1),
              shaderFailure(vert)),
        runsOn("ShaderAtTheBoundLoads", paddedTo("shader/" + vert, kShaderBound), ""),
        // Models: reported, and the scene runs without them.
        runsOn("ModelIsANamedPipe", namedPipe("objects/cube.obj"), notAModel("cube.obj", 4)),
        runsOn("ModelIsALinkToAnEndlessDevice", linkTo("objects/plane.obj", "/dev/urandom"),
               notAModel("plane.obj", 1)),
        // Skipped like a missing one, which the importer does not report.
        runsOn("MaterialLibraryIsANamedPipe", objWithMaterialLibraryPipe(), ""),
        // Images: the placeholder or the solid face, with the warning.
        runsOn("ImageIsANamedPipe", namedPipe("textures/metal.jpg"), placeholder("metal.jpg", 3)),
        runsOn("SkyFaceIsANamedPipe", namedPipe("textures/skybox/top.jpg"), solidFace("top.jpg")),
        // Within the driver's texture size, beyond the pixel budget.
        runsOnInNormalMemory("ImageDeclaringMorePixelsThanTheBudget",
                             bmpDeclaring("textures/metal.jpg", 16000, 16000),
                             placeholder("metal.jpg", 3)),
        runsOnInNormalMemory("GifDeclaringMorePixelsThanTheBudget",
                             gifDeclaring("textures/asphalt.jpg", 30000, 30000),
                             placeholder("asphalt.jpg", 3)),
        runsOnInNormalMemory("SkyFaceDeclaringMorePixelsThanTheBudget",
                             bmpDeclaring("textures/skybox/left.jpg", 16000, 16000),
                             solidFace("left.jpg")),
        runsOn("SkyFaceDeclaringMoreThanTheDriverTakes",
               bmpDeclaring("textures/skybox/back.jpg", 40000, 40000), solidFace("back.jpg")),
        runsOn("SkyFaceInAFormatItsDecoderCannotTake", tgaFace("textures/skybox/front.jpg"),
               solidFace("front.jpg")),
        // Window sizes: what the driver draws opens, the rest fails at the window.
        windowOpens("WindowOfOnePixel", 1, 1),
        windowOpens("WindowOf12000By12000", 12000, 12000),
        fatal("WindowJustBeyondTheDriver", noChange(), kWindowFailure,
              [] { return windowOf(largestDrawableSide() + 1, 240)(); }),
        fatal("WindowBeyondTheX11Limit", noChange(), kWindowFailure, windowOf(32767, 32767)),
        fatal("WindowBeyond16Bits", noChange(), kWindowFailure, windowOf(100000, 100000)),
        fatal("WindowOfTheLargestInt", noChange(), kWindowFailure,
              windowOf(2147483647, 2147483647)),
        fatal("WindowTallerThan16Bits", noChange(), kWindowFailure, windowOf(1, 100000)),
    };
}

// ---- running a case ----------------------------------------------------------------

struct WindowedRun {
    ProcessResult result;
    std::string windowSize;
};

// Waits for the window, which set-up names before it loads anything, and
// presses Escape, which the first frame after set-up takes.
WindowedRun runUntilEscape(const fs::path& directory, const std::vector<std::string>& arguments) {
    DemoSession demo(directory, arguments);
    WindowedRun run;
    const std::string window = demo.waitForWindow(kTimeLimitSeconds);
    if (!window.empty()) {
        run.windowSize = demo.windowSize(window);
        demo.sendKeys(window, {"Escape"});  // the release may find the window gone
    }
    run.result = demo.finish(kTimeLimitSeconds);
    return run;
}

class HostileInputTest : public ::testing::TestWithParam<HostileCase> {
  protected:
    void SetUp() override {
        ASSERT_FALSE(xdotoolPath().empty()) << "xdotool is needed to drive the demo";
    }
};

TEST_P(HostileInputTest, TakesItsLoadersFailureRoadWithinTimeAndMemory) {
    const HostileCase& c = GetParam();
    const std::vector<std::string> arguments = c.arguments();
    const ScratchDir dir;
    const MemoryBound bound;
    const std::string start = workingDirectoryLine(dir.path()) + executingLine();

    long normalPeakKiB = 0;
    if (c.nearNormalMemory) {
        const WindowedRun normal = runUntilEscape(dir.path(), arguments);
        ASSERT_EQ(normal.result.exitCode, 0) << normal.result.err;
        normalPeakKiB = peakChildResidentKiB();
    }
    c.make(dir);
    if (HasFatalFailure()) {
        return;
    }

    if (c.outcome == Outcome::Fatal) {
        const ProcessResult run = runDemo(dir.path(), arguments);
        ASSERT_FALSE(run.timedOut) << "still running after " << kTimeLimitSeconds << " s";
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, start + kPauseLine);
        EXPECT_EQ(run.err, c.err);
        return;
    }
    const WindowedRun run = runUntilEscape(dir.path(), arguments);
    ASSERT_FALSE(run.result.timedOut)
        << "still running after " << kTimeLimitSeconds << " s; " << run.result.err;
    EXPECT_EQ(run.result.exitCode, 0) << "-1: ended by a signal";
    EXPECT_EQ(run.result.out, start + kSettingsLines);
    EXPECT_EQ(run.result.err, c.err);
    if (!c.windowSize.empty()) {
        EXPECT_EQ(run.windowSize, c.windowSize);
    }
    if (c.nearNormalMemory) {
        EXPECT_LE(peakChildResidentKiB(), normalPeakKiB + kResidentSlackKiB)
            << "a normal start peaked at " << normalPeakKiB << " KiB";
    }
}

INSTANTIATE_TEST_SUITE_P(, HostileInputTest, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace tandril::test
