// The four lights and the lighting uniforms on the real driver: lights 0 and 3
// riding their cars, what setLightingUniforms and the parallax switches put
// into a program, and what the scene's programs hold after a frame.
#include <string>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "app/FrameLoop.h"
#include "app/KeyCallback.h"
#include "base/RuntimeSettings.h"
#include "base/WindowGlobals.h"
#include "render/FramePasses.h"
#include "render/Lighting.h"
#include "scene/SceneGlobals.h"
#include "support/GlContext.h"
#include "support/ReadBack.h"
#include "support/SceneControl.h"

namespace tandril::render {
namespace {

using test::uniformFloat;
using test::uniformInt;
using test::uniformMat4;
using test::uniformVec3;
using test::uniformVec4;

constexpr glm::vec3 kAbove{0.0f, 6.0f, -12.0f};

glm::vec3 origin(const scene::Car& car) {
    return glm::vec3(car.m_mesh->m_modelMatrix[3]);
}

void expectVecEq(const glm::vec3& actual, const glm::vec3& expected) {
    EXPECT_FLOAT_EQ(actual.x, expected.x);
    EXPECT_FLOAT_EQ(actual.y, expected.y);
    EXPECT_FLOAT_EQ(actual.z, expected.z);
}

void expectMatEq(const glm::mat4& actual, const glm::mat4& expected) {
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_EQ(actual[c][r], expected[c][r]) << "[" << c << "][" << r << "]";
        }
    }
}

// The fixed lights and every w, as set-up gives them and as they stay.
void expectFixedPartsUntouched() {
    EXPECT_EQ(lightPositions[1], glm::vec4(-1.0f, 5.0f, -10.0f, 0.8f));
    EXPECT_EQ(lightPositions[2], glm::vec4(-1.0f, 5.0f, -30.0f, 0.8f));
    EXPECT_EQ(lightPositions[0].w, 2.0f);
    EXPECT_EQ(lightPositions[3].w, 2.0f);
}

class LightingTest : public test::SceneTest {
  protected:
    void TearDown() override { expectNoGlError(); }

    test::SceneStateGuard m_guard;
};

TEST_F(LightingTest, LightsZeroAndThreeRideAboveTheirCarsInWorldAxes) {
    // Turned and scaled cars: the offset must not turn or scale with them.
    scene::car1->m_mesh->m_modelMatrix = glm::rotate(
        glm::scale(glm::translate(glm::mat4(1.0f), {5.0f, 2.0f, -40.0f}), glm::vec3(3.0f)), 1.2f,
        {0.0f, 1.0f, 0.0f});
    scene::car3->m_mesh->m_modelMatrix = glm::rotate(
        glm::translate(glm::mat4(1.0f), {-7.0f, 1.6f, 80.0f}), 2.5f, {1.0f, 0.0f, 0.0f});

    updateLightPositions();

    expectVecEq(glm::vec3(lightPositions[0]), glm::vec3(5.0f, 8.0f, -52.0f));
    expectVecEq(glm::vec3(lightPositions[3]), glm::vec3(-7.0f, 7.6f, 68.0f));
    expectFixedPartsUntouched();
}

TEST_F(LightingTest, LightsFollowTheDrivingCarsFrameByFrame) {
    for (int frame = 0; frame < 10; ++frame) {
        app::advanceScene(0.1f);
        expectVecEq(glm::vec3(lightPositions[0]), origin(*scene::car1) + kAbove);
        expectVecEq(glm::vec3(lightPositions[3]), origin(*scene::car3) + kAbove);
    }
    expectFixedPartsUntouched();
}

