// Shader programs on the real driver: what a built program holds, and every
// fatal road of loading, seen from the demo with one shader file broken.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assets/ShaderProgram.h"
#include "support/GlContext.h"
#include "support/Process.h"
#include "support/ShellDemo.h"

namespace tandril::assets {
namespace {

namespace fs = std::filesystem;

const char* const kVertex =
    "#version 330 core\n"
    "layout(location = 0) in vec3 position;\n"
    "uniform mat4 M_mat;\n"
    "uniform vec4 light_position[4];\n"
    "void main() { gl_Position = M_mat * vec4(position, 1.0) + light_position[3]; }\n";
const char* const kGeometry =
    "#version 330 core\n"
    "layout(triangles_adjacency) in;\n"
    "layout(triangle_strip, max_vertices = 3) out;\n"
    "void main() {\n"
    "    for (int i = 0; i < 6; i += 2) { gl_Position = gl_in[i].gl_Position; EmitVertex(); }\n"
    "    EndPrimitive();\n"
    "}\n";
const char* const kFragment =
    "#version 330 core\n"
    "uniform float matShininess;\n"
    "out vec4 colour;\n"
    "void main() { colour = vec4(matShininess); }\n";

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

GLint shaderValue(GLuint shader, GLenum name) {
    GLint value = 0;
    glGetShaderiv(shader, name, &value);
    return value;
}

GLint programValue(GLuint program, GLenum name) {
    GLint value = 0;
    glGetProgramiv(program, name, &value);
    return value;
}

std::set<GLuint> attachedShaders(GLuint program) {
    GLuint names[8] = {};
    GLsizei count = 0;
    glGetAttachedShaders(program, 8, &count, names);
    return {names, names + count};
}

class ShaderProgramTest : public test::GlTest {
  protected:
    test::ScratchDir files{false};

