#include "bench/DrawCallTiming.h"

#include <dlfcn.h>

#include <GL/glew.h>

#include "bench/Clock.h"

namespace tandril::bench {

double drawCallMilliseconds = 0.0;

namespace {

template <typename Function>
Function driverEntry(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace
}  // namespace tandril::bench

using tandril::bench::Clock;
using tandril::bench::drawCallMilliseconds;
using tandril::bench::driverEntry;
using tandril::bench::millisecondsSince;

extern "C" void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    static const auto real =
        driverEntry<void (*)(GLenum, GLsizei, GLenum, const void*)>("glDrawElements");
    const Clock::time_point start = Clock::now();
    real(mode, count, type, indices);
    drawCallMilliseconds += millisecondsSince(start);
}

extern "C" void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    static const auto real = driverEntry<void (*)(GLenum, GLint, GLsizei)>("glDrawArrays");
    const Clock::time_point start = Clock::now();
    real(mode, first, count);
    drawCallMilliseconds += millisecondsSince(start);
}
