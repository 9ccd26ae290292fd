// The one key callback: Escape, the runtime toggles and the light nudges.
#pragma once

struct GLFWwindow;

namespace tandril::app {

void keyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);

}  // namespace tandril::app
