#!/bin/bash
# Builds the release deliverables and runs the installer under Wine, in a
# prefix of its own, on a virtual display (or yours when DISPLAY is set).
set -u
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

OUT=${DEMO_OUT:-$ROOT/demo-out}
prepare_machine
BUILD=$(pick_build_dir build-release)
export HARNESS_DIR=$BUILD/demo
[ -n "${DISPLAY:-}" ] && export HARNESS_USE_DISPLAY=$DISPLAY
trap '"$HARNESS" stop >/dev/null 2>&1' EXIT

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DBRAMCOT_TESTS=OFF >/dev/null || exit 1
cmake --build "$BUILD" || exit 1
"$HARNESS" start || exit 1
mkdir -p "$OUT"

"$HARNESS" run "$BUILD/bin/Bramcot.exe" &
pid=$!
title="Tarnvik DVB-T Driver Installer"
window=
for _ in $(seq 1 100); do
    window=$("$HARNESS" shell xdotool search --name "^$title" 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    sleep 0.2
done
if [ -z "$window" ]; then
    echo "demo: Bramcot.exe showed no window"
    kill $pid 2>/dev/null
    exit 1
fi
echo "demo: Bramcot.exe started and shows \"$title\""
"$HARNESS" shell import -window root "$HARNESS_DIR/out/started.png" && cp "$HARNESS_DIR/out/started.png" "$OUT/"
# No window manager runs on the virtual display: focus the window ourselves.
"$HARNESS" shell xdotool windowfocus --sync "$window" key Return >/dev/null 2>&1
for _ in $(seq 1 50); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.2
done
if kill -0 $pid 2>/dev/null; then
    echo "demo: Bramcot.exe did not end"
    kill $pid
    exit 1
fi
wait $pid
echo "demo: Bramcot.exe ended with $?; screenshot in $OUT/started.png"
