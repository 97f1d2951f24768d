#!/bin/sh
# Runs the hard-class sweep with both peer builds (zxing-cpp 3 and Debian's 1.4) on the same
# pictures and prints one table: ours (from the first run), then each peer's reads, other bytes
# and CPU milliseconds a picture (geometric mean / median). Arguments go to both runs, e.g.
#   bench/hard_sweep.sh --count 10 --negatives 20 --seed 1
# Needs the bench build: cmake --preset bench && cmake --build --preset bench --target
#   pdf417_hard_sweep pdf417_hard_sweep_zxing14
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${PDF417_BENCH_DIR:-$root/build/bench/bench}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
"$bin/pdf417_hard_sweep" --tsv "$@" >"$tmp/z3" || status=$?
"$bin/pdf417_hard_sweep_zxing14" --tsv "$@" >"$tmp/z14" || status=$?
echo "load: $(uptime | sed 's/.*load average: //')"
echo
echo "| class | pictures | ours read | ours wrong | ours ms (gmean / median) | zxing-cpp 3.1 read | 3.1 wrong | 3.1 ms | zxing-cpp 1.4 read | 1.4 wrong | 1.4 ms |"
echo "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
paste "$tmp/z3" "$tmp/z14" | awk -F'\t' 'NR > 1 {
  printf "| %s | %s | %s | %s | %s / %s | %s | %s | %s / %s | %s | %s | %s / %s |\n",
    $1, $2, $3, $4, $7, $8, $5, $6, $9, $10, $15, $16, $19, $20 }'
echo
echo "negatives: the wrong columns count pictures that gave anything at all."
echo "ours read the same pictures in both runs: $(cut -f1-4 "$tmp/z3" | md5sum | cut -c1-8) $(cut -f1-4 "$tmp/z14" | md5sum | cut -c1-8)"
exit $status
