#!/usr/bin/env bash
# Runs the test script against stand-ins for the setup, the build, xvfb-run and ctest, and
# checks that the tests always run on a display of their own (never the caller's, whatever
# DISPLAY says), in a home folder of their own, with the arguments the caller gave.
set -euo pipefail
script="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/scripts" "$work/bin"
cp "$script" "$work/scripts/run-tests.sh"
printf '#!/usr/bin/env bash\nexit 0\n' > "$work/scripts/setup.sh"
printf '#!/usr/bin/env bash\nexit 0\n' > "$work/scripts/build.sh"

# xvfb-run: its options, then the command, run with the display it made.
cat > "$work/bin/xvfb-run" <<'XVFB'
#!/usr/bin/env bash
while [ $# -gt 0 ]; do
    case "$1" in
        -a) shift ;;
        -s) shift 2 ;;
        *) break ;;
    esac
done
DISPLAY=":own" exec "$@"
XVFB
cat > "$work/bin/ctest" <<'CTEST'
#!/usr/bin/env bash
{
    echo "display=${DISPLAY:-}"
    echo "wayland=${WAYLAND_DISPLAY:-}"
    echo "home=$HOME"
    echo "args=$*"
} >> "$CTEST_LOG"
CTEST
chmod +x "$work/scripts/"*.sh "$work/bin/"*

fail() {
    printf '%s\n\nctest saw:\n%s\n' "$1" "$(cat "$CTEST_LOG" 2> /dev/null)" >&2
    exit 1
}

for caller_display in ":0" ""; do
    export CTEST_LOG="$work/ctest-${caller_display#:}.log"
    rm -f "$CTEST_LOG"

    # The suite this test runs in sets the script's own marker: a caller has none.
    env -u VELVANE_UNDER_XVFB PATH="$work/bin:$PATH" DISPLAY="$caller_display" WAYLAND_DISPLAY="wayland-0" \
        HOME="$work/caller-home" VELVANE_NO_FUZZ=1 VELVANE_BUILD_DIR="$work/build" \
        bash "$work/scripts/run-tests.sh" -R "Some tests" -j2 > "$work/output.txt" 2>&1 \
        || fail "The test script failed with DISPLAY='$caller_display': $(cat "$work/output.txt")"

    [ "$(grep -c '^display=' "$CTEST_LOG")" = 1 ] || fail "ctest did not run once with DISPLAY='$caller_display'."
    grep -qx 'display=:own' "$CTEST_LOG" || fail "The tests ran on the caller's display '$caller_display'."
    grep -qx 'wayland=' "$CTEST_LOG" || fail "The tests could reach the caller's Wayland display."
    grep -q '^home=/' "$CTEST_LOG" && ! grep -qx "home=$work/caller-home" "$CTEST_LOG" \
        || fail "The tests ran in the caller's home folder."
    grep -q -- '-R Some tests -j2$' "$CTEST_LOG" || fail "The caller's arguments did not reach ctest."
done
