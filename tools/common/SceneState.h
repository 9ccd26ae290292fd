// The scene's mutable state as one value: the camera, the cars' placements,
// the lights and the runtime settings. The benchmark repeats a series of views
// from it, and the tests put back what they changed; state that frames or
// keys change is added here, once, and every user saves and restores it.
#pragma once

#include <array>
#include <optional>

#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include "scene/Camera.h"

namespace tandril::tools {

struct SceneState {
    // Empty where set-up has not run (the camera and cars do not exist yet).
    std::optional<scene::Camera> camera;
    std::array<std::optional<glm::mat4>, 3> cars;  // car1, car2, car3
    std::array<glm::vec4, 4> lights{};
    bool frameRateEnabled = false;
    bool parallaxEnabled = false;
    float parallaxScale = 0.0f;
    bool shadowMultiplierEnabled = false;

    static SceneState save();
    // Puts back all of it; the camera and cars only where both this and the
    // scene have them.
    void restore() const;
    bool operator==(const SceneState&) const = default;
};

}  // namespace tandril::tools
