// The clock arithmetic of the frame loop, kept apart from the clock itself so
// that it can be driven with given times.
#pragma once

#include <optional>

namespace tandril::app {

// The loop's frame budget in seconds; early frames sleep off the rest.
inline constexpr double kFrameBudget = 0.033;

// The once-a-second report, called once per frame (after the frame was
// counted) with a fresh time sample. When a period of one second has ended it
// starts the next one 1.0 later (not at `now`, so a stall is caught up one
// frame at a time) and returns the mean frame time of the period in ms.
std::optional<double> frameReportDue(double now, double& lastReportTime, int& frameCount);

// Pacing against the budget. `frameStart` is where the current frame's budget
// began; the result is the whole milliseconds left of it (0 when the frame is
// late). An early frame moves `frameStart` on by one budget, so the cadence
// does not drift; a late one restarts it at `now` instead of running a burst
// of frames to catch up.
int pacingSleepMilliseconds(double now, double& frameStart);

}  // namespace tandril::app