    std::string file(const std::string& name, const std::string& content) {
        files.write(name, content);
        return (files / name).string();
    }
};

TEST_F(ShaderProgramTest, TwoStagesLinkAndStayAttached) {
    const ShaderProgram program(file("a.vert", kVertex), file("a.frag", kFragment));
    ASSERT_NE(program.m_program, 0u);
    EXPECT_EQ(programValue(program.m_program, GL_LINK_STATUS), GL_TRUE);
    EXPECT_EQ(attachedShaders(program.m_program),
              (std::set<GLuint>{program.m_vertexShader, program.m_fragmentShader}));
    EXPECT_EQ(shaderValue(program.m_vertexShader, GL_SHADER_TYPE), GL_VERTEX_SHADER);
    EXPECT_EQ(shaderValue(program.m_fragmentShader, GL_SHADER_TYPE), GL_FRAGMENT_SHADER);
    for (const GLuint shader : {program.m_vertexShader, program.m_fragmentShader}) {
        EXPECT_EQ(shaderValue(shader, GL_COMPILE_STATUS), GL_TRUE);
        EXPECT_EQ(shaderValue(shader, GL_DELETE_STATUS), GL_FALSE);
    }
    expectNoGlError();
}

TEST_F(ShaderProgramTest, ThreeStagesLinkAndStayAttached) {
    const GeometryShaderProgram program(file("b.vert", kVertex), file("b.geom", kGeometry),
                                        file("b.frag", kFragment));
    ASSERT_NE(program.m_program, 0u);
    EXPECT_EQ(programValue(program.m_program, GL_LINK_STATUS), GL_TRUE);
    EXPECT_EQ(attachedShaders(program.m_program),
              (std::set<GLuint>{program.m_vertexShader, program.m_geometryShader,
                                program.m_fragmentShader}));
    EXPECT_EQ(shaderValue(program.m_geometryShader, GL_SHADER_TYPE), GL_GEOMETRY_SHADER);
    EXPECT_EQ(programValue(program.m_program, GL_GEOMETRY_INPUT_TYPE), GL_TRIANGLES_ADJACENCY);
    expectNoGlError();
}

TEST_F(ShaderProgramTest, TheSameFilesTwiceShareNothing) {
    const std::string vertex = file("c.vert", kVertex);
    const std::string fragment = file("c.frag", kFragment);
    const ShaderProgram first(vertex, fragment);
    const ShaderProgram second(vertex, fragment);
    const std::set<GLuint> names{first.m_program,  first.m_vertexShader,  first.m_fragmentShader,
                                 second.m_program, second.m_vertexShader, second.m_fragmentShader};
    EXPECT_EQ(names.size(), 6u);
    EXPECT_EQ(names.count(0), 0u);
    expectNoGlError();
}

TEST_F(ShaderProgramTest, TheWholeFileIsTheSource) {
    // Line ends matter: were they dropped, the comment would swallow main. No
    // end of line at the end of the file.
    const std::string source =
        "// first a comment\r\n#version 330 core\r\n#define SHADE 0.25\r\n"
        "out vec4 colour;   // the only output\r\n\tvoid main() { colour = vec4(SHADE); }";
    GLuint shader = 0;
    ShaderProgram::compileShaderFile(file("d.frag", source), GL_FRAGMENT_SHADER, shader);
    ASSERT_NE(shader, 0u);
    EXPECT_EQ(shaderValue(shader, GL_COMPILE_STATUS), GL_TRUE);
    std::string stored(source.size() + 16, '\0');
    GLsizei length = 0;
    glGetShaderSource(shader, static_cast<GLsizei>(stored.size()), &length, stored.data());
    stored.resize(static_cast<std::size_t>(length));
    EXPECT_EQ(stored, source);
    glDeleteShader(shader);
    expectNoGlError();
}

TEST_F(ShaderProgramTest, DestructionReleasesTheProgramAndItsStages) {
    const std::string vertex = file("e.vert", kVertex);
    const std::string fragment = file("e.frag", kFragment);
    auto program = std::make_unique<ShaderProgram>(vertex, fragment);
    const std::vector<GLuint> shaders{program->m_vertexShader, program->m_fragmentShader};
    const GLuint name = program->m_program;
    program.reset();
    EXPECT_EQ(glIsProgram(name), GL_FALSE);
    for (const GLuint shader : shaders) {
        EXPECT_EQ(glIsShader(shader), GL_FALSE) << shader;
    }

    auto withGeometry =
        std::make_unique<GeometryShaderProgram>(vertex, file("e.geom", kGeometry), fragment);
    const std::vector<GLuint> stages{withGeometry->m_vertexShader, withGeometry->m_geometryShader,
                                     withGeometry->m_fragmentShader};
    const GLuint geometryProgram = withGeometry->m_program;
    for (const GLuint shader : stages) {
        ASSERT_EQ(glIsShader(shader), GL_TRUE) << shader;
    }
    withGeometry.reset();
    EXPECT_EQ(glIsProgram(geometryProgram), GL_FALSE);
    for (const GLuint shader : stages) {
        EXPECT_EQ(glIsShader(shader), GL_FALSE) << shader;
    }
    expectNoGlError();
}

// Users keep only the program's name and look every uniform up by it: the
// one name holds the uniforms of every stage, each at a location of its own.
// A name the program lacks is -1, and GL takes an upload to -1 without complaint.
TEST_F(ShaderProgramTest, UniformsAreLookedUpByNameOnTheProgram) {
    const GeometryShaderProgram geometry(file("f.vert", kVertex), file("f.geom", kGeometry),
                                         file("f.frag", kFragment));
    const ShaderProgram* program = &geometry;  // one pointer type serves both kinds
    const GLuint name = program->m_program;
    std::set<GLint> locations;
    for (const char* uniform :
         {"M_mat", "light_position[0]", "light_position[3]", "matShininess"}) {
        const GLint location = glGetUniformLocation(name, uniform);
        EXPECT_GE(location, 0) << uniform;
        locations.insert(location);
    }
    EXPECT_EQ(locations.size(), 4u);
    // An array's bare name is its first element.
    EXPECT_EQ(glGetUniformLocation(name, "light_position"),
              glGetUniformLocation(name, "light_position[0]"));
    for (const char* missing : {"N_mat", "normal_mat", "matshininess", ""}) {
        EXPECT_EQ(glGetUniformLocation(name, missing), -1) << missing;
    }

    glUseProgram(name);
    glUniform1f(glGetUniformLocation(name, "N_mat"), 1.0f);
    expectNoGlError();
    // Uploads by name reach the vertex and the fragment stage's uniforms alike.
    glUniform1f(glGetUniformLocation(name, "matShininess"), 60.0f);
    glUniform4f(glGetUniformLocation(name, "light_position[3]"), 1.0f, 2.0f, 3.0f, 4.0f);
    GLfloat shininess = 0.0f;
    glGetUniformfv(name, glGetUniformLocation(name, "matShininess"), &shininess);
    EXPECT_EQ(shininess, 60.0f);
    GLfloat light[4] = {};
    glGetUniformfv(name, glGetUniformLocation(name, "light_position[3]"), light);
    EXPECT_EQ(light[3], 4.0f);
    glGetUniformfv(name, glGetUniformLocation(name, "light_position[0]"), light);
    EXPECT_EQ(light[3], 0.0f);
    glUseProgram(0);
    expectNoGlError();
}

// The demo with one of its shader files broken: the exact message on standard
// error, the pause prompt, exit code 1 and none of the set-up after it.
class ShaderFailureTest : public test::GlTest {
  protected:
    test::ScratchDir dir;

