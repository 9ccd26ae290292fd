#!/usr/bin/env bash
# Renders the README's pictures into docs/: the animated preview of the whole
# 31 s camera path (preview.webp, 300 x 300 at 6 frames a second) and the
# stills. Deterministic: the capture tool steps the run at a fixed 1/30 s.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages "${DEMO_PACKAGES[@]}" "${DISPLAY_PACKAGES[@]}" "${ANIMATION_PACKAGES[@]}"
build_targets "$BUILD_DIR" -- tandril_capture
cd "$REPO_ROOT"
capture() {
    xvfb-run "${XVFB_ARGS[@]}" "$BUILD_DIR/tools/capture/tandril_capture" "$@" >/dev/null
}

frames="$(mktemp -d)"
trap 'rm -rf "$frames"' EXIT
capture --time 0 --frames 187 --every 0.1666667 --size 1200x1200 --downsample 4 \
    --out "$frames/frame.png"
# 167 ms a frame plays the path at its own speed. Every frame is a key frame:
# the encoder's partial frames smear the dark street.
img2webp -loop 0 -kmax 0 -d 167 -lossy -q 85 -m 6 "$frames"/frame-*.png -o docs/preview.webp

# The demo's own frames (a square window with the demo's 4:3 projection)...
capture --time 0.5 --size 1200x1200 --downsample 2 --out docs/opening.png
capture --time 4 --size 1200x1200 --downsample 2 --out docs/street-shadows.png
# ...and close-ups from viewpoints of their own, undistorted.
wall=(--time 1 --eye -13.2,2.2,-6 --look 3.75,-0.1 --size 800x600)
capture "${wall[@]}" --out docs/walls-parallax.png
capture "${wall[@]}" --no-parallax --out docs/walls-flat.png
capture --time 3 --eye 4,2,-5 --look -0.7,-0.17 --size 800x600 --out docs/moving-car.png
capture --time 25 --eye 3.6,2.2,-96.5 --look 2.43,-0.26 --size 800x600 --out docs/reflecting-car.png
ls -l docs
