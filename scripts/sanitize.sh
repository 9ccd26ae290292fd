#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in its
# own build folder and runs the whole test suite headless, as test.sh does. The
# tests start the demo binary of this build, so it runs instrumented as well.
# Extra arguments go to ctest.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

SANITIZE_DIR="$REPO_ROOT/build-sanitize"

# The first report ends the process with a stack trace. Leaks are checked at
# exit; only the GL driver's and the X libraries' own allocations are waived.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:print_stacktrace=1:check_initialization_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$REPO_ROOT/scripts/lsan.supp:print_suppressions=0"

# The software GL driver is unloaded whenever a display is closed (glfwTerminate
# after a failed window), and LeakSanitizer can then no longer name the module
# of what the driver still holds. Linking the sanitizer build against the
# driver keeps it mapped until exit, so that lsan.supp matches it by name.
resident_driver_flags() {
    local driver soname dir
    driver=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1) || true
    [[ -n "$driver" ]] || return 0
    soname=$(readelf -d "$driver" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
    soname=${soname:-$(basename "$driver")}
    dir="$SANITIZE_DIR/resident-driver"
    mkdir -p "$dir"
    ln -sfn "$driver" "$dir/$soname"
    echo "-L$dir -Wl,--push-state,--no-as-needed -l:$soname -Wl,--pop-state -Wl,-rpath,$dir"
}

install_missing_packages "${DEMO_PACKAGES[@]}" "${DISPLAY_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
start=$SECONDS
build_targets "$SANITIZE_DIR" -DBUILD_TESTING=ON -DTANDRIL_SANITIZE=ON \
    -DCMAKE_EXE_LINKER_FLAGS="$(resident_driver_flags)" -- all
echo "sanitizer build: $((SECONDS - start)) s"

cd "$REPO_ROOT"
# CTest's summary is the last thing this prints.
exec xvfb-run "${XVFB_ARGS[@]}" \
    ctest --test-dir "$SANITIZE_DIR" --output-on-failure --parallel "$(nproc)" "$@"
