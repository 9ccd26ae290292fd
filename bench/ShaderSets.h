// Swapping what the passes draw with: the programs that set-up installed,
// ones loaded from another directory's shader files, a directory whose
// fragment stages all write a constant colour, and the street's model of
// the checkout that those other shaders come from.
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <string>

#include "scene/ProgramTable.h"

namespace tandril::assets {
class ShaderProgram;
}
namespace tandril::scene {
class Mesh;
}

namespace tandril::bench {

// The programs that the passes draw with, as the program table lists them
// (null for the others, which stay as set-up made them).
struct DrawnPrograms {
    std::array<assets::ShaderProgram*, scene::kProgramCount> programs{};

    static DrawnPrograms installed();
    static DrawnPrograms load(const std::string& dir);
    void install() const;
    void destroy();
};

// The first of DIR's shader files that cannot be read, or empty.
std::string unreadableShaderFile(const std::string& dir);

// The drawn programs' stages, with every fragment stage replaced by one that
// writes a constant colour, in a fresh directory (removed on destruction).
class ConstantColourShaders {
  public:
    ConstantColourShaders();
    ~ConstantColourShaders();
    ConstantColourShaders(const ConstantColourShaders&) = delete;
    ConstantColourShaders& operator=(const ConstantColourShaders&) = delete;
    // Empty when the directory could not be made.
    std::string dir() const { return m_dir.string(); }

  private:
    std::filesystem::path m_dir;
};

// The street's model beside DIR, the shader folder of another checkout:
// DIR/../objects/plane.obj with that checkout's "asphalt.jpg" where it has
// one, so that a change to the street is measured as a change of shaders is.
class TheirStreet {
  public:
    explicit TheirStreet(const std::string& shaderDir);
    ~TheirStreet();
    TheirStreet(const TheirStreet&) = delete;
    TheirStreet& operator=(const TheirStreet&) = delete;
    // Empty when DIR has no model beside it.
    const std::string& modelPath() const { return m_modelPath; }
    // Puts their model or the scene's own into the scene.
    void use(bool theirs);

  private:
    std::string m_modelPath;
    std::unique_ptr<scene::Mesh> m_parked;
    bool m_theirsInScene = false;
};

}  // namespace tandril::bench
