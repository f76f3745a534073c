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

# Configures (if needed) and builds the given targets in a build folder of the validation's own.
# Usage: build_targets BUILD_DIR "CMAKE_ARGS..." TARGET...
build_targets() {
    local dir=$1 args=$2
    shift 2
    if [ ! -f "$dir/build.ninja" ]; then
        # shellcheck disable=SC2086
        cmake -S . -B "$dir" -G Ninja $args >/dev/null
    fi
    cmake --build "$dir" --parallel "${TARN_JOBS:-2}" --target "$@"
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
