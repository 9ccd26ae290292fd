#include "scene/ObjectUniforms.h"

#include <GL/glew.h>
#include <glm/gtc/type_ptr.hpp>
#include <glm/matrix.hpp>

#include "assets/Mesh.h"
#include "assets/ShaderProgram.h"

namespace tandril::scene {

glm::mat3 normalMatrix(const glm::mat4& view, const glm::mat4& model) {
    return glm::transpose(glm::inverse(glm::mat3(view) * glm::mat3(model)));
}

void drawWithObjectUniforms(Mesh& mesh, assets::ShaderProgram* program, const glm::mat4& view,
                            const char* normalMatrixName) {
    const GLuint id = program->m_program;
    glUniformMatrix4fv(glGetUniformLocation(id, "M_mat"), 1, GL_FALSE,
                       glm::value_ptr(mesh.m_modelMatrix));
    if (normalMatrixName != nullptr) {
        const GLint location = glGetUniformLocation(id, normalMatrixName);
        if (location != -1) {
            const glm::mat3 normals = normalMatrix(view, mesh.m_modelMatrix);
            glUniformMatrix3fv(location, 1, GL_FALSE, glm::value_ptr(normals));
        }
    }
    if (const GLint location = glGetUniformLocation(id, "matSpecularReflectanceColor");
        location != -1) {
        glUniform3f(location, 1.0f, 1.0f, 1.0f);
    }
    if (const GLint location = glGetUniformLocation(id, "matShininess"); location != -1) {
        glUniform1f(location, kMaterialShininess);
    }
    mesh.draw(program, view);
}

}  // namespace tandril::scene
