#!/usr/bin/env bash
# Writes a PNG of the main window in a chosen state, for people to look at.
#   scripts/screenshot.sh [OUTPUT.png] [start|running|error]
# Builds the tool when needed; without a DISPLAY it runs on a virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-main_window.png}
state=${2:-running}
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac

[ -d build ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target window_shot >/dev/null

if [ -n "${DISPLAY:-}" ]; then
  exec build/tools/window_shot/window_shot "$out" "$state"
fi
command -v Xvfb >/dev/null || { echo "screenshot.sh: Xvfb is missing (scripts/setup.sh installs it)"; exit 1; }
# Xvfb picks a free display itself and tells which one on the given descriptor.
tmp=$(mktemp)
Xvfb -displayfd 4 -screen 0 1920x1200x24 -nolisten tcp -noreset 4>"$tmp" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -f "$tmp"' EXIT
for _ in $(seq 1 100); do
  [ -s "$tmp" ] && break
  sleep 0.1
done
[ -s "$tmp" ] || { echo "screenshot.sh: Xvfb did not start"; exit 1; }
DISPLAY=":$(head -n1 "$tmp")" build/tools/window_shot/window_shot "$out" "$state"