    void remove(const std::string& name) { ASSERT_TRUE(fs::remove(dir / ("shader/" + name))); }
    void replace(const std::string& name, const std::string& content) {
        dir.write("shader/" + name, content);
    }

    // Runs the demo and checks all but standard error, which it returns.
    std::string failedRun() {
        const test::ProcessResult run = test::runDemo(dir.path(), {});
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, test::workingDirectoryLine(dir.path()) + test::kDefaultSizeLine +
                               test::kPauseLine);
        return run.err;
    }

    // The driver's own words for a source, from a compile in this process.
    static std::string compileLog(GLenum type, const std::string& source) {
        const GLuint shader = glCreateShader(type);
        const char* text = source.c_str();
        glShaderSource(shader, 1, &text, nullptr);
        glCompileShader(shader);
        std::string log = infoLog(shaderValue(shader, GL_INFO_LOG_LENGTH), [&](GLsizei n, char* b) {
            glGetShaderInfoLog(shader, n, nullptr, b);
        });
        EXPECT_EQ(shaderValue(shader, GL_COMPILE_STATUS), GL_FALSE) << "the source compiles";
        glDeleteShader(shader);
        return log;
    }

    static std::string linkLog(const std::string& vertex, const std::string& fragment) {
        const GLuint program = glCreateProgram();
        for (const auto& [type, source] :
             {std::pair{GL_VERTEX_SHADER, vertex}, std::pair{GL_FRAGMENT_SHADER, fragment}}) {
            const GLuint shader = glCreateShader(type);
            const char* text = source.c_str();
            glShaderSource(shader, 1, &text, nullptr);
            glCompileShader(shader);
            EXPECT_EQ(shaderValue(shader, GL_COMPILE_STATUS), GL_TRUE);
            glAttachShader(program, shader);
            glDeleteShader(shader);
        }
        glLinkProgram(program);
        EXPECT_EQ(programValue(program, GL_LINK_STATUS), GL_FALSE) << "the program links";
        std::string log =
            infoLog(programValue(program, GL_INFO_LOG_LENGTH),
                    [&](GLsizei n, char* b) { glGetProgramInfoLog(program, n, nullptr, b); });
        glDeleteProgram(program);
        return log;
    }

