#!/usr/bin/env bash
# Takes the README's screenshots from the real program under a virtual X server.
#   tools/make-screenshots.sh [build-dir] [width]x[height]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-tests}"
size="${2:-1366x768}"
cmake --build "$build" --target verimetra-tour
display=:97
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb' EXIT
sleep 1
DISPLAY="$display" QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= \
  "$build/tools/tour/verimetra-tour" "$here/samples" "$here/docs/screenshots"
