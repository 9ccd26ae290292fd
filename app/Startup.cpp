#include "app/Startup.h"

#include <algorithm>
#include <array>
#include <iostream>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/CommandLine.h"
#include "app/FrameLoop.h"
#include "base/Console.h"
#include "base/WindowGlobals.h"
#include "scene/SceneSetup.h"

namespace tandril::app {

using base::fatalError;
using base::fatalErrorOnStdout;
using base::installWideConsole;
using base::kDefaultScreenHeight;
using base::kDefaultScreenWidth;
using base::screenHeight;
using base::screenWidth;
using base::window;
using base::workingDirectory;

namespace {

void readWindowSize(int argc, char** argv) {
    screenWidth = kDefaultScreenWidth;
    screenHeight = kDefaultScreenHeight;
    if (argc != 3) {
        std::cout << "Screen Width and Height are set to default, since no params via cli!"
                  << std::endl;
        return;
    }
    std::cout << "you are executing '" << argv[0] << "'" << std::endl;
    const std::optional<int> width = extractInt(argv[1]);
    if (!width) {
        fatalErrorOnStdout("first commend line arg. should be int");
    }
    screenWidth = *width;
    const std::optional<int> height = extractInt(argv[2]);
    if (!height) {
        fatalErrorOnStdout("second commend line arg. should be int");
    }
    screenHeight = *height;
}

// A transparent 1x1 cursor: the pointer vanishes over the window without
// being captured, and the camera recentres it every frame.
void hideCursor() {
    static std::array<unsigned char, 4> transparentPixel = {0, 0, 0, 0};
    GLFWimage image{1, 1, transparentPixel.data()};
    glfwSetCursor(window, glfwCreateCursor(&image, 0, 0));
}

// X11 carries window sizes in 16 bits and positions within a window as signed
// 16-bit numbers; larger sizes wrap or abort inside the X libraries.
constexpr int kLargestX11Side = 32767;

// The window, or null when it cannot be made at this size. It is made hidden
// at 1 x 1 and only given its size once its context has said what the driver
// draws: creating a window beyond the driver's limits kills the process inside
// the window system or the driver's buffer allocation, or leaves a framebuffer
// partly undrawn. One window throughout: a second, short-lived one would let
// tools that look windows up by process find a window that is gone.
GLFWwindow* createWindow(int width, int height) {
    if (width < 1 || height < 1 || width > kLargestX11Side || height > kLargestX11Side) {
        return nullptr;
    }
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* created = glfwCreateWindow(1, 1, "Orvelle", nullptr, nullptr);
    glfwWindowHint(GLFW_VISIBLE, GLFW_TRUE);
    if (created == nullptr) {
        return nullptr;
    }
    glfwMakeContextCurrent(created);
    // OpenGL 1.1 calls: no entry points to load yet.
    GLint viewport[2] = {0, 0};
    GLint renderbuffer = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glfwMakeContextCurrent(nullptr);
    base::largestWindowWidth = std::min(viewport[0], renderbuffer);
    base::largestWindowHeight = std::min(viewport[1], renderbuffer);
    if (width > base::largestWindowWidth || height > base::largestWindowHeight) {
        glfwDestroyWindow(created);
        return nullptr;
    }
    // A window manager keeps the user's resizing within these; the frame loop
    // undoes anyone else's (keepWindowWithinDriver).
    glfwSetWindowSizeLimits(created, 1, 1, base::largestWindowWidth, base::largestWindowHeight);
    glfwSetWindowSize(created, width, height);
    glfwShowWindow(created);  // which also gives it the input focus
    return created;
}

}  // namespace

int runApplication(int argc, char** argv) {
    installWideConsole();
    std::wcout << L"Working Directory: " << workingDirectory() << std::endl;

    readWindowSize(argc, argv);

    if (!glfwInit()) {
        fatalError("Failed to initialize GLFW\n");
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    // GLFW asserts on a negative size rather than failing, and sizes beyond the
    // driver's crash or fail late, so such sizes take the same road as any
    // window that cannot be made.
    window = createWindow(screenWidth, screenHeight);
    if (window == nullptr) {
        glfwTerminate();
        fatalError(
            "Failed to open GLFW window. If you have an Intel GPU, they are not 3.3 compatible. "
            "Try the 2.1 version of the tutorials.\n");
    }
    hideCursor();
    glfwMakeContextCurrent(window);

    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        glfwTerminate();
        fatalError("Fail initializing Glew.\n");
    }

    scene::setupScene();
    runFrameLoop();
    shutdown();
    return 0;
}

}  // namespace tandril::app
