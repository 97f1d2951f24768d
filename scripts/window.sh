#!/usr/bin/env bash
# Builds the window (release preset) and opens it.
#
# Without a display (no DISPLAY) the window runs on a virtual X server instead: the script takes
# a screenshot to build/window.png and closes it. Options for that headless run:
#   --demo TEXT   type TEXT into the data field, generate, then decode bar.bmp before the shot
#   --page        also write the print page of the symbol to build/page.pdf and build/page-1.png
# The window works in build/window-run/, where bar.bmp is written.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

demo=""
page=0
while [ $# -gt 0 ]; do
  case "$1" in
    --demo) demo="${2:?--demo needs a text}"; shift 2 ;;
    --page) page=1; shift ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) echo "window.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

cmake --preset release >/dev/null
cmake --build --preset release --target pdf417-window
app="$root/build/release/app/pdf417-window"
run="$root/build/window-run"
mkdir -p "$run"
cd "$run"

if [ -n "${DISPLAY:-}" ] && [ -z "${WINDOW_SH_INNER:-}" ]; then
  exec "$app"
fi

if [ -z "${WINDOW_SH_INNER:-}" ]; then
  # Start again inside a virtual X server large enough for the window at 253,151.
  export WINDOW_SH_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash "$root/scripts/window.sh" \
    ${demo:+--demo "$demo"} $([ "$page" -eq 1 ] && echo --page)
fi

# Inside the virtual X server.
"$app" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

window=""
for _ in $(seq 50); do
  if command -v xdotool >/dev/null; then
    window="$(xdotool search --name 'ZamploPDF417' 2>/dev/null | head -n1 || true)"
    [ -n "$window" ] && break
  fi
  sleep 0.2
done
sleep 1

if [ -n "$demo" ]; then
  if [ -z "$window" ]; then
    echo "window.sh: --demo needs xdotool (bash scripts/setup.sh installs it)" >&2
    exit 1
  fi
  eval "$(xdotool getwindowgeometry --shell "$window")"  # sets X and Y
  click() { xdotool mousemove "$((X + $1))" "$((Y + $2))" click 1; sleep 0.3; }
  click 150 95                   # memoMakeData
  xdotool type --delay 40 "$demo"
  click 150 207                  # Button2: generate
  sleep 0.5
  click 444 206                  # Button4: decode bar.bmp
  sleep 0.8
fi

import -window root "$root/build/window-screen.png"
if [ -n "$window" ]; then
  eval "$(xdotool getwindowgeometry --shell "$window")"
  convert "$root/build/window-screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
    "$root/build/window.png"
else
  # No xdotool: the window opens at 253,151 with a client area of 577 x 422.
  convert "$root/build/window-screen.png" -crop "577x422+253+151" +repage "$root/build/window.png"
fi
echo "Screenshot of the window: $root/build/window.png (whole screen: build/window-screen.png)"

if [ "$page" -eq 1 ]; then
  QT_QPA_PLATFORM=offscreen "$app" --print-to-pdf "$root/build/page.pdf"
  pdftoppm -png -r 100 "$root/build/page.pdf" "$root/build/page"
  echo "Print page: $root/build/page.pdf and $root/build/page-1.png"
fi
