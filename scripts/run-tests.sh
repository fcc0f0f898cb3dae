#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
# The suite always runs on a display of its own (Xvfb), whatever DISPLAY says: the
# component tests open windows, which must never land on the caller's desktop.
# When clang with libFuzzer is installed, the document-reader fuzzers also run
# for a few seconds each, from a build directory of their own (VELVANE_NO_FUZZ=1
# leaves them out).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${VELVANE_BUILD_DIR:-$root/build}"
fuzz_dir="${VELVANE_FUZZ_BUILD_DIR:-$root/build-fuzz}"

# VELVANE_NO_FUZZ=1 leaves the fuzzers out (not built, not run).
fuzzing_wanted() {
    [ "${VELVANE_NO_FUZZ:-}" != "1" ]
}

fuzzing_available() {
    fuzzing_wanted && [ -f "$fuzz_dir/CMakeCache.txt" ] \
        && grep -q '^VELVANE_HAVE_LIBFUZZER:INTERNAL=1' "$fuzz_dir/CMakeCache.txt"
}

if [ -z "${VELVANE_UNDER_XVFB:-}" ]; then
    "$root/scripts/setup.sh"
    "$root/scripts/build.sh" -DVELVANE_BUILD_TESTS=ON

    if fuzzing_wanted && command -v clang++ > /dev/null; then
        CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DVELVANE_BUILD_TESTS=OFF -DVELVANE_FUZZ=ON > /dev/null \
            || echo "The fuzz build could not be configured; the fuzzers do not run."
        if fuzzing_available; then
            cmake --build "$fuzz_dir" --target velvane_fuzzers -j "$(nproc)"
        fi
    fi

    # xvfb-run sets DISPLAY (and XAUTHORITY) to its own server; nothing is left that could
    # reach the desktop's Wayland compositor either.
    export VELVANE_UNDER_XVFB=1
    exec env -u WAYLAND_DISPLAY xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi

# Tests never touch the real user folders.
test_home="$(mktemp -d)"
trap 'rm -rf "$test_home"' EXIT
export HOME="$test_home" XDG_CONFIG_HOME="$test_home/.config"

status=0
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" "$@" || status=$?

if fuzzing_available; then
    ctest --test-dir "$fuzz_dir" -L fuzz --output-on-failure || status=$?
fi

exit "$status"
