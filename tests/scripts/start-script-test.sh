#!/usr/bin/env bash
# Runs the start script against stand-ins for the setup, the build and the program, and
# checks that it says what it is doing before each long step, in order.
set -euo pipefail
script="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/scripts"
cp "$script" "$work/scripts/start-velvane.sh"
printf '#!/usr/bin/env bash\nexit 0\n' > "$work/scripts/setup.sh"
cat > "$work/scripts/build.sh" <<'BUILD'
#!/usr/bin/env bash
echo "compiling"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mkdir -p "$root/build/Velvane_artefacts/Release"
printf '#!/usr/bin/env bash\necho "window open"\n' > "$root/build/Velvane_artefacts/Release/Velvane"
chmod +x "$root/build/Velvane_artefacts/Release/Velvane"
BUILD
chmod +x "$work/scripts/"*.sh

output="$(env -u VELVANE_BUILD_DIR bash "$work/scripts/start-velvane.sh" 2>&1)"
expected=$'Building Velvane (the first build takes several minutes)...\ncompiling\nStarting Velvane...\nwindow open'

if [ "$output" != "$expected" ]; then
    printf 'The start script said:\n%s\n\nexpected:\n%s\n' "$output" "$expected" >&2
    exit 1
fi

# Without a program after the build it says so instead of starting nothing.
printf '#!/usr/bin/env bash\nexit 0\n' > "$work/scripts/build.sh"
rm -rf "$work/build"
if message="$(env -u VELVANE_BUILD_DIR bash "$work/scripts/start-velvane.sh" 2>&1)"; then
    echo "The start script succeeded without a program" >&2
    exit 1
fi
case "$message" in
    *"left no Velvane program"*) ;;
    *) printf 'Unexpected message without a program:\n%s\n' "$message" >&2; exit 1 ;;
esac
