// The frame loop with its timing, and the orderly end of a run.
#pragma once

namespace tandril::app {

// Runs frames until the window is asked to close; an OpenGL error other than
// GL_INVALID_ENUM ends the process.
void runFrameLoop();

// One frame's updates: the camera, the two moving cars, the lights riding them.
void advanceScene(float deltaTime);
// The part of it that takes no input: the cars and their lights.
void advanceCarsAndLights(float deltaTime);

// Gives a window that was resized beyond the largest drawable the driver
// makes (its largest viewport and renderbuffer) the largest size within them.
// At such a size the driver's next frame would allocate its buffers and crash.
void keepWindowWithinDriver();

// Releases the scene objects while the context is current, then the window.
void shutdown();

}  // namespace tandril::app
