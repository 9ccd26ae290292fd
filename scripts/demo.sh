#!/usr/bin/env bash
# Installs what is missing, builds the demo and runs it from the repository
# root, where it finds shader/, objects/ and textures/. Arguments pass through
# (an optional window width and height).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages "${DEMO_PACKAGES[@]}"
build_targets "$BUILD_DIR" -- tandril
cd "$REPO_ROOT"
exec "$BUILD_DIR/tandril" "$@"
