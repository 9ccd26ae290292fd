// Console output and the wait for a key before a fatal exit. Like all of
// base/, it includes nothing of the project, so every layer may use it.
#pragma once

#include <string>
#include <string_view>

namespace tandril::base {

// Routes the wide standard output stream through UTF-8 into the narrow one.
// glibc fixes a stream's orientation at its first write and drops narrow output
// on a wide-oriented stdout, so wide text must never reach stdio as wide.
void installWideConsole();

// The working directory as wide characters, read into a buffer of 512. A path
// that does not fit ends in "..."; one that cannot be read is "(unavailable)".
std::wstring workingDirectory();

// Waits for one key press on the console: a single key in raw mode when
// standard input is a terminal; returns at once when it is not a terminal, is
// closed or at end of file, so scripted runs never hang.
void waitForKey();

// The console's "pause": a prompt on standard output, then waitForKey.
void pause();

// Fatal exits: the message as it stands (no formatting), the pause, exit code 1.
[[noreturn]] void fatalError(std::string_view message);
[[noreturn]] void fatalErrorOnStdout(std::string_view message);

}  // namespace tandril::base
