// The window and context for programs that render the scene outside the demo
// (benchmark, capture): the demo's context request, a given size, and
// errors returned instead of ending the process.
#pragma once

#include <string>

namespace tandril::tools {

// Opens the global window at width x height with the context current and
// GLEW loaded, and sets screenWidth and screenHeight. Returns an empty string
// on success, else what failed.
std::string openToolWindow(int width, int height);

}  // namespace tandril::tools
