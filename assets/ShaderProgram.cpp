#include "assets/ShaderProgram.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "assets/RegularFile.h"
#include "base/Console.h"

namespace tandril::assets {
namespace {

// The demo's longest stage is under 10 KiB and hand-written shaders rarely pass
// 100 KiB; a source beyond 1 MiB is not a shader (a log, an image, a disk image
// put there by mistake), and reading it whole would cost its size in memory.
constexpr std::uintmax_t kMaxShaderSourceBytes = 1024 * 1024;

// Fetches an info log of exactly the reported length and ends the process
// with the headline followed by the log verbatim.
template <typename GetLength, typename GetLog>
[[noreturn]] void failWithLog(const char* headline, GetLength getLength, GetLog getLog) {
    GLint length = 0;
    getLength(GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(length > 0 ? static_cast<std::size_t>(length) : 0);
    if (!log.empty()) {
        getLog(length, log.data());
    }
    std::string message = headline;
    message.append(log.data(), std::find(log.begin(), log.end(), '\0') - log.begin());
    base::fatalError(message);
}

}  // namespace

ShaderProgram::ShaderProgram(const std::string& vertexPath, const std::string& fragmentPath) {
    createProgram();
    compileShaderFile(vertexPath, GL_VERTEX_SHADER, m_vertexShader);
    compileShaderFile(fragmentPath, GL_FRAGMENT_SHADER, m_fragmentShader);
    linkProgram();
}

ShaderProgram::~ShaderProgram() {
    glDeleteProgram(m_program);
    glDeleteShader(m_vertexShader);
    glDeleteShader(m_fragmentShader);
}

void ShaderProgram::createProgram() {
    m_program = glCreateProgram();
    if (m_program == 0) {
        base::fatalError("Could not create Program\n");
    }
}

void ShaderProgram::compileShaderFile(const std::string& path, GLenum type, GLuint& shader) {
    const std::optional<std::string> source = readRegularFile(path, kMaxShaderSourceBytes);
    if (!source) {
        base::fatalError("Could not load shaderFile: " + path);
    }

    shader = glCreateShader(type);
    if (shader == 0) {
        base::fatalError("Could not create Shader.\n");
    }
    const char* text = source->c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);

    GLint status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status == 0) {
        failWithLog(
            "error while glGetShaderiv\n",
            [shader](GLenum name, GLint* value) { glGetShaderiv(shader, name, value); },
            [shader](GLint length, char* log) {
                glGetShaderInfoLog(shader, length, nullptr, log);
            });
    }
}

void ShaderProgram::linkAttached() {
    glLinkProgram(m_program);
    GLint status = 0;
    glGetProgramiv(m_program, GL_LINK_STATUS, &status);
    if (status == 0) {
        const GLuint program = m_program;
        failWithLog(
            "error while glGetProgramiv\n",
            [program](GLenum name, GLint* value) { glGetProgramiv(program, name, value); },
            [program](GLint length, char* log) {
                glGetProgramInfoLog(program, length, nullptr, log);
            });
    }
}

void ShaderProgram::linkProgram() {
    glAttachShader(m_program, m_vertexShader);
    glAttachShader(m_program, m_fragmentShader);
    linkAttached();
}

GeometryShaderProgram::GeometryShaderProgram(const std::string& vertexPath,
                                             const std::string& geometryPath,
                                             const std::string& fragmentPath) {
    createProgram();
    compileShaderFile(vertexPath, GL_VERTEX_SHADER, m_vertexShader);
    compileShaderFile(geometryPath, GL_GEOMETRY_SHADER, m_geometryShader);
    compileShaderFile(fragmentPath, GL_FRAGMENT_SHADER, m_fragmentShader);
    linkProgram();
}

// The base destructor releases the program and the two common stages.
GeometryShaderProgram::~GeometryShaderProgram() {
    glDeleteShader(m_geometryShader);
}

void GeometryShaderProgram::linkProgram() {
    glAttachShader(m_program, m_vertexShader);
    glAttachShader(m_program, m_geometryShader);
    glAttachShader(m_program, m_fragmentShader);
    linkAttached();
}

}  // namespace tandril::assets
