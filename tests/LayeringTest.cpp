// The code folders as layers: app/ on top, scene/ and render/ below it,
// assets/ below those, base/ at the bottom. Includes point down; the links
// that the design needs are the only ones up or across, each with its reason
// beside it.
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace tandril::test {
namespace {

namespace fs = std::filesystem;

const std::map<std::string, int> kLevels = {
    {"app", 3}, {"scene", 2}, {"render", 2}, {"assets", 1}, {"base", 0}};

// (file, included header): a mesh is a scene object; set-up registers the key
// callback, creates the sky box and sets the lights; the passes read the
// scene's globals. The window and the runtime settings live in base/, so
// app/ is included from below only for the key callback.
const std::set<std::pair<std::string, std::string>> kDesignLinks = {
    {"assets/Mesh.h", "scene/SceneObject.h"},
    {"scene/SceneSetup.cpp", "app/KeyCallback.h"},
    {"scene/SceneSetup.cpp", "render/Skybox.h"},
    {"scene/SceneSetup.cpp", "render/Lighting.h"},
    {"render/FramePasses.cpp", "scene/SceneGlobals.h"},
    {"render/Skybox.cpp", "scene/SceneGlobals.h"},
    {"render/Lighting.cpp", "scene/SceneGlobals.h"},
};

struct Include {
    std::string header;  // as written, e.g. "scene/SceneObject.h"
    std::string folder;  // its first part, e.g. "scene"
    std::string rest;    // what follows it on the line
};

// A line `#include "folder/..."`, as the project writes its own includes.
std::optional<Include> projectInclude(const std::string& line) {
    const std::string directive = "#include \"";
    if (!line.starts_with(directive)) {
        return std::nullopt;
    }
    const std::size_t end = line.find('"', directive.size());
    const std::size_t slash = line.find('/', directive.size());
    if (end == std::string::npos || slash == std::string::npos || slash > end) {
        return std::nullopt;
    }
    return Include{line.substr(directive.size(), end - directive.size()),
                   line.substr(directive.size(), slash - directive.size()), line.substr(end + 1)};
}

TEST(LayeringTest, IncludesPointDownButForTheLinksTheDesignNeeds) {
    std::set<std::pair<std::string, std::string>> seen;
    int files = 0;
    for (const auto& [folder, level] : kLevels) {
        for (const fs::directory_entry& entry :
             fs::directory_iterator(fs::path(TANDRIL_SOURCE_DIR) / folder)) {
            const std::string file = folder + "/" + entry.path().filename().string();
            std::ifstream source(entry.path());
            ++files;
            for (std::string line; std::getline(source, line);) {
                const std::optional<Include> include = projectInclude(line);
                const auto target = include ? kLevels.find(include->folder) : kLevels.end();
                // Only up, or across between scene/ and render/.
                if (target == kLevels.end() || target->first == folder || target->second < level) {
                    continue;
                }
                const std::pair<std::string, std::string> link{file, include->header};
                EXPECT_TRUE(kDesignLinks.contains(link)) << file << " includes " << include->header;
                EXPECT_NE(include->rest.find("//"), std::string::npos)
                    << file << ": say beside the include why it goes up: " << line;
                seen.insert(link);
            }
        }
    }
    EXPECT_GT(files, 40);
    // A link that went away leaves the list; the list stays what the code does.
    for (const auto& link : kDesignLinks) {
        EXPECT_TRUE(seen.contains(link)) << link.first << " no longer includes " << link.second;
    }
}

}  // namespace
}  // namespace tandril::test
