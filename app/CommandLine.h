// Reading the window size from the command line.
#pragma once

#include <optional>

namespace tandril::app {

// Formatted extraction of one int, as a stream does it: leading white space is
// skipped and whatever follows a valid number is ignored ("800px" is 800).
// Empty, non-numeric and out-of-range arguments give nothing.
std::optional<int> extractInt(const char* argument);

}  // namespace tandril::app
