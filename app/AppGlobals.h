// Process-wide state of the application shell: the window, its requested size
// and the runtime settings that the keys change.
#pragma once

struct GLFWwindow;

namespace tandril::app {

inline constexpr int kDefaultScreenWidth = 1200;
inline constexpr int kDefaultScreenHeight = 1200;

extern GLFWwindow* window;
extern int screenWidth;
extern int screenHeight;

// Runtime settings, toggled by the keys and read by the next frame.
extern bool frameRateEnabled;
extern bool parallaxEnabled;
extern float parallaxScale;
extern bool shadowMultiplierEnabled;

// The once-a-second frame-time report.
extern int frameCount;
extern double lastReportTime;

}  // namespace tandril::app
