#include "base/RuntimeSettings.h"

namespace tandril::base {

bool frameRateEnabled = false;
bool parallaxEnabled = true;
float parallaxScale = 0.01f;
bool shadowMultiplierEnabled = true;

}  // namespace tandril::base
