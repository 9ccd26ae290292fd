// Time spent inside the driver's draw calls. The benchmark defines the two
// draw entry points itself, so the scene code linked into it calls those, and
// they forward to the driver's and add the time they took here.
#pragma once

namespace tandril::bench {

// Since the caller last set it to zero, in milliseconds.
extern double drawCallMilliseconds;

}  // namespace tandril::bench
