// Scene set-up: the window title and the console lines of the real program,
// a missing shader that stops it before any model loads, where each object
// stands, the GL state left for the frames, and which objects move.
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <glm/gtc/matrix_access.hpp>

#include "app/FrameLoop.h"
#include "app/KeyCallback.h"
#include "base/WindowGlobals.h"
#include "render/FramePasses.h"
#include "render/Lighting.h"
#include "scene/ProgramTable.h"
#include "scene/SceneGlobals.h"
#include "support/GlContext.h"
#include "support/Process.h"
#include "support/SceneControl.h"

namespace tandril::scene {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        result.push_back(line);
    }
    return result;
}

// Starts the demo in `directory`, waits until it has printed its last set-up
// line and one of its windows is called "tandril", then stops it. Prints
// "title: " and the name it found, then what the demo wrote; its standard
// error comes back as the script's, and a demo that ended early its exit code,
// so that a start the display refused is tried again by the usual policy.
test::ProcessResult runUntilSetUp(const fs::path& directory) {
    const std::string script =
        "\"$0\" > demo.out 2> demo.err & demo=$!\n"
        "end=$(($(date +%s) + 40))\n"
        "while [ $(date +%s) -lt $end ]; do\n"
        "  if ! kill -0 $demo 2>/dev/null; then\n"
        "    echo 'the demo ended early'; cat demo.out; cat demo.err >&2; wait $demo; exit $?\n"
        "  fi\n"
        "  if grep -q shadowMultiplier demo.out; then\n"
        "    for id in $(xdotool search --pid $demo 2>/dev/null); do\n"
        "      name=$(xdotool getwindowname $id 2>/dev/null)\n"
        "      if [ \"$name\" = tandril ]; then\n"
        "        echo \"title: $name\"; kill $demo; wait $demo\n"
        "        cat demo.out; cat demo.err >&2; exit 0\n"
        "      fi\n"
        "    done\n"
        "  fi\n"
        "  sleep 0.1\n"
        "done\n"
        "kill $demo; wait $demo; echo 'no window called tandril'; cat demo.out demo.err; exit 1\n";
    test::ProcessOptions options;
    options.workingDirectory = directory;
    options.timeLimitSeconds = 60.0;
    return test::runOnDisplay("/bin/sh", {"sh", "-c", script, test::demoBinary()}, options);
}

TEST(SceneSetupProgram, RenamesTheWindowAndPrintsTheParallaxSettingsAsThreeLines) {
    test::ScratchDir dir;
    const test::ProcessResult result = runUntilSetUp(dir.path());
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;

    const std::vector<std::string> out = lines(result.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.front(), "title: tandril");
    std::size_t first = 0;
    while (first < out.size() && out[first].rfind("Parallax", 0) != 0) {
        ++first;
    }
    ASSERT_LE(first + 3, out.size()) << result.out;
    EXPECT_EQ(out[first], "Parallax enabled: 1");
    EXPECT_EQ(out[first + 1], "ParallaxScale: 0.01");
    EXPECT_EQ(out[first + 2], "Parallax shadowMultiplier1");
    // Nothing else mentions the settings.
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (i < first || i >= first + 3) {
            EXPECT_EQ(out[i].find("arallax"), std::string::npos) << out[i];
        }
    }
}

TEST(SceneSetupProgram, MissingDebugVertexShaderEndsTheRunBeforeAnyModelOrImageLoads) {
    // Without the models and pictures every load would complain, so a run that
    // got as far as the objects could not stay quiet.
    test::ScratchDir dir;
    fs::remove(dir / "shader/shader_debug.vert");
    fs::remove_all(dir / "objects");
    fs::remove_all(dir / "textures");
    test::ProcessOptions options;
    options.workingDirectory = dir.path();
    options.timeLimitSeconds = 30.0;

    const test::ProcessResult result = test::runOnDisplay(test::demoBinary(), {"tandril"}, options);

    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Could not load shaderFile: shader/shader_debug.vert");
    EXPECT_EQ(result.out.find("Parallax"), std::string::npos) << result.out;
}

TEST(SceneSetupProgram, WithEveryShaderPresentTheMissingModelsAreReported) {
    // The counterpart of the run above: the same directory with the shader
    // left in place does reach the models and says so.
    test::ScratchDir dir;
    fs::remove_all(dir / "objects");
    fs::remove_all(dir / "textures");

    const test::ProcessResult result = runUntilSetUp(dir.path());

    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.err.find("objects/cube.obj"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("textures/"), std::string::npos) << result.err;
}

class SceneSetupTest : public test::SceneTest {
  protected:
    void TearDown() override { expectNoGlError(); }
};

struct Placement {
    const char* name;
    const glm::mat4* model;
    glm::vec3 origin;
};

