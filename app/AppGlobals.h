// Process-wide state that only the application shell reads: the counters of
// the once-a-second frame-time report. The window and the runtime settings,
// which the layers below read too, live in base/.
#pragma once

namespace tandril::app {

extern int frameCount;
extern double lastReportTime;

}  // namespace tandril::app
