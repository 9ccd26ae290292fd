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
capture --time 28 --size 1200x1200 --downsample 2 --out docs/parking-bays.png
# ...and close-ups from viewpoints of their own, undistorted.
wall=(--time 1 --eye -13.2,2.2,-6 --look 3.75,-0.1 --size 800x600)
capture "${wall[@]}" --out docs/walls-parallax.png
capture "${wall[@]}" --no-parallax --out docs/walls-flat.png
capture --time 0.5 --eye 3,2.5,2 --look 3.5,-0.2 --size 800x600 --out docs/street-level.png
capture --time 3 --eye 4,2,-5 --look -0.7,-0.17 --size 800x600 --out docs/moving-car.png
capture --time 25 --eye 3.6,2.2,-96.5 --look 2.43,-0.26 --size 800x600 --out docs/reflecting-car.png
# How a frame is drawn: what the buffers hold after each pass, from beside
# the cubes 4 s into the run, then the relief of a wall and its height field,
# then a cube's volume sweeping round as the lead car's light drives past.
mkdir -p docs/stages
view=(--time 4 --eye 12,2.2,-4 --look 3.6,-0.3 --size 480x360)
for stage in base sky stencil volumes volume-edges lighting depth; do
    capture "${view[@]}" --stage "$stage" --out "docs/stages/$stage.png"
done
capture "${view[@]}" --out docs/stages/frame.png
relief=(--time 1 --eye -13.6,1.4,-7 --look 3.6,-0.05 --size 480x360)
capture "${relief[@]}" --no-parallax --out docs/stages/relief-flat.png
capture "${relief[@]}" --no-relief-shadow --out docs/stages/relief-parallax.png
capture "${relief[@]}" --out docs/stages/relief-shadowed.png
capture --stage height --size 160x160 --downsample 2 --out docs/stages/relief-height.png
capture --time 1.5 --eye 12,2.2,-4 --look 3.6,-0.3 --size 480x360 --stage volumes \
    --frames 4 --every 0.8 --out docs/stages/sweep.png
ls -l docs docs/stages
