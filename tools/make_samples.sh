#!/bin/sh
# Builds the sample generator and writes tests/samples/ anew: every folder's pictures and expected
# bytes (tools/make_samples.cpp says what). Needs the ci build configured, zint and ImageMagick's
# convert. Run from anywhere:
#
#   tools/make_samples.sh
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --build --preset ci --target make_samples make_samples_page
build=build/ci/tests
"$build/make_samples" tests/samples "$root/$build/make_samples_page"
du -sh tests/samples
