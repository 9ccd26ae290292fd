// Renders the scene as the demo shows it at a given time of its run and
// writes the frame, or what it holds after one of its passes, as a PNG. Time
// advances from 0 in fixed steps of 1/30 s with no mouse or key input, so the
// camera path and the cars are where a run at that frame rate would have them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "base/RuntimeSettings.h"
#include "base/WindowGlobals.h"
#include "render/FramePasses.h"
#include "scene/SceneGlobals.h"
#include "scene/SceneSetup.h"
#include "tools/capture/Stages.h"
#include "tools/common/FixedStep.h"
#include "tools/common/OptionNumbers.h"
#include "tools/common/Picture.h"
#include "tools/common/ToolWindow.h"

namespace {

using namespace tandril;
using tools::kTimeStep;

struct Options {
    double time = 0.0;
    tools::Size size{1200, 1200};
    std::string output;
    bool parallax = true;
    float parallaxScale = 0.01f;
    bool reliefShadow = true;
    int downsample = 1;
    // A viewpoint of its own instead of the path's, e.g. for close-ups.
    std::optional<glm::vec3> eye;
    std::optional<glm::vec2> yawPitch;
    // A sequence: this many frames, `every` seconds apart, from `time` on.
    int frames = 1;
    double every = kTimeStep;
    // What the frame holds part way through, instead of the finished frame.
    std::optional<tools::Stage> stage;
};

// The file of frame `index`: the output itself, or with a number before its
// extension when there is a sequence.
std::string framePath(const Options& options, int index) {
    if (options.frames == 1) {
        return options.output;
    }
    const std::size_t dot = options.output.rfind('.');
    const std::size_t slash = options.output.rfind('/');
    const bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = extension ? options.output.substr(0, dot) : options.output;
    const std::string suffix = extension ? options.output.substr(dot) : ".png";
    char number[16];
    std::snprintf(number, sizeof number, "-%04d", index);
    return stem + number + suffix;
}

// Averages each square of factor x factor pixels into one.
tools::Picture downsample(const tools::Picture& full, int factor) {
    tools::Picture small{full.width / factor, full.height / factor, {}};
    small.rgb.resize(std::size_t(small.width) * small.height * 3);
    for (int y = 0; y < small.height; ++y) {
        for (int x = 0; x < small.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int j = 0; j < factor; ++j) {
                    for (int i = 0; i < factor; ++i) {
                        const std::size_t at =
                            (std::size_t(y * factor + j) * full.width + x * factor + i) * 3 + c;
                        sum += full.rgb[at];
                    }
                }
                small.rgb[(std::size_t(y) * small.width + x) * 3 + c] =
                    static_cast<std::uint8_t>((sum + factor * factor / 2) / (factor * factor));
            }
        }
    }
    return small;
}

int usage(const std::string& problem) {
    std::cerr << "tandril_capture: " << problem << "\n"
              << "usage: tandril_capture --out FILE.png [--time SECONDS] [--size WxH]\n"
              << "       [--no-parallax] [--parallax-scale S] [--no-relief-shadow]\n"
              << "       [--downsample N]   (write the frame N times smaller)\n"
              << "       [--eye X,Y,Z] [--look YAW,PITCH]   (a viewpoint of its own)\n"
              << "       [--frames N] [--every SECONDS]   (N frames, FILE-0000.png on)\n"
              << "       [--stage NAME]   (what the frame holds after a pass: "
              << tools::kStageNames << ")\n"
              << "Run from the repository root (it reads shader/, objects/, textures/).\n";
    return 2;
}