TEST_F(SceneSetupTest, EveryObjectStandsAtItsPlace) {
    const Placement placements[] = {
        {"cube1", &cube1->m_mesh->m_modelMatrix, {8.0f, 0.5f, -10.0f}},
        {"cube2", &cube2->m_mesh->m_modelMatrix, {10.0f, 0.5f, -20.0f}},
        {"cube3", &cube3->m_mesh->m_modelMatrix, {10.0f, 0.5f, -30.0f}},
        {"cube4", &cube4->m_mesh->m_modelMatrix, {13.0f, 0.5f, -40.0f}},
        {"wall1", &wall1->m_mesh->m_modelMatrix, {-20.0f, 5.2f, 0.0f}},
        {"wall2", &wall2->m_mesh->m_modelMatrix, {-30.0f, 5.2f, -40.0f}},
        {"wall3", &wall3->m_mesh->m_modelMatrix, {-40.0f, 5.2f, -60.0f}},
        {"wall4", &wall4->m_mesh->m_modelMatrix, {-50.0f, 5.2f, -80.0f}},
        {"streetlamp1", &streetlamp1->m_mesh->m_modelMatrix, {-5.0f, 0.15f, -10.0f}},
        {"streetlamp2", &streetlamp2->m_mesh->m_modelMatrix, {-5.0f, 0.1f, -30.0f}},
        {"street", &street->m_mesh->m_modelMatrix, {0.0f, 0.0f, -600.0f}},
        {"car1", &car1->m_mesh->m_modelMatrix, {0.0f, 1.6f, 30.0f}},
        {"car2", &car2->m_mesh->m_modelMatrix, {6.6f, 1.6f, -100.0f}},
        {"car3", &car3->m_mesh->m_modelMatrix, {0.0f, 1.6f, 120.0f}},
    };
    for (const Placement& placement : placements) {
        SCOPED_TRACE(placement.name);
        const glm::vec4 origin = *placement.model * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
        EXPECT_NEAR(origin.x, placement.origin.x, 1e-4f);
        EXPECT_NEAR(origin.y, placement.origin.y, 1e-4f);
        EXPECT_NEAR(origin.z, placement.origin.z, 1e-4f);
        EXPECT_EQ(origin.w, 1.0f);
        // No projective part anywhere.
        EXPECT_EQ(glm::vec4(glm::row(*placement.model, 3)), glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    }
}

// The images of the model's x, y and z axes: the upper 3x3 of the matrix.
void expectAxes(const char* name, const glm::mat4& model, float scaleX, float scaleY, float scaleZ,
                float angle) {
    SCOPED_TRACE(name);
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const glm::vec3 axes[3] = {
        {c * scaleX, 0.0f, -s * scaleX}, {0.0f, scaleY, 0.0f}, {s * scaleZ, 0.0f, c * scaleZ}};
    for (int axis = 0; axis < 3; ++axis) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(model[axis][k], axes[axis][k], 1e-5f) << "axis " << axis << " row " << k;
        }
    }
}

TEST_F(SceneSetupTest, LampsAndTheParkedCarAreTurnedByOnePointSixRadiansAboutY) {
    expectAxes("car2", car2->m_mesh->m_modelMatrix, 2.0f, 2.0f, 2.0f, 1.6f);
    expectAxes("streetlamp1", streetlamp1->m_mesh->m_modelMatrix, 0.5f, 0.5f, 0.5f, 1.6f);
    expectAxes("streetlamp2", streetlamp2->m_mesh->m_modelMatrix, 0.5f, 0.5f, 0.5f, 1.6f);
    // About 91.7 degrees: the parked car's x axis points a little towards -x.
    EXPECT_LT(car2->m_mesh->m_modelMatrix[0].x, 0.0f);
    EXPECT_NEAR(car2->m_mesh->m_modelMatrix[0].z, -2.0f * std::sin(1.6f), 1e-5f);

    expectAxes("car1", car1->m_mesh->m_modelMatrix, 2.0f, 2.0f, 2.0f, 0.0f);
    expectAxes("car3", car3->m_mesh->m_modelMatrix, 2.0f, 2.0f, 2.0f, 0.0f);
    expectAxes("street", street->m_mesh->m_modelMatrix, 30.0f, 1.0f, 30.0f, 0.0f);
    for (const Cube* cube : {cube1, cube2, cube3, cube4}) {
        expectAxes("cube", cube->m_mesh->m_modelMatrix, 1.0f, 1.0f, 1.0f, 0.0f);
    }
    for (const Wall* wall : {wall1, wall2, wall3, wall4}) {
        expectAxes("wall", wall->m_mesh->m_modelMatrix, 1.0f, 1.0f, 1.0f, 0.0f);
    }
}

