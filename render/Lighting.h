// The four point lights and the lighting uniforms sent to the lit programs.
#pragma once

#include <array>

#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

namespace tandril::assets {
class ShaderProgram;
}

namespace tandril::render {

// x, y, z: world position; w: a per-light factor that only the shaders read.
// Light 0 follows car1 and casts the shadow volumes; light 3 follows car3.
extern std::array<glm::vec4, 4> lightPositions;

inline constexpr std::array<glm::vec4, 4> kInitialLightPositions = {
    glm::vec4(0.0f, 20.0f, 10.0f, 2.0f),
    glm::vec4(-1.0f, 5.0f, -10.0f, 0.8f),
    glm::vec4(-1.0f, 5.0f, -30.0f, 0.8f),
    glm::vec4(0.0f, 20.0f, 20.0f, 2.0f),
};

// Where a car's light rides, in world axes: above and ahead of the car.
inline constexpr glm::vec3 kCarLightOffset{0.0f, 6.0f, -12.0f};

// Puts lights 0 and 3 above car1 and car3 as they stand this frame.
void updateLightPositions();

// "V_mat", "P_mat", the three intensities, "light_position" and "camera_position".
void setLightingUniforms(assets::ShaderProgram* program, float ambient, float diffuse,
                         float specular);
// Only the intensities, lights and eye, for a second group on the same program.
void setIntensityUniforms(assets::ShaderProgram* program, float ambient, float diffuse,
                          float specular);
// "enableParallax", "parallaxScale" and "enableShadow" from the runtime settings.
void setParallaxUniforms(assets::ShaderProgram* program);

}  // namespace tandril::render