// Comma-separated coordinates.
template <int N>
std::optional<glm::vec<N, float>> parseVector(const char* text) {
    const auto numbers = tools::parseNumbers(text, N, ',');
    if (!numbers) {
        return std::nullopt;
    }
    glm::vec<N, float> vector;
    for (int i = 0; i < N; ++i) {
        vector[i] = static_cast<float>((*numbers)[i]);
    }
    return vector;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const bool hasValue = i + 1 < argc;
        if (flag == "--out" && hasValue) {
            options.output = argv[++i];
        } else if (flag == "--time" && hasValue) {
            if (!tools::storeParsed(tools::parseNumber(argv[++i], 0.0, 3600.0), options.time)) {
                return usage("--time wants seconds from 0 to 3600");
            }
        } else if (flag == "--size" && hasValue) {
            if (!tools::storeParsed(tools::parseSize(argv[++i]), options.size)) {
                return usage("--size wants WIDTHxHEIGHT, e.g. 800x600");
            }
        } else if (flag == "--parallax-scale" && hasValue) {
            if (!tools::storeParsed(tools::parseNumber(argv[++i]), options.parallaxScale)) {
                return usage("--parallax-scale wants a number");
            }
        } else if (flag == "--downsample" && hasValue) {
            if (!tools::storeParsed(tools::parseWholeNumber(argv[++i], 1, 16),
                                    options.downsample)) {
                return usage("--downsample wants a whole factor from 1 to 16");
            }
        } else if (flag == "--eye" && hasValue) {
            if (!tools::storeParsed(parseVector<3>(argv[++i]), options.eye)) {
                return usage("--eye wants X,Y,Z");
            }
        } else if (flag == "--look" && hasValue) {
            if (!tools::storeParsed(parseVector<2>(argv[++i]), options.yawPitch)) {
                return usage("--look wants YAW,PITCH in radians");
            }
        } else if (flag == "--frames" && hasValue) {
            if (!tools::storeParsed(tools::parseWholeNumber(argv[++i], 1, 100000),
                                    options.frames)) {
                return usage("--frames wants a whole count from 1 to 100000");
            }
        } else if (flag == "--every" && hasValue) {
            if (!tools::storeParsed(tools::parseNumber(argv[++i], kTimeStep / 2, 3600.0),
                                    options.every)) {
                return usage("--every wants seconds from 1/60 to 3600");
            }
        } else if (flag == "--stage" && hasValue) {
            if (!tools::storeParsed(tools::stageNamed(argv[++i]), options.stage)) {
                return usage(std::string("--stage wants one of ") + tools::kStageNames);
            }
        } else if (flag == "--no-parallax") {
            options.parallax = false;
        } else if (flag == "--no-relief-shadow") {
            options.reliefShadow = false;
        } else {
            return usage("unknown or incomplete option '" + flag + "'");
        }
    }
    if (options.output.empty()) {
        return usage("--out is required");
    }

    if (const std::string error = tools::openToolWindow(options.size.width, options.size.height);
        !error.empty()) {
        std::cerr << "tandril_capture: " << error << "\n";
        return 1;
    }
    scene::setupScene();
    base::parallaxEnabled = options.parallax;
    base::parallaxScale = options.parallaxScale;
    base::shadowMultiplierEnabled = options.reliefShadow;

    // The frame before the one written is drawn too, so the frame is drawn
    // with the state a running demo's previous frame leaves (face culling is
    // off only in the very first frame); the passes keep no other state.
    const long steps = std::lround(options.time / kTimeStep);
    tools::advanceSceneWithoutInput(0.0f);  // the camera builds its matrices in its first update
    for (long step = 0; step < steps; ++step) {
        if (step + 1 == steps) {
            render::renderFrame();
        }
        tools::advanceSceneWithoutInput(kTimeStep);
    }
    const long stepsBetween = std::max(1L, std::lround(options.every / kTimeStep));
    for (int frame = 0; frame < options.frames; ++frame) {
        if (frame > 0) {
            for (long step = 0; step < stepsBetween; ++step) {
                tools::advanceSceneWithoutInput(kTimeStep);
            }
        }
        if (options.eye || options.yawPitch) {
            scene::Camera& camera = *scene::camera;
            if (options.eye) {
                camera.m_position = *options.eye;
            }
            if (options.yawPitch) {
                camera.m_horizontalAngle = options.yawPitch->x;
                camera.m_verticalAngle = options.yawPitch->y;
            }
            camera.look(options.size.width / 2, options.size.height / 2, options.size.width,
                        options.size.height, 0.0f);
            camera.rebuildMatrices();
        }
        const int width = options.size.width;
        const int height = options.size.height;
        tools::Picture full;
        if (options.stage) {
            full = tools::captureStage(*options.stage, width, height);
        } else {
            render::renderFrame();
            full = tools::readBackBuffer(width, height);
        }
        const tools::Picture picture = downsample(full, options.downsample);
        if (const GLenum error = glGetError(); error != GL_NO_ERROR && error != GL_INVALID_ENUM) {
            std::cerr << "tandril_capture: OpenGL error 0x" << std::hex << error << "\n";
            return 1;
        }
        const std::string path = framePath(options, frame);
        if (!tools::writePng(path, picture)) {
            std::cerr << "tandril_capture: cannot write " << path << "\n";
            return 1;
        }
        std::cout << "wrote " << path << " (" << picture.width << "x" << picture.height
                  << ", t = " << (steps + frame * stepsBetween) * kTimeStep << " s)\n";
    }
    glfwDestroyWindow(base::window);
    glfwTerminate();
    return 0;
}
