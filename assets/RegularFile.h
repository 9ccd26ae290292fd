// Run-time data may only come from regular files: opening a named pipe blocks
// until a writer comes, a device such as /dev/zero reads without end, and a
// directory opens but holds no data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tandril::assets {

// True when `path`, with links followed, names a regular file.
bool isRegularFile(const std::string& path);

// True when `path` names something that exists but is not a regular file; a
// missing path is left to the loader's own message.
bool existsButIsNotRegular(const std::string& path);

// The whole content of the regular file `path` when it holds at most
// `maxBytes`; nothing when it is missing, unreadable, not a regular file or
// larger. Never blocks on a pipe, even one put in its place after the check.
std::optional<std::string> readRegularFile(const std::string& path, std::uintmax_t maxBytes);

}  // namespace tandril::assets
