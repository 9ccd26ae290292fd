#include "render/Lighting.h"

#include <GL/glew.h>
#include <glm/gtc/type_ptr.hpp>

#include "assets/ShaderProgram.h"
#include "base/RuntimeSettings.h"
#include "scene/SceneGlobals.h"  // the lights ride the cars; the eye is the camera's

namespace tandril::render {

std::array<glm::vec4, 4> lightPositions = kInitialLightPositions;

namespace {

void followCar(glm::vec4& light, const scene::Car& car) {
    const glm::vec3 carOrigin(car.m_mesh->m_modelMatrix[3]);
    const glm::vec3 position = carOrigin + kCarLightOffset;
    light.x = position.x;
    light.y = position.y;
    light.z = position.z;
}

}  // namespace

void updateLightPositions() {
    followCar(lightPositions[0], *scene::car1);
    followCar(lightPositions[3], *scene::car3);
}

void setLightingUniforms(assets::ShaderProgram* program, float ambient, float diffuse,
                         float specular) {
    const GLuint id = program->m_program;
    glUniformMatrix4fv(glGetUniformLocation(id, "V_mat"), 1, GL_FALSE,
                       glm::value_ptr(scene::camera->m_viewMatrix));
    glUniformMatrix4fv(glGetUniformLocation(id, "P_mat"), 1, GL_FALSE,
                       glm::value_ptr(scene::camera->m_projectionMatrix));
    setIntensityUniforms(program, ambient, diffuse, specular);
}

void setIntensityUniforms(assets::ShaderProgram* program, float ambient, float diffuse,
                          float specular) {
    const GLuint id = program->m_program;
    glUniform1f(glGetUniformLocation(id, "ambientIntensity"), ambient);
    glUniform1f(glGetUniformLocation(id, "diffuseIntensity"), diffuse);
    glUniform1f(glGetUniformLocation(id, "specularIntensity"), specular);
    glUniform4fv(glGetUniformLocation(id, "light_position"), 4, glm::value_ptr(lightPositions[0]));
    glUniform3fv(glGetUniformLocation(id, "camera_position"), 1,
                 glm::value_ptr(scene::camera->m_position));
}

void setParallaxUniforms(assets::ShaderProgram* program) {
    const GLuint id = program->m_program;
    glUniform1i(glGetUniformLocation(id, "enableParallax"), base::parallaxEnabled ? 1 : 0);
    glUniform1f(glGetUniformLocation(id, "parallaxScale"), base::parallaxScale);
    glUniform1i(glGetUniformLocation(id, "enableShadow"), base::shadowMultiplierEnabled ? 1 : 0);
}

}  // namespace tandril::render
