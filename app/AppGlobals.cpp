#include "app/AppGlobals.h"

namespace tandril::app {

int frameCount = 0;
double lastReportTime = 0.0;

}  // namespace tandril::app
