#!/usr/bin/env bash
# Configures and builds Velvane into build/ (or $VELVANE_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${VELVANE_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${VELVANE_BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$build_dir" -j "$(nproc)"
