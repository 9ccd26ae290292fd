#include "tools/common/SceneState.h"

#include "base/RuntimeSettings.h"
#include "render/Lighting.h"
#include "scene/SceneGlobals.h"

namespace tandril::tools {
namespace {

std::array<scene::Car*, 3> sceneCars() {
    return {scene::car1, scene::car2, scene::car3};
}

}  // namespace

SceneState SceneState::save() {
    SceneState state;
    if (scene::camera != nullptr) {
        state.camera = *scene::camera;
    }
    for (std::size_t i = 0; i < state.cars.size(); ++i) {
        if (const scene::Car* car = sceneCars()[i]; car != nullptr) {
            state.cars[i] = car->m_mesh->m_modelMatrix;
        }
    }
    state.lights = render::lightPositions;
    state.frameRateEnabled = base::frameRateEnabled;
    state.parallaxEnabled = base::parallaxEnabled;
    state.parallaxScale = base::parallaxScale;
    state.shadowMultiplierEnabled = base::shadowMultiplierEnabled;
    return state;
}

void SceneState::restore() const {
    if (camera && scene::camera != nullptr) {
        *scene::camera = *camera;
    }
    for (std::size_t i = 0; i < cars.size(); ++i) {
        if (scene::Car* car = sceneCars()[i]; car != nullptr && cars[i]) {
            car->m_mesh->m_modelMatrix = *cars[i];
        }
    }
    render::lightPositions = lights;
    base::frameRateEnabled = frameRateEnabled;
    base::parallaxEnabled = parallaxEnabled;
    base::parallaxScale = parallaxScale;
    base::shadowMultiplierEnabled = shadowMultiplierEnabled;
}

}  // namespace tandril::tools
