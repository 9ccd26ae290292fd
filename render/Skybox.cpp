#include "render/Skybox.h"

#include <string>
#include <vector>

#include <glm/gtc/type_ptr.hpp>
#include <glm/mat3x3.hpp>

#include "assets/Cubemap.h"
#include "base/LoadPhaseTimer.h"
#include "scene/SceneGlobals.h"  // the pass draws car2 with the camera's matrices

namespace tandril::render {

GLuint skyboxVAO = 0;
GLuint skyboxVBO = 0;
GLuint cubemapTexture = 0;

// clang-format off
const std::array<float, 108> kSkyboxVertices = {
    -100.0f,  100.0f, -100.0f,  -100.0f, -100.0f, -100.0f,   100.0f, -100.0f, -100.0f,
     100.0f, -100.0f, -100.0f,   100.0f,  100.0f, -100.0f,  -100.0f,  100.0f, -100.0f,

    -100.0f, -100.0f,  100.0f,  -100.0f, -100.0f, -100.0f,  -100.0f,  100.0f, -100.0f,
    -100.0f,  100.0f, -100.0f,  -100.0f,  100.0f,  100.0f,  -100.0f, -100.0f,  100.0f,

     100.0f, -100.0f, -100.0f,   100.0f, -100.0f,  100.0f,   100.0f,  100.0f,  100.0f,
     100.0f,  100.0f,  100.0f,   100.0f,  100.0f, -100.0f,   100.0f, -100.0f, -100.0f,

    -100.0f, -100.0f,  100.0f,  -100.0f,  100.0f,  100.0f,   100.0f,  100.0f,  100.0f,
     100.0f,  100.0f,  100.0f,   100.0f, -100.0f,  100.0f,  -100.0f, -100.0f,  100.0f,

    -100.0f,  100.0f, -100.0f,   100.0f,  100.0f, -100.0f,   100.0f,  100.0f,  100.0f,
     100.0f,  100.0f,  100.0f,  -100.0f,  100.0f,  100.0f,  -100.0f,  100.0f, -100.0f,

    -100.0f, -100.0f, -100.0f,  -100.0f, -100.0f,  100.0f,   100.0f, -100.0f, -100.0f,
     100.0f, -100.0f, -100.0f,  -100.0f, -100.0f,  100.0f,   100.0f, -100.0f,  100.0f,
};
// clang-format on

const std::array<const char*, 6> kSkyboxFaces = {
    "textures/skybox/right.jpg",  "textures/skybox/left.jpg", "textures/skybox/top.jpg",
    "textures/skybox/bottom.jpg", "textures/skybox/back.jpg", "textures/skybox/front.jpg",
};

void createSkybox() {
    base::PhaseScope phase("sky box");
    glGenVertexArrays(1, &skyboxVAO);
    glGenBuffers(1, &skyboxVBO);
    glBindVertexArray(skyboxVAO);
    glBindBuffer(GL_ARRAY_BUFFER, skyboxVBO);
    glBufferData(GL_ARRAY_BUFFER, sizeof(kSkyboxVertices), kSkyboxVertices.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    glBindVertexArray(0);

    cubemapTexture =
        assets::loadCubemap(std::vector<std::string>(kSkyboxFaces.begin(), kSkyboxFaces.end()));
}

void renderReflectionsAndSkybox() {
    using namespace scene;
    const glm::mat4 view = camera->m_viewMatrix;
    const glm::mat4 projection = camera->m_projectionMatrix;

    glUseProgram(shaderEnvironmentalMapping->m_program);
    const GLuint mirror = shaderEnvironmentalMapping->m_program;
    glUniformMatrix4fv(glGetUniformLocation(mirror, "view"), 1, GL_FALSE, glm::value_ptr(view));
    glUniformMatrix4fv(glGetUniformLocation(mirror, "projection"), 1, GL_FALSE,
                       glm::value_ptr(projection));
    glUniform3f(glGetUniformLocation(mirror, "cameraPos"), camera->m_position.x,
                camera->m_position.y, camera->m_position.z);
    // The walls leave another unit active; both cube samplers read unit 0.
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubemapTexture);
    car2->draw(shaderEnvironmentalMapping, view);
    glBindVertexArray(0);

    // Only the camera's rotation reaches the sky, so it never comes nearer.
    const glm::mat4 rotationOnly = glm::mat4(glm::mat3(view));
    glUseProgram(shaderSkybox->m_program);
    const GLuint sky = shaderSkybox->m_program;
    glUniformMatrix4fv(glGetUniformLocation(sky, "view"), 1, GL_FALSE,
                       glm::value_ptr(rotationOnly));
    glUniformMatrix4fv(glGetUniformLocation(sky, "projection"), 1, GL_FALSE,
                       glm::value_ptr(projection));
    glBindVertexArray(skyboxVAO);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubemapTexture);
    glDrawArrays(GL_TRIANGLES, 0, 36);
    glBindVertexArray(0);

    glUseProgram(shaderTexture2->m_program);
}

}  // namespace tandril::render
