# Shared set-up for the demo and test scripts: install what is missing, then build.
# Sourced, not run; expects to be called from any directory.

set -euo pipefail

REPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${TANDRIL_BUILD_DIR:-$REPO_ROOT/build}"

# What each purpose needs, each package named once. A script installs the
# lists of the purposes it serves, so that running the demo brings in nothing
# that only the tests, the fuzzers or the plots use.
# Building and running the demo; Mesa's drivers draw where there is no GPU.
# Assimp's CMake package links libz.so, which libassimp-dev does not bring.
DEMO_PACKAGES=(
    build-essential cmake
    libglfw3-dev libglew-dev libglm-dev libassimp-dev zlib1g-dev libfreeimage-dev libsoil-dev
    libgl1-mesa-dri
)
# A virtual X server, for what runs on a machine without a display.
DISPLAY_PACKAGES=(xvfb xauth)
# The test suite: GoogleTest, the X11 and XRandR headers that GLFW's native
# header includes, the reference GLSL compiler, and key presses and
# screenshots for the runs of the real demo.
TEST_PACKAGES=(libgtest-dev libx11-dev libxrandr-dev glslang-tools xdotool imagemagick)
# libFuzzer ships with clang's runtime.
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
PLOT_PACKAGES=(gnuplot-nox python3)
ANIMATION_PACKAGES=(webp)

# install_missing_packages <packages...>
install_missing_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    if ((${#missing[@]} == 0)); then
        return
    fi
    echo "Installing: ${missing[*]}"
    local sudo=""
    if ((EUID != 0)); then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build_targets <build dir> <extra cmake args...> -- <targets...>
build_targets() {
    local dir="$1"
    shift
    local cmake_args=()
    while (($# > 0)) && [[ "$1" != "--" ]]; do
        cmake_args+=("$1")
        shift
    done
    shift || true
    cmake -S "$REPO_ROOT" -B "$dir" "${cmake_args[@]}" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)" --target "$@"
}

# -noreset: by default the server resets whenever its last client leaves, and
# a test that connects during the reset fails to open the display.
XVFB_ARGS=(-a -s "-screen 0 1920x1280x24 -noreset")
