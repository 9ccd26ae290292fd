#!/usr/bin/env bash
# Renders the reference pictures of the picture tests again, after a change
# to the picture that is meant. Look at the new files before committing them.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages "${DEMO_PACKAGES[@]}" "${DISPLAY_PACKAGES[@]}"
build_targets "$BUILD_DIR" -- tandril_capture
cd "$REPO_ROOT"
while read -r name time options; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    # shellcheck disable=SC2086 # the options are separate words
    xvfb-run "${XVFB_ARGS[@]}" "$BUILD_DIR/tools/capture/tandril_capture" \
        --time "$time" $options --out "tests/reference/$name.png"
done < tests/reference/cases.txt
