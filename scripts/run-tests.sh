#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
# Component tests need a display: without one, the suite runs under Xvfb.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [ -z "${VELVANE_UNDER_XVFB:-}" ]; then
    "$root/scripts/setup.sh"
    "$root/scripts/build.sh" -DVELVANE_BUILD_TESTS=ON
    if [ -z "${DISPLAY:-}" ]; then
        export VELVANE_UNDER_XVFB=1
        exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
    fi
fi

build_dir="${VELVANE_BUILD_DIR:-$root/build}"
# Tests never touch the real user folders.
test_home="$(mktemp -d)"
trap 'rm -rf "$test_home"' EXIT
export HOME="$test_home" XDG_CONFIG_HOME="$test_home/.config"
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" "$@"
