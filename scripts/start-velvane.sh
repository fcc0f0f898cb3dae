#!/usr/bin/env bash
# Installs what is missing, builds Velvane and starts it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DVELVANE_BUILD_TESTS=OFF
build_dir="${VELVANE_BUILD_DIR:-$root/build}"
# Audio buffers in huge pages: a long cue touches hundreds of megabytes of fresh memory,
# and on virtual machines every fresh 4 KiB page costs a slow fault. Other C libraries
# ignore the variable.
export GLIBC_TUNABLES="${GLIBC_TUNABLES:+$GLIBC_TUNABLES:}glibc.malloc.hugetlb=1"
exec "$(find "$build_dir/Velvane_artefacts" -type f -name Velvane -perm -u+x | head -n 1)"
