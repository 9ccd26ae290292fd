// Stepping the scene as the demo does, without its clock or input, so that
// the tools and the tests see reproducible frames.
#pragma once

namespace tandril::tools {

// The tools' frame step in seconds: a demo running at 30 frames a second.
inline constexpr float kTimeStep = 1.0f / 30.0f;

// The step the demo takes with the pointer at the window centre and no key
// held: the camera path, the cars and the lights riding them.
void advanceSceneWithoutInput(float deltaTime);

}  // namespace tandril::tools
