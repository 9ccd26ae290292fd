// The settings that the keys toggle and the next frame reads: the frame-time
// report, and the parallax uniforms that the lighting sets. Here, below the
// keys (app/) and the passes (render/) alike.
#pragma once

namespace tandril::base {

extern bool frameRateEnabled;
extern bool parallaxEnabled;
extern float parallaxScale;
extern bool shadowMultiplierEnabled;

}  // namespace tandril::base
