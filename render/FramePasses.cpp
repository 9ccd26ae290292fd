#include "render/FramePasses.h"

#include <GL/glew.h>
#include <glm/gtc/type_ptr.hpp>

#include "render/Lighting.h"
#include "render/Skybox.h"
#include "scene/SceneGlobals.h"  // the passes draw the scene's programs and objects

namespace tandril::render {

using namespace scene;

namespace {

void runPass(Pass pass, void (*render)(), PassObserver* observer) {
    if (observer != nullptr) {
        observer->begin(pass);
    }
    render();
    if (observer != nullptr) {
        observer->end(pass);
    }
}

}  // namespace

void renderFrame(PassObserver* observer) {
    // The last passes of the previous frame left depth writes off, and the
    // clear only resets depth while they are on.
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    runPass(Pass::Base, renderBasePass, observer);
    runPass(Pass::ReflectionsAndSkybox, renderReflectionsAndSkybox, observer);
    glEnable(GL_STENCIL_TEST);
    runPass(Pass::ShadowVolumes, renderShadowVolumes, observer);
    runPass(Pass::Lighting, renderLightingPass, observer);
    glDisable(GL_STENCIL_TEST);
}

void drawCubesAndStreet(assets::ShaderProgram* program, glm::mat4 view) {
    cube1->draw(program, view);
    cube2->draw(program, view);
    cube3->draw(program, view);
    cube4->draw(program, view);
    street->draw(program, view);
}

void drawLampsAndCars(glm::mat4 view) {
    streetlamp1->draw(shaderTexture2, view);
    streetlamp2->draw(shaderTexture2, view);
    car1->draw(shaderTexture2, view);
    car3->draw(shaderTexture2, view);
}

void drawWalls(glm::mat4 view) {
    wall1->draw(shaderTextureParallax, view);
    wall2->draw(shaderTextureParallax, view);
    wall3->draw(shaderTextureParallax, view);
    wall4->draw(shaderTextureParallax, view);
}

void renderBasePass() {
    const glm::mat4 view = camera->m_viewMatrix;
    // Blending is on but replaces the destination.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);

    glUseProgram(shaderTexture2->m_program);
    setLightingUniforms(shaderTexture2, kShadowGroupAmbient.ambient, kShadowGroupAmbient.diffuse,
                        kShadowGroupAmbient.specular);
    drawCubesAndStreet(shaderTexture2, view);

    glUseProgram(shaderTexture2->m_program);
    setIntensityUniforms(shaderTexture2, kDirectlyLit.ambient, kDirectlyLit.diffuse,
                         kDirectlyLit.specular);
    drawLampsAndCars(view);

    glUseProgram(shaderTextureParallax->m_program);
    setLightingUniforms(shaderTextureParallax, kDirectlyLit.ambient, kDirectlyLit.diffuse,
                        kDirectlyLit.specular);
    setParallaxUniforms(shaderTextureParallax);
    drawWalls(view);
    // Leaves blending on with (ONE, ZERO), depth writes on, the parallax program bound.
}

void useShadowVolumeProgram(assets::ShaderProgram* program) {
    glUseProgram(program->m_program);
    const GLuint id = program->m_program;
    const glm::mat4 viewProjection = camera->m_projectionMatrix * camera->m_viewMatrix;
    glUniformMatrix4fv(glGetUniformLocation(id, "VP_mat"), 1, GL_FALSE,
                       glm::value_ptr(viewProjection));
    glUniform3fv(glGetUniformLocation(id, "gLightPos"), 1, glm::value_ptr(lightPositions[0]));
}

void renderShadowVolumes() {
    // Count into the stencil only: the base pass's depths stay as they are.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    // The caps at infinity would otherwise be clipped by the far plane.
    glEnable(GL_DEPTH_CLAMP);
    glDisable(GL_CULL_FACE);

    // Depth-fail: volume faces behind the visible surface count, back faces up
    // and front faces down, so the count holds with the eye inside a volume.
    glStencilFunc(GL_ALWAYS, 0, 0xFF);
    glStencilOpSeparate(GL_BACK, GL_KEEP, GL_INCR_WRAP, GL_KEEP);
    glStencilOpSeparate(GL_FRONT, GL_KEEP, GL_DECR_WRAP, GL_KEEP);

    useShadowVolumeProgram(shaderShadowVolume);
    drawCubesAndStreet(shaderShadowVolume, camera->m_viewMatrix);

    glDisable(GL_DEPTH_CLAMP);
    // Leaves colour and depth writes and face culling off; the next pass sets all three.
}

void renderLightingPass() {
    const glm::mat4 view = camera->m_viewMatrix;
    // Add the direct light on top of the ambient base colour.
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_ONE, GL_ONE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_FALSE);
    glEnable(GL_CULL_FACE);
    glDrawBuffer(GL_BACK);

    // Only where no volume encloses the visible point.
    glStencilFunc(GL_EQUAL, 0, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);

    glUseProgram(shaderTexture2->m_program);
    setLightingUniforms(shaderTexture2, kLightingPassDirect.ambient, kLightingPassDirect.diffuse,
                        kLightingPassDirect.specular);
    drawCubesAndStreet(shaderTexture2, view);

    glDisable(GL_BLEND);
    // Leaves depth writes off and culling on; the next frame turns depth writes on to clear.
}

}  // namespace tandril::render
