#include "base/WindowGlobals.h"

namespace tandril::base {

GLFWwindow* window = nullptr;
int screenWidth = kDefaultScreenWidth;
int screenHeight = kDefaultScreenHeight;

}  // namespace tandril::base
