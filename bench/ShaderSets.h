// Swapping the programs that the passes draw with: the set that set-up
// installed, one loaded from another directory's shader files, and a
// directory whose fragment stages all write a constant colour.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "scene/ProgramTable.h"

namespace tandril::assets {
class ShaderProgram;
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

}  // namespace tandril::bench