TEST_F(LightingTest, NudgedLightIsPutBackAboveItsCarByTheNextUpdate) {
    updateLightPositions();
    const glm::vec4 riding = lightPositions[0];

    testing::internal::CaptureStdout();
    app::keyCallback(base::window, GLFW_KEY_K, 0, GLFW_PRESS, 0);
    app::keyCallback(base::window, GLFW_KEY_O, 0, GLFW_PRESS, 0);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(lightPositions[0], riding + glm::vec4(1.0f, 1.0f, 0.0f, 0.0f));

    updateLightPositions();
    EXPECT_EQ(lightPositions[0], riding);
}

TEST_F(LightingTest, FirstFrameAlreadySendsTheRidingLightsAndNoStartValue) {
    lightPositions = kInitialLightPositions;
    app::advanceScene(0.0f);
    renderFrame();

    const GLuint lit = scene::shaderTexture2->m_program;
    expectVecEq(glm::vec3(uniformVec4(lit, "light_position[0]")), origin(*scene::car1) + kAbove);
    expectVecEq(glm::vec3(uniformVec4(lit, "light_position[3]")), origin(*scene::car3) + kAbove);
}

TEST_F(LightingTest, OnlyXYZOfTheRidingLightsChangeOverManyFrames) {
    for (int frame = 0; frame < 30; ++frame) {
        app::advanceScene(1.0f / 30.0f);
        expectFixedPartsUntouched();
    }
}

// A program that uses every lighting and parallax uniform, so none is
// optimised away and each can be read back.
test::TestProgram everyLightingUniform() {
    return test::TestProgram(
        "#version 330 core\n"
        "layout(location = 0) in vec3 position;\n"
        "uniform mat4 V_mat;\n"
        "uniform mat4 P_mat;\n"
        "void main() { gl_Position = P_mat * V_mat * vec4(position, 1.0); }\n",
        "#version 330 core\n"
        "uniform float ambientIntensity;\n"
        "uniform float diffuseIntensity;\n"
        "uniform float specularIntensity;\n"
        "uniform vec4 light_position[4];\n"
        "uniform vec3 camera_position;\n"
        "uniform int enableParallax;\n"
        "uniform float parallaxScale;\n"
        "uniform int enableShadow;\n"
        "out vec4 colour;\n"
        "void main() {\n"
        "  vec4 l = light_position[0] + light_position[1] + light_position[2] + "
        "light_position[3];\n"
        "  colour = vec4(ambientIntensity + diffuseIntensity + specularIntensity + parallaxScale,\n"
        "                float(enableParallax + enableShadow), l.x + l.w, 1.0) +\n"
        "           vec4(camera_position, 0.0);\n"
        "}\n");
}

TEST_F(LightingTest, SetLightingUniformsSendsMatricesIntensitiesAllFourLightsAndTheEye) {
    test::aimCamera(*scene::camera, {3.0f, 4.0f, 12.0f}, {-2.0f, 1.0f, -5.0f});
    lightPositions = {glm::vec4(1, 2, 3, 4), glm::vec4(5, 6, 7, 8), glm::vec4(9, 10, 11, 12),
                      glm::vec4(13, 14, 15, 16)};
    const test::TestProgram program = everyLightingUniform();
    glUseProgram(program.id());

    setLightingUniforms(program.get(), 0.25f, 7.5f, 99.0f);

    expectMatEq(uniformMat4(program.id(), "V_mat"), scene::camera->m_viewMatrix);
    expectMatEq(uniformMat4(program.id(), "P_mat"), scene::camera->m_projectionMatrix);
    EXPECT_EQ(uniformFloat(program.id(), "ambientIntensity"), 0.25f);
    EXPECT_EQ(uniformFloat(program.id(), "diffuseIntensity"), 7.5f);
    EXPECT_EQ(uniformFloat(program.id(), "specularIntensity"), 99.0f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(uniformVec4(program.id(), "light_position[" + std::to_string(i) + "]"),
                  lightPositions[i])
            << "light " << i;
    }
    EXPECT_EQ(uniformVec3(program.id(), "camera_position"), scene::camera->m_position);
    glUseProgram(0);
}

