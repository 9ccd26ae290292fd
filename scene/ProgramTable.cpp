#include "scene/ProgramTable.h"

#include "assets/ShaderProgram.h"
#include "scene/SceneGlobals.h"

namespace tandril::scene {

const std::array<ProgramEntry, kProgramCount> kPrograms = {{
    {"shader_debug", false, &shaderDebug, nullptr},
    {"shader_texture_2", true, &shaderTexture2, nullptr},
    {"shader_texture_onelight", false, &shaderTextureOneLight, nullptr},
    {"shader_texture_parallax", true, &shaderTextureParallax, nullptr},
    {"shader_depth", false, &shaderDepth, nullptr},
    {"shader_shadow_volume", true, nullptr, &shaderShadowVolume},
    {"shader_skybox", true, &shaderSkybox, nullptr},
    {"shader_texture_environmental_mapping", true, &shaderEnvironmentalMapping, nullptr},
}};

std::vector<std::string> ProgramEntry::stageFiles() const {
    const std::string base = baseName;
    if (hasGeometryStage()) {
        return {base + ".vert", base + ".geom", base + ".frag"};
    }
    return {base + ".vert", base + ".frag"};
}

assets::ShaderProgram* ProgramEntry::installed() const {
    return hasGeometryStage() ? *geometryGlobal : *global;
}

// load() made a GeometryShaderProgram for an entry with a geometry stage.
void ProgramEntry::install(assets::ShaderProgram* program) const {
    if (hasGeometryStage()) {
        *geometryGlobal = static_cast<assets::GeometryShaderProgram*>(program);
    } else {
        *global = program;
    }
}

assets::ShaderProgram* ProgramEntry::load(const std::string& directory) const {
    std::vector<std::string> paths = stageFiles();
    for (std::string& path : paths) {
        path = directory + "/" + path;
    }
    if (hasGeometryStage()) {
        return new assets::GeometryShaderProgram(paths[0], paths[1], paths[2]);
    }
    return new assets::ShaderProgram(paths[0], paths[1]);
}

// The destructor is not virtual: delete through the type load() made.
void ProgramEntry::destroy(assets::ShaderProgram* program) const {
    if (hasGeometryStage()) {
        delete static_cast<assets::GeometryShaderProgram*>(program);
    } else {
        delete program;
    }
}

}  // namespace tandril::scene
