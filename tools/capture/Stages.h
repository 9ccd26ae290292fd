// What a frame holds part way through, as a picture: the buffers after a
// pass of the demo's own frame, read back, or a pass drawn a second time with
// its writes made visible.
#pragma once

#include <optional>
#include <string>

#include "tools/common/Picture.h"

namespace tandril::tools {

enum class Stage {
    Base,         // after the base pass: the shadow group in its ambient light
    Sky,          // after the reflection and sky pass
    Stencil,      // the shadow-volume pass's counts over the dimmed frame
    Volumes,      // the volumes' faces, front and back told apart, over the base pass
    VolumeEdges,  // the same as edges
    Lighting,     // what the lighting pass adds
    Depth,        // the depth buffer, linearised
    Height,       // the height field that the walls' relief reads
};

// The names that --stage takes, in the order of the frame.
const char* const kStageNames =
    "base, sky, stencil, volumes, volume-edges, lighting, depth, height";

std::optional<Stage> stageNamed(const std::string& name);

// Renders the current frame of the scene (set up, the camera placed) in a
// window of this size and returns the stage's picture.
Picture captureStage(Stage stage, int width, int height);

// The colours the stencil picture gives a count of 1, 2, and 3 or more; a
// count of 0 leaves the frame as it is, dimmed.
struct CountColour {
    unsigned char r, g, b;
};
inline constexpr CountColour kCountColours[3] = {{255, 160, 40}, {235, 50, 140}, {80, 215, 255}};

}  // namespace tandril::tools
