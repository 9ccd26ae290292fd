// Everything scene set-up creates: the eight programs (see ProgramTable.h),
// the camera and the fourteen objects of the street. Set once, read by the
// frame loop and passes.
#pragma once

#include "assets/ShaderProgram.h"
#include "scene/Camera.h"
#include "scene/Car.h"
#include "scene/Cube.h"
#include "scene/Street.h"
#include "scene/Streetlamp.h"
#include "scene/Wall.h"

namespace tandril::scene {

extern assets::ShaderProgram* shaderDebug;
extern assets::ShaderProgram* shaderTexture2;
extern assets::ShaderProgram* shaderTextureOneLight;
extern assets::ShaderProgram* shaderTextureParallax;
extern assets::ShaderProgram* shaderDepth;
extern assets::GeometryShaderProgram* shaderShadowVolume;
extern assets::ShaderProgram* shaderSkybox;
extern assets::ShaderProgram* shaderEnvironmentalMapping;

extern Camera* camera;

extern Cube* cube1;
extern Cube* cube2;
extern Cube* cube3;
extern Cube* cube4;
extern Wall* wall1;
extern Wall* wall2;
extern Wall* wall3;
extern Wall* wall4;
extern Streetlamp* streetlamp1;
extern Streetlamp* streetlamp2;
extern Street* street;
extern Car* car1;
extern Car* car2;
extern Car* car3;

// Deletes the fourteen objects, newest first; the GL context must be current.
void deleteSceneObjects();

}  // namespace tandril::scene
