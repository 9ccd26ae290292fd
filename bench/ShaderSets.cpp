#include "bench/ShaderSets.h"

#include <cstdlib>
#include <fstream>
#include <vector>

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

}  // namespace tandril::bench
