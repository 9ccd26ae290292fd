#include "bench/ShaderSets.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <utility>
#include <vector>

#include "assets/Mesh.h"
#include "scene/SceneGlobals.h"

namespace tandril::bench {

DrawnPrograms DrawnPrograms::installed() {
    DrawnPrograms drawn;
    for (int i = 0; i < scene::kProgramCount; ++i) {
        if (scene::kPrograms[i].drawn) {
            drawn.programs[i] = scene::kPrograms[i].installed();
        }
    }
    return drawn;
}

DrawnPrograms DrawnPrograms::load(const std::string& dir) {
    DrawnPrograms drawn;
    for (int i = 0; i < scene::kProgramCount; ++i) {
        if (scene::kPrograms[i].drawn) {
            drawn.programs[i] = scene::kPrograms[i].load(dir);
        }
    }
    return drawn;
}

void DrawnPrograms::install() const {
    for (int i = 0; i < scene::kProgramCount; ++i) {
        if (programs[i] != nullptr) {
            scene::kPrograms[i].install(programs[i]);
        }
    }
}

void DrawnPrograms::destroy() {
    for (int i = 0; i < scene::kProgramCount; ++i) {
        if (programs[i] != nullptr) {
            scene::kPrograms[i].destroy(programs[i]);
            programs[i] = nullptr;
        }
    }
}

std::string unreadableShaderFile(const std::string& dir) {
    for (const scene::ProgramEntry& program : scene::kPrograms) {
        if (!program.drawn) {
            continue;
        }
        for (const std::string& name : program.stageFiles()) {
            const std::string path = dir + "/" + name;
            if (!std::filesystem::is_regular_file(path) || !std::ifstream(path)) {
                return path;
            }
        }
    }
    return {};
}

ConstantColourShaders::ConstantColourShaders() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tandril-limit-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return;
    }
    m_dir = pattern;
    for (const scene::ProgramEntry& program : scene::kPrograms) {
        for (const std::string& name :
             program.drawn ? program.stageFiles() : std::vector<std::string>{}) {
            const std::filesystem::path file(name);
            std::ofstream out(m_dir / file);
            if (file.extension() == ".frag") {
                out << "#version 330 core\nout vec4 fragColor;\n"
                       "void main() { fragColor = vec4(0.5, 0.5, 0.5, 1.0); }\n";
            } else {
                out << std::ifstream(std::filesystem::path("shader") / file).rdbuf();
            }
        }
    }
}

ConstantColourShaders::~ConstantColourShaders() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

TheirStreet::TheirStreet(const std::string& shaderDir) {
    const std::filesystem::path checkout = std::filesystem::path(shaderDir) / "..";
    const std::filesystem::path model = checkout / "objects" / "plane.obj";
    if (!std::filesystem::is_regular_file(model)) {
        return;
    }
    const std::filesystem::path theirPicture = checkout / "textures" / "asphalt.jpg";
    const std::string picture = std::filesystem::is_regular_file(theirPicture)
                                    ? theirPicture.string()
                                    : std::string("textures/asphalt.jpg");
    m_modelPath = model.lexically_normal().string();
    // Loading writes set-up's console lines, which would mix with the report.
    std::streambuf* console = std::cout.rdbuf(nullptr);
    m_parked = std::make_unique<scene::Mesh>(m_modelPath, scene::street->m_mesh->m_modelMatrix,
                                             true, picture);
    std::cout.rdbuf(console);
}

TheirStreet::~TheirStreet() {
    use(false);
}

void TheirStreet::use(bool theirs) {
    if (m_parked != nullptr && theirs != m_theirsInScene) {
        std::swap(scene::street->m_mesh, m_parked);
        m_theirsInScene = theirs;
    }
}

}  // namespace tandril::bench
