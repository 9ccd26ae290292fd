// The demo's window and the size it was asked for. Start-up makes the window;
// set-up hooks it up and sets the viewport from the size, the frame loop
// presents to it. Here, below every layer that reads them.
#pragma once

struct GLFWwindow;

namespace tandril::base {

inline constexpr int kDefaultScreenWidth = 1200;
inline constexpr int kDefaultScreenHeight = 1200;

extern GLFWwindow* window;
extern int screenWidth;
extern int screenHeight;
// The largest window the driver draws into (its largest viewport and
// renderbuffer), as start-up found it when it made the window; no limit for a
// window made otherwise.
extern int largestWindowWidth;
extern int largestWindowHeight;

}  // namespace tandril::base
