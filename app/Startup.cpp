#include "app/Startup.h"

#include <array>
#include <iostream>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/AppGlobals.h"
#include "app/CommandLine.h"
#include "app/FrameLoop.h"
#include "base/Console.h"
#include "scene/SceneSetup.h"

namespace tandril::app {

using base::fatalError;
using base::fatalErrorOnStdout;
using base::installWideConsole;
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
    // GLFW asserts on a negative size rather than failing, so such a size takes
    // the same road as any window that cannot be made.
    window = screenWidth >= 0 && screenHeight >= 0
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
