#include "base/WindowGlobals.h"

#include <limits>

namespace tandril::base {

GLFWwindow* window = nullptr;
int screenWidth = kDefaultScreenWidth;
int screenHeight = kDefaultScreenHeight;
int largestWindowWidth = std::numeric_limits<int>::max();
int largestWindowHeight = std::numeric_limits<int>::max();

}  // namespace tandril::base
