#include "app/Startup.h"

#include <algorithm>
#include <array>
#include <iostream>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/AppGlobals.h"
#include "app/CommandLine.h"
#include "app/Console.h"
#include "app/FrameLoop.h"
#include "scene/SceneSetup.h"

namespace tandril::app {
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

// Whether the driver can draw a default framebuffer of this size, asked of a
// hidden 1 x 1 window's context before the real window exists: creating a
// window beyond the limits already kills the process inside the window system
// or the driver's buffer allocation, or leaves a framebuffer partly undrawn.
// True when no probe context can be made, so that the real window's creation
// fails on its own as before.
bool driverCanDraw(int width, int height) {
    if (width < 1 || height < 1 || width > kLargestX11Side || height > kLargestX11Side) {
        return false;
    }
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* probe = glfwCreateWindow(1, 1, "", nullptr, nullptr);
    glfwWindowHint(GLFW_VISIBLE, GLFW_TRUE);
    if (probe == nullptr) {
        return true;
    }
    glfwMakeContextCurrent(probe);
    // OpenGL 1.1 calls: no entry points to load yet.
    GLint viewport[2] = {0, 0};
    GLint renderbuffer = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    glfwMakeContextCurrent(nullptr);
    glfwDestroyWindow(probe);
    return width <= std::min(viewport[0], renderbuffer) &&
           height <= std::min(viewport[1], renderbuffer);
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
    window = driverCanDraw(screenWidth, screenHeight)
                 ? glfwCreateWindow(screenWidth, screenHeight, "Orvelle", nullptr, nullptr)
                 : nullptr;
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
