// One frame: the lit base pass, car2 and the sky, the shadow-volume count in
// the stencil buffer and the additive lighting pass outside the shadows.
#pragma once

#include <glm/mat4x4.hpp>

namespace tandril::assets {
class ShaderProgram;
}

namespace tandril::render {

// Intensities per draw group: (ambient, diffuse, specular).
struct Intensities {
    float ambient;
    float diffuse;
    float specular;
};
// The shadow group's base colour: ambient only, so shadows keep just this.
inline constexpr Intensities kShadowGroupAmbient{0.1f, 0.0f, 0.0f};
// Lamps, cars and walls get all their light at once and are never shadowed.
inline constexpr Intensities kDirectlyLit{0.1f, 20.0f, 100.0f};
// Added to the shadow group where no volume encloses the point.
inline constexpr Intensities kLightingPassDirect{0.0f, 60.0f, 10.0f};

// The four passes of a frame, in their order.
enum class Pass { Base, ReflectionsAndSkybox, ShadowVolumes, Lighting };
inline constexpr int kPassCount = 4;

// Told where each pass begins and ends, e.g. to time it; the demo has none.
class PassObserver {
  public:
    virtual ~PassObserver() = default;
    virtual void begin(Pass pass) = 0;
    virtual void end(Pass pass) = 0;
};

void renderFrame(PassObserver* observer = nullptr);
void renderBasePass();
void renderShadowVolumes();
void renderLightingPass();

// Binds a program built on the volume program's vertex and geometry stages
// (the pass's own, or one that shows the volumes) with light 0's volumes to
// extrude and the camera's matrices.
void useShadowVolumeProgram(assets::ShaderProgram* program);

void drawCubesAndStreet(assets::ShaderProgram* program, glm::mat4 view);
void drawLampsAndCars(glm::mat4 view);
void drawWalls(glm::mat4 view);

}  // namespace tandril::render
