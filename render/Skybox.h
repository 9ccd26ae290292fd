// The sky box around the eye and the pass that draws the mirror car and the sky.
#pragma once

#include <array>

#include <GL/glew.h>

namespace tandril::render {

extern GLuint skyboxVAO;
extern GLuint skyboxVBO;
extern GLuint cubemapTexture;

// Twelve triangles, two per face, each facing inwards (counter-clockwise seen
// from the centre), faces in the order -z, -x, +x, +z, +y, -y.
extern const std::array<float, 108> kSkyboxVertices;

// The six sky images in the order the cube-map faces take them.
extern const std::array<const char*, 6> kSkyboxFaces;

// The sky box geometry and its cube map.
void createSkybox();

// car2 reflecting the sky, then the sky itself.
void renderReflectionsAndSkybox();

}  // namespace tandril::render
