# Shared set-up for the demo and test scripts: install what is missing, then build.
# Sourced, not run; expects to be called from any directory.

set -euo pipefail

REPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${TANDRIL_BUILD_DIR:-$REPO_ROOT/build}"

REQUIRED_PACKAGES=(
    build-essential cmake pkg-config libgtest-dev glslang-tools
    libglfw3-dev libglew-dev libglm-dev libassimp-dev libfreeimage-dev libsoil-dev
    libx11-dev libxrandr-dev
    xvfb xauth xdotool imagemagick x11-utils webp gnuplot-nox python3
    clang-14 libclang-rt-14-dev
)

install_missing_packages() {
    local missing=()
    local package
    for package in "${REQUIRED_PACKAGES[@]}"; do
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
    cmake -S "$REPO_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "${cmake_args[@]}" >/dev/null
    cmake --build "$dir" --parallel "$(nproc)" --target "$@"
}

# -noreset: by default the server resets whenever its last client leaves, and
# a test that connects during the reset fails to open the display.
XVFB_ARGS=(-a -s "-screen 0 1920x1280x24 -noreset")
