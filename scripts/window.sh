#!/usr/bin/env bash
# Builds the window (release preset, or the one PRESET names) and opens it.
#
# Without a display (no DISPLAY) the window runs on a virtual X server instead: the script takes
# a screenshot (build/window.png unless -o says otherwise) and closes it. Options:
#   --lang zh|en          the window's language (Chinese by default)
#   --symbology pdf417|micro, --encoding gbk|utf8|gbk-eci
#                         preset the boxes above the groups
#   --demo TEXT           type TEXT into the data field, generate, then decode bar.bmp before the shot
#   --columns N           type N into the columns field first (with --demo)
#   --fit, --details      tick "fit to area" and "details" first (with --demo)
#   -o FILE               where the screenshot goes
#   --page                also write the print page of the symbol to build/page.pdf and build/page-1.png
# The window works in build/window-run/, where bar.bmp is written.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
all_args=("$@")

demo=""
page=0
columns=""
fit=0
details=0
out="$root/build/window.png"
app_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --demo) demo="${2:?--demo needs a text}"; shift 2 ;;
    --page) page=1; shift ;;
    --lang|--symbology|--encoding) app_args+=("$1" "${2:?$1 needs a value}"); shift 2 ;;
    --columns) columns="${2:?--columns needs a number}"; shift 2 ;;
    --fit) fit=1; shift ;;
    --details) details=1; shift ;;
    -o) out="$(realpath -m "${2:?-o needs a file}")"; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) echo "window.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

preset="${PRESET:-release}"
if [ -z "${WINDOW_SH_INNER:-}" ]; then
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target pdf417-window
fi
app="$root/build/$preset/app/pdf417-window"
run="$root/build/window-run"
mkdir -p "$run" "$(dirname "$out")"
cd "$run"

if [ -n "${DISPLAY:-}" ] && [ -z "${WINDOW_SH_INNER:-}" ]; then
  exec "$app" "${app_args[@]}"
fi

if [ -z "${WINDOW_SH_INNER:-}" ]; then
  # Start again inside a virtual X server large enough for the window at 253,151.
  export WINDOW_SH_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash "$root/scripts/window.sh" \
    "${all_args[@]}"
fi

# Inside the virtual X server.
"$app" "${app_args[@]}" &
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
  [ "$fit" -eq 1 ] && click 470 258          # chkFit
  [ "$details" -eq 1 ] && click 545 79       # chkDetails
  if [ -n "$columns" ]; then
    click 258 151                            # edtColum
    xdotool key ctrl+a
    xdotool type --delay 40 "$columns"
  fi
  click 150 95                               # memoMakeData
  xdotool type --delay 120 "$demo"
  click 150 207                              # Button2: generate
  sleep 0.5
  click 444 206                              # Button4: decode bar.bmp
  sleep 0.8
  # A message box instead of decoded text: note it, and close it for the shot.
  box="$(xdotool search --name '^(讯息|Message)$' 2>/dev/null | head -n1 || true)"
  if [ -n "$box" ]; then
    echo "window.sh: the window showed a message box (left out of the shot)" >&2
    xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return
    sleep 0.5
  fi
fi

import -window root "$root/build/window-screen.png"
if [ -n "$window" ]; then
  eval "$(xdotool getwindowgeometry --shell "$window")"
  convert "$root/build/window-screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
else
  # No xdotool: the window opens at 253,151 with a client area of 577 x 422.
  convert "$root/build/window-screen.png" -crop "577x422+253+151" +repage "$out"
fi
echo "Screenshot of the window: $out (whole screen: build/window-screen.png)"

if [ "$page" -eq 1 ]; then
  QT_QPA_PLATFORM=offscreen "$app" "${app_args[@]}" --print-to-pdf "$root/build/page.pdf"
  pdftoppm -png -r 100 "$root/build/page.pdf" "$root/build/page"
  echo "Print page: $root/build/page.pdf and $root/build/page-1.png"
fi