TEST_F(SceneSetupTest, EveryProgramCameraAndObjectExistsOnce) {
    std::vector<GLuint> names;
    for (const ProgramEntry& entry : kPrograms) {
        SCOPED_TRACE(entry.baseName);
        const assets::ShaderProgram* program = entry.installed();
        ASSERT_NE(program, nullptr);
        GLint linked = GL_FALSE;
        glGetProgramiv(program->m_program, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
        GLint attached = 0;
        glGetProgramiv(program->m_program, GL_ATTACHED_SHADERS, &attached);
        EXPECT_EQ(attached, static_cast<GLint>(entry.stageFiles().size()));
        for (const GLuint other : names) {
            EXPECT_NE(program->m_program, other);
        }
        names.push_back(program->m_program);
    }
    // The table names each of the eight globals; the shadow volumes' alone
    // has a geometry stage.
    const std::set<const void*> globals = {
        shaderDebug, shaderTexture2,     shaderTextureOneLight, shaderTextureParallax,
        shaderDepth, shaderShadowVolume, shaderSkybox,          shaderEnvironmentalMapping};
    std::set<const void*> listed;
    std::set<const void*> withGeometry;
    for (const ProgramEntry& entry : kPrograms) {
        listed.insert(entry.installed());
        if (entry.hasGeometryStage()) {
            withGeometry.insert(entry.installed());
        }
    }
    EXPECT_EQ(listed, globals);
    EXPECT_EQ(withGeometry, std::set<const void*>{shaderShadowVolume});

    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->m_window, base::window);
    const SceneObject* objects[] = {cube1, cube2,  cube3,       cube4,       wall1, wall2, wall3,
                                    wall4, street, streetlamp1, streetlamp2, car1,  car2,  car3};
    for (std::size_t i = 0; i < std::size(objects); ++i) {
        ASSERT_NE(objects[i], nullptr) << i;
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_NE(objects[i], objects[j]);
        }
    }
}

TEST_F(SceneSetupTest, LeavesTheInputAndGlStateThatEveryFrameExpects) {
    EXPECT_EQ(glfwGetInputMode(base::window, GLFW_STICKY_KEYS), GLFW_TRUE);
    // Swap the callback out and back to see which one is registered.
    const GLFWkeyfun registered = glfwSetKeyCallback(base::window, nullptr);
    glfwSetKeyCallback(base::window, registered);
    EXPECT_EQ(registered, &app::keyCallback);

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    GLfloat clearColour[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    EXPECT_EQ(glm::vec4(clearColour[0], clearColour[1], clearColour[2], clearColour[3]),
              glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
    GLfloat clearDepth = -1.0f;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    EXPECT_EQ(clearDepth, 1.0f);
    GLint clearStencil = -1;
    glGetIntegerv(GL_STENCIL_CLEAR_VALUE, &clearStencil);
    EXPECT_EQ(clearStencil, 0);
    GLint viewport[4] = {-1, -1, -1, -1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], base::screenWidth);
    EXPECT_EQ(viewport[3], base::screenHeight);

    // The defaults that the passes rely on.
    GLint writeMask = 0;
    glGetIntegerv(GL_STENCIL_WRITEMASK, &writeMask);
    EXPECT_EQ(writeMask & 0xFF, 0xFF);
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CCW);
    GLint cullMode = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &cullMode);
    EXPECT_EQ(cullMode, GL_BACK);
    GLint stencilBits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    EXPECT_EQ(stencilBits, 8);
}

TEST_F(SceneSetupTest, ViewportStaysWhenTheWindowIsResized) {
    const test::SceneStateGuard guard;
    int width = 0;
    int height = 0;
    glfwGetWindowSize(base::window, &width, &height);
    glfwSetWindowSize(base::window, 640, 360);
    glfwPollEvents();
    for (int frame = 0; frame < 2; ++frame) {
        app::advanceScene(0.0f);
        render::renderFrame();
        glfwPollEvents();
    }
    GLint viewport[4] = {-1, -1, -1, -1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glfwSetWindowSize(base::window, width, height);
    glfwPollEvents();

    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], base::screenWidth);
    EXPECT_EQ(viewport[3], base::screenHeight);
}

TEST_F(SceneSetupTest, DrivingCarsCoverTenUnitsASecondTowardsMinusZAndCarTwoStands) {
    const test::SceneStateGuard guard;
    const glm::mat4 start1 = car1->m_mesh->m_modelMatrix;
    const glm::mat4 start3 = car3->m_mesh->m_modelMatrix;
    const glm::mat4 parked = car2->m_mesh->m_modelMatrix;

    float elapsed = 0.0f;
    for (const float dt : {0.25f, 0.5f, 0.125f, 1.0f, 0.125f}) {
        app::advanceScene(dt);
        elapsed += dt;
        for (const auto& [car, start] : {std::pair{car1, start1}, std::pair{car3, start3}}) {
            const glm::mat4& now = car->m_mesh->m_modelMatrix;
            EXPECT_EQ(now[3].x, start[3].x);
            EXPECT_EQ(now[3].y, start[3].y);
            EXPECT_NEAR(now[3].z, start[3].z - 10.0f * elapsed, 1e-4f);
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(now[c], start[c]) << "column " << c;
            }
        }
    }
    EXPECT_EQ(car2->m_mesh->m_modelMatrix, parked);
}

}  // namespace
}  // namespace tandril::scene
