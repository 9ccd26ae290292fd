#include "app/AppGlobals.h"

namespace tandril::app {

GLFWwindow* window = nullptr;
int screenWidth = kDefaultScreenWidth;
int screenHeight = kDefaultScreenHeight;

bool frameRateEnabled = false;
bool parallaxEnabled = true;
float parallaxScale = 0.01f;
bool shadowMultiplierEnabled = true;

int frameCount = 0;
double lastReportTime = 0.0;

}  // namespace tandril::app
