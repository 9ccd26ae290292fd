// The eight programs that set-up loads, in the order it loads them, each by
// one base name from which its stage files follow. Set-up, the benchmark's
// comparison of shader directories and the tests all read this one table.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tandril::assets {
class ShaderProgram;
class GeometryShaderProgram;
}  // namespace tandril::assets

namespace tandril::scene {

struct ProgramEntry {
    // The stages are <base>.vert, <base>.geom where it has one, <base>.frag.
    const char* baseName;
    // Whether the passes draw with it; the others are loaded and never used.
    bool drawn;
    // The scene global that holds it; the program with a geometry stage has
    // a global of its own type.
    assets::ShaderProgram** global;
    assets::GeometryShaderProgram** geometryGlobal;

    bool hasGeometryStage() const { return geometryGlobal != nullptr; }
    // The entry's stage file names, in the order they are compiled.
    std::vector<std::string> stageFiles() const;
    // The program in the entry's global now.
    assets::ShaderProgram* installed() const;
    // Puts a program that load() made for this entry into its global.
    void install(assets::ShaderProgram* program) const;
    // Builds the program from the stage files in `directory`; as with every
    // program, a failure ends the process.
    assets::ShaderProgram* load(const std::string& directory) const;
    // Deletes a program that load() made for this entry, as the kind it is.
    void destroy(assets::ShaderProgram* program) const;
};

inline constexpr int kProgramCount = 8;
extern const std::array<ProgramEntry, kProgramCount> kPrograms;

}  // namespace tandril::scene
