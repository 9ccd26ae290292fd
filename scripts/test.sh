#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite
# headless on its own virtual X server. Extra arguments go to ctest.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages "${DEMO_PACKAGES[@]}" "${DISPLAY_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
build_targets "$BUILD_DIR" -DBUILD_TESTING=ON -- all
cd "$REPO_ROOT"
xvfb-run "${XVFB_ARGS[@]}" \
    ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)" "$@"
