#!/usr/bin/env bash
# Installs what is missing, builds Velvane and starts it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
# The first build compiles the whole framework and takes several minutes; later ones
# only what changed.
echo "Building Velvane (the first build takes several minutes)..."
"$root/scripts/build.sh" -DVELVANE_BUILD_TESTS=OFF
build_dir="${VELVANE_BUILD_DIR:-$root/build}"
app="$(find "$build_dir/Velvane_artefacts" -type f -name Velvane -perm -u+x 2> /dev/null | head -n 1 || true)"
if [ -z "$app" ]; then
    echo "The build left no Velvane program in $build_dir/Velvane_artefacts." >&2
    exit 1
fi
# Audio buffers in huge pages: a long cue touches hundreds of megabytes of fresh memory,
# and on virtual machines every fresh 4 KiB page costs a slow fault. Other C libraries
# ignore the variable.
export GLIBC_TUNABLES="${GLIBC_TUNABLES:+$GLIBC_TUNABLES:}glibc.malloc.hugetlb=1"
echo "Starting Velvane..."
exec "$app"