TEST_F(LightingTest, ParallaxSwitchesGoOutAsZeroOrOneWithTheScaleAsItIs) {
    const test::TestProgram program = everyLightingUniform();
    glUseProgram(program.id());
    for (const bool enabled : {false, true}) {
        base::parallaxEnabled = enabled;
        base::shadowMultiplierEnabled = !enabled;
        base::parallaxScale = enabled ? 0.07f : -0.0099999998f;

        setParallaxUniforms(program.get());

        EXPECT_EQ(uniformInt(program.id(), "enableParallax"), enabled ? 1 : 0);
        EXPECT_EQ(uniformInt(program.id(), "enableShadow"), enabled ? 0 : 1);
        EXPECT_EQ(uniformFloat(program.id(), "parallaxScale"), base::parallaxScale);
    }
    glUseProgram(0);
}

TEST_F(LightingTest, ProgramWithoutAnyLightingUniformTakesTheSetSilentlyAndStillDraws) {
    const test::TestProgram bare = test::bareProgram(0.01f);
    glUseProgram(bare.id());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();

    setLightingUniforms(bare.get(), 0.1f, 20.0f, 100.0f);
    setParallaxUniforms(bare.get());
    expectNoGlError();
    GLuint query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    scene::car1->draw(bare.get(), scene::camera->m_viewMatrix);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);

    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(primitives, scene::car1->m_mesh->m_indexCount / 3);
    glUseProgram(0);
}

TEST_F(LightingTest, AfterAFrameEachProgramHoldsItsLastPassesLightingValues) {
    test::aimCamera(*scene::camera, {12.0f, 3.0f, -2.0f}, {8.0f, 0.5f, -12.0f});
    base::parallaxEnabled = false;
    base::parallaxScale = 0.03f;
    base::shadowMultiplierEnabled = true;
    updateLightPositions();
    renderFrame();

    const glm::mat4& view = scene::camera->m_viewMatrix;
    const glm::mat4& projection = scene::camera->m_projectionMatrix;

    // The shadow group's lighting pass is the last to use shaderTexture2.
    const GLuint lit = scene::shaderTexture2->m_program;
    expectMatEq(uniformMat4(lit, "V_mat"), view);
    expectMatEq(uniformMat4(lit, "P_mat"), projection);
    EXPECT_EQ(uniformFloat(lit, "ambientIntensity"), 0.0f);
    EXPECT_EQ(uniformFloat(lit, "diffuseIntensity"), 60.0f);
    EXPECT_EQ(uniformFloat(lit, "specularIntensity"), 10.0f);

    const GLuint walls = scene::shaderTextureParallax->m_program;
    expectMatEq(uniformMat4(walls, "V_mat"), view);
    expectMatEq(uniformMat4(walls, "P_mat"), projection);
    EXPECT_FLOAT_EQ(uniformFloat(walls, "ambientIntensity"), 0.1f);
    EXPECT_EQ(uniformFloat(walls, "diffuseIntensity"), 20.0f);
    EXPECT_EQ(uniformFloat(walls, "specularIntensity"), 100.0f);
    EXPECT_EQ(uniformInt(walls, "enableParallax"), 0);
    EXPECT_EQ(uniformFloat(walls, "parallaxScale"), 0.03f);
    EXPECT_EQ(uniformInt(walls, "enableShadow"), 1);

    for (const GLuint program : {lit, walls}) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(uniformVec4(program, "light_position[" + std::to_string(i) + "]"),
                      lightPositions[i])
                << "program " << program << " light " << i;
        }
    }

    // The volumes are cast from light 0 of the same frame.
    const GLuint volumes = scene::shaderShadowVolume->m_program;
    expectMatEq(uniformMat4(volumes, "VP_mat"), projection * view);
    EXPECT_EQ(uniformVec3(volumes, "gLightPos"), glm::vec3(lightPositions[0]));
}

}  // namespace
}  // namespace tandril::render
