#include "app/FrameTiming.h"

namespace tandril::app {

std::optional<double> frameReportDue(double now, double& lastReportTime, int& frameCount) {
    if (now - lastReportTime < 1.0) {
        return std::nullopt;
    }
    const double meanFrameMilliseconds = 1000.0 / frameCount;
    lastReportTime += 1.0;
    frameCount = 0;
    return meanFrameMilliseconds;
}

int pacingSleepMilliseconds(double now, double& frameStart) {
    const double leftMilliseconds = (frameStart + kFrameBudget - now) * 1000.0;
    if (leftMilliseconds < 1.0) {
        frameStart = now;
        return 0;
    }
    frameStart += kFrameBudget;
    return static_cast<int>(leftMilliseconds);
}

}  // namespace tandril::app
