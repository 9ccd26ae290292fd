// The sky's cube map from six image files.
#pragma once

#include <string>
#include <vector>

#include <GL/glew.h>

namespace tandril::assets {

// Builds a cube map from up to six images, given to +X, -X, +Y, -Y, +Z, -Z in
// turn, decoded by SOIL and, where SOIL cannot, by FreeImage. The faces share
// one square size that no more than two of them are enlarged to: the lower
// median of what the files hold, within the driver's limits and the pixel
// budget (ImageHeader.h); a face of another size or shape is scaled to it,
// with a warning. A face that cannot be read is filled with a solid colour,
// with a warning that says why, so the map stays complete.
GLuint loadCubemap(std::vector<std::string> faces);

}  // namespace tandril::assets
