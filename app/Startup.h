// The process entry: command line, window and context, then set-up, the frame
// loop and shutdown.
#pragma once

namespace tandril::app {

// Returns 0 after the window has closed; every failure exits with code 1.
int runApplication(int argc, char** argv);

}  // namespace tandril::app
