#!/usr/bin/env bash
# Measures what the decoder costs on the largest pictures it accepts: time and peak memory of
# `pdf417 decode` (GNU time) on generated bitmaps of 6,000 and 10,000 pixels a side, with a symbol
# with noise and as one-pixel checkerboards (the slowest pictures within the limits, also with
# `--timeout 1`), and on headers that claim more than the file holds. Nothing is committed; the
# pictures (up to 400 MB) live in a temporary folder that is removed afterwards.
#   bash scripts/large_pictures.sh            uses build/ci (building the CLI if needed)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -x build/ci/cli/pdf417 ]; then
  cmake --preset ci >/dev/null
  cmake --build --preset ci --target pdf417_cli
fi
cli="$PWD/build/ci/cli/pdf417"
gen="python3 $PWD/tools/make_large_picture.py"

work="$(mktemp -d "${TMPDIR:-/tmp}/pdf417-large-XXXXXX")"
trap 'rm -rf "$work"' EXIT

text="$(head -c 400 README.md)"
"$cli" encode -c 10 -l 4 -a 3 -o "$work/symbol.bmp" "$text"

$gen symbol "$work/symbol.bmp" 10 6000 24 "$work/symbol-6000-24bit.bmp"
$gen noise 6000 24 "$work/noise-6000-24bit.bmp"
$gen symbol "$work/symbol.bmp" 16 10000 24 "$work/symbol-10000-24bit.bmp"
$gen noise 10000 32 "$work/noise-10000-32bit.bmp"
$gen checker 10000 1 "$work/checker-10000-1bit.bmp"
$gen checker 10000 24 "$work/checker-10000-24bit.bmp"
$gen claim 10000 10000 24 "$work/claims-10000-over-1k.bmp"
$gen claim 10001 10 24 "$work/claims-10001-wide.bmp"

printf '%-28s %10s %5s %9s %9s %10s\n' picture "file MB" exit "wall s" "CPU s" "peak MB"
status=0
for run in symbol-6000-24bit noise-6000-24bit symbol-10000-24bit noise-10000-32bit \
           checker-10000-1bit checker-10000-24bit checker-10000-1bit:1 checker-10000-24bit:1 \
           claims-10000-over-1k claims-10001-wide; do
  f="${run%%:*}"  # a picture, then after ':' the --timeout in seconds, if any
  timeout=()
  [ "$run" = "$f" ] || timeout=(--timeout "${run#*:}")
  bmp="$work/$f.bmp"
  rc=0
  /usr/bin/time -v -o "$work/time.txt" "$cli" decode "${timeout[@]}" "$bmp" >"$work/out.txt" \
    2>"$work/err.txt" || rc=$?
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$work/time.txt" |
         awk -F: '{ if (NF == 3) print $1 * 3600 + $2 * 60 + $3; else print $1 * 60 + $2 }')
  cpu=$(awk -F': ' '/User time|System time/ {t += $2} END {printf "%.2f", t}' "$work/time.txt")
  peak=$(awk -F': ' '/Maximum resident set size/ {printf "%.0f", $2 / 1024}' "$work/time.txt")
  size=$(du -m --apparent-size "$bmp" | cut -f1)
  printf '%-28s %10s %5s %9s %9s %10s\n' "$run" "$size" "$rc" "$wall" "$cpu" "$peak"
  case "$run" in
    *:*) [ "$rc" -eq 8 ] || { echo "  expected exit 8 (time budget spent)"; status=1; } ;;
    symbol-*) if [ "$rc" -ne 0 ] || ! cmp -s "$work/out.txt" <(printf '%s' "$text"); then
                echo "  not decoded: $(cat "$work/err.txt")"; status=1; fi ;;
    noise-* | checker-*) [ "$rc" -eq 5 ] || { echo "  expected exit 5 (no symbol)"; status=1; } ;;
    claims-*) [ "$rc" -eq 4 ] || { echo "  expected exit 4 (unreadable)"; status=1; } ;;
  esac
done
exit "$status"
