#!/usr/bin/env bash
# Sets up a fresh machine, builds the project and runs its main job: encodes and decodes a
# sample text with the command-line tool, then opens the window. Without a display the window
# runs under a virtual X server, generates and decodes a sample, and is saved as a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset release
cmake --build --preset release

out="$PWD/build/sample.bmp"
./build/release/cli/pdf417 encode --columns 6 --level 2 -o "$out" "Hello, PDF417!"
echo "Wrote the symbol for \"Hello, PDF417!\" to $out; decoded back:"
./build/release/cli/pdf417 decode --newline --verbose "$out"

if [ -n "${DISPLAY:-}" ]; then
  bash scripts/window.sh
else
  bash scripts/window.sh --demo "你好，PDF417! Hello 123" --page
  bash scripts/window.sh --lang en --encoding utf8 --fit --details \
    --demo "Grüße, PDF417! 你好" -o build/window-en.png
  echo "No display here: look at build/window.png and build/window-en.png (the window in Chinese"
  echo "and in English) and build/page-1.png (its print page)."
fi
