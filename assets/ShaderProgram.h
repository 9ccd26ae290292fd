// GLSL programs built from files: vertex and fragment stages, optionally with a
// geometry stage between them. Any failure ends the process.
#pragma once

#include <string>

#include <GL/glew.h>

namespace tandril::assets {

class ShaderProgram {
  public:
    ShaderProgram(const std::string& vertexPath, const std::string& fragmentPath);
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    // Reads and compiles one stage into `shader`; returns only on success. A
    // path that is not a regular file of at most 1 MiB fails as a missing one.
    static void compileShaderFile(const std::string& path, GLenum type, GLuint& shader);

    GLuint m_program = 0;
    GLuint m_vertexShader = 0;
    GLuint m_fragmentShader = 0;

  protected:
    ShaderProgram() = default;
    void createProgram();
    // Links the attached stages; returns only on success.
    void linkAttached();

  private:
    void linkProgram();
};

class GeometryShaderProgram : public ShaderProgram {
  public:
    GeometryShaderProgram(const std::string& vertexPath, const std::string& geometryPath,
                          const std::string& fragmentPath);
    ~GeometryShaderProgram();

    GLuint m_geometryShader = 0;

  private:
    void linkProgram();
};

}  // namespace tandril::assets
