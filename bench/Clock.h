// The benchmark's one clock.
#pragma once

#include <chrono>

namespace tandril::bench {

using Clock = std::chrono::steady_clock;

inline double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace tandril::bench
