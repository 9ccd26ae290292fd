// Builds the street scene once, before the first frame.
#pragma once

namespace tandril::scene {

// Hooks up the keys, renames the window, loads the eight programs, creates the
// camera and the fourteen objects, sets the lights, creates the sky box,
// reports the parallax settings and leaves the GL state every frame expects.
void setupScene();

}  // namespace tandril::scene