    template <typename Fetch>
    static std::string infoLog(GLint length, Fetch fetch) {
        std::string log(static_cast<std::size_t>(std::max(length, 0)), '\0');
        if (length > 0) {
            fetch(length, log.data());
        }
        return log.substr(0, log.find('\0'));
    }
};

const char* const kUndeclared = "#version 330 core\nvoid main() { undeclaredThing = 1.0; }\n";

TEST_F(ShaderFailureTest, MissingVertexFileEndsBeforeTheFragmentFileIsOpened) {
    remove("shader_texture_2.vert");
    remove("shader_texture_2.frag");
    EXPECT_EQ(failedRun(), "Could not load shaderFile: shader/shader_texture_2.vert");
}

TEST_F(ShaderFailureTest, MissingFragmentFileIsFoundAfterTheVertexStageCompiled) {
    remove("shader_texture_parallax.frag");
    EXPECT_EQ(failedRun(), "Could not load shaderFile: shader/shader_texture_parallax.frag");
    // With a vertex stage that does not compile, that is what stops the run.
    replace("shader_texture_parallax.vert", kUndeclared);
    EXPECT_EQ(failedRun(),
              "error while glGetShaderiv\n" + compileLog(GL_VERTEX_SHADER, kUndeclared));
}

TEST_F(ShaderFailureTest, MissingGeometryFileEndsBeforeTheFragmentFileIsOpened) {
    remove("shader_shadow_volume.geom");
    remove("shader_shadow_volume.frag");
    EXPECT_EQ(failedRun(), "Could not load shaderFile: shader/shader_shadow_volume.geom");
}

TEST_F(ShaderFailureTest, DirectoryInPlaceOfAFileCannotBeLoaded) {
    remove("shader_skybox.frag");
    fs::create_directory(dir / "shader/shader_skybox.frag");
    EXPECT_EQ(failedRun(), "Could not load shaderFile: shader/shader_skybox.frag");
}

TEST_F(ShaderFailureTest, CompileErrorShowsTheDriversLog) {
    replace("shader_debug.vert", kUndeclared);
    const std::string err = failedRun();
    EXPECT_EQ(err, "error while glGetShaderiv\n" + compileLog(GL_VERTEX_SHADER, kUndeclared));
    EXPECT_GT(err.size(), std::string("error while glGetShaderiv\n").size());
}

TEST_F(ShaderFailureTest, LogWithPercentSignsIsWrittenAsItIs) {
    const std::string source = "#version 330 core\n#error 100% sure: %s %n %d\nvoid main() {}\n";
    replace("shader_texture_environmental_mapping.frag", source);
    const std::string log = compileLog(GL_FRAGMENT_SHADER, source);
    EXPECT_NE(log.find("100% sure: %s %n %d"), std::string::npos) << log;
    EXPECT_EQ(failedRun(), "error while glGetShaderiv\n" + log);
}

TEST_F(ShaderFailureTest, EmptyFileReadsFineAndFailsLater) {
    replace("shader_depth.frag", "");
    const std::string err = failedRun();
    EXPECT_EQ(err.find("Could not load shaderFile"), std::string::npos) << err;
    // Whether an empty source compiles is the driver's call.
    const GLuint probe = glCreateShader(GL_FRAGMENT_SHADER);
    const char* empty = "";
    glShaderSource(probe, 1, &empty, nullptr);
    glCompileShader(probe);
    const bool compiles = shaderValue(probe, GL_COMPILE_STATUS) == GL_TRUE;
    glDeleteShader(probe);
    if (compiles) {
        EXPECT_TRUE(err.starts_with("error while glGetProgramiv\n")) << err;
    } else {
        EXPECT_EQ(err, "error while glGetShaderiv\n" + compileLog(GL_FRAGMENT_SHADER, ""));
    }
}

TEST_F(ShaderFailureTest, LinkErrorShowsTheDriversLog) {
    // Both stages compile; a fragment stage without main cannot link.
    const std::string fragment = "#version 330 core\nout vec4 colour;\n";
    replace("shader_texture_onelight.frag", fragment);
    const std::string vertex = readFile(dir / "shader/shader_texture_onelight.vert");
    const std::string log = linkLog(vertex, fragment);
    EXPECT_FALSE(log.empty());
    EXPECT_EQ(failedRun(), "error while glGetProgramiv\n" + log);
}

}  // namespace
}  // namespace tandril::assets
