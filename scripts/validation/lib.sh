# Helpers shared by the validation scripts (sourced, not run).

# Installs the Debian packages given that are not installed yet; apt-get update only when needed.
ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing ${missing[*]}"
    local sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures (if needed) and builds targets in a build folder of the validation's own. Compiler
# flags for a fresh configure come from CFLAGS / CXXFLAGS / LDFLAGS in the environment.
# Usage: build_targets BUILD_DIR CMAKE_ARG... -- TARGET...
build_targets() {
    local dir=$1 args=() targets=()
    shift
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
    shift
    targets=("$@")
    mkdir -p "$dir"
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S . -B "$dir" -G Ninja "${args[@]}" || return 1
    fi
    cmake --build "$dir" --parallel "${TARN_JOBS:-2}" --target "${targets[@]}"
}

# Prints the summary line and exits with the result.
finish() {
    local name=$1 status=$2 detail=${3:-}
    if [ "$status" -eq 0 ]; then
        echo "$name: PASS${detail:+ ($detail)}"
    else
        echo "$name: FAIL${detail:+ ($detail)}"
    fi
    exit "$status"
}
