#include "scene/SceneGlobals.h"

namespace tandril::scene {

assets::ShaderProgram* shaderDebug = nullptr;
assets::ShaderProgram* shaderTexture2 = nullptr;
assets::ShaderProgram* shaderTextureOneLight = nullptr;
assets::ShaderProgram* shaderTextureParallax = nullptr;
assets::ShaderProgram* shaderDepth = nullptr;
assets::GeometryShaderProgram* shaderShadowVolume = nullptr;
assets::ShaderProgram* shaderSkybox = nullptr;
assets::ShaderProgram* shaderEnvironmentalMapping = nullptr;

Camera* camera = nullptr;

Cube* cube1 = nullptr;
Cube* cube2 = nullptr;
Cube* cube3 = nullptr;
Cube* cube4 = nullptr;
Wall* wall1 = nullptr;
Wall* wall2 = nullptr;
Wall* wall3 = nullptr;
Wall* wall4 = nullptr;
Streetlamp* streetlamp1 = nullptr;
Streetlamp* streetlamp2 = nullptr;
Street* street = nullptr;
Car* car1 = nullptr;
Car* car2 = nullptr;
Car* car3 = nullptr;

namespace {

template <typename Object>
void release(Object*& object) {
    delete object;
    object = nullptr;
}

}  // namespace

void deleteSceneObjects() {
    release(car3);
    release(car2);
    release(car1);
    release(street);
    release(streetlamp2);
    release(streetlamp1);
    release(wall4);
    release(wall3);
    release(wall2);
    release(wall1);
    release(cube4);
    release(cube3);
    release(cube2);
    release(cube1);
}

}  // namespace tandril::scene
