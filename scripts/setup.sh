# Shared set-up of scripts/run, scripts/test and scripts/fuzz (sourced, not run).
# Installs the Debian packages the build needs when it may, then configures and builds.

set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libstorm-dev libjpeg62-turbo-dev
          libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev clang-format fonts-dejavu-core
          libicu-dev zlib1g-dev)

orvistad_install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local line="apt-get install -y --no-install-recommends ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then
        echo "== Installing ${missing[*]}"
        DEBIAN_FRONTEND=noninteractive apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $line
    elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
        echo "== Installing ${missing[*]}"
        sudo DEBIAN_FRONTEND=noninteractive apt-get update -qq
        sudo DEBIAN_FRONTEND=noninteractive $line
    else
        echo "Orvistad needs these Debian packages. Install them with:" >&2
        echo "  sudo apt-get update && sudo $line" >&2
        exit 1
    fi
}

# orvistad_build BUILD_DIR [extra cmake arguments...]
orvistad_build() {
    local dir="$1"
    shift
    local werror=OFF
    [ "${CI:-}" = "true" ] && werror=ON
    cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVISTAD_WERROR=$werror -DORVISTAD_BUILD_TESTS=ON -DORVISTAD_BUILD_BENCHMARKS=ON -DORVISTAD_SANITIZE=OFF "$@" >/dev/null
    cmake --build "$ROOT/$dir" -j2
}
