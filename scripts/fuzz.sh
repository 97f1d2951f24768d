#!/usr/bin/env bash
# Builds the fuzz targets (the fuzz preset: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each on its seed corpus in fuzz/corpus/ for a bounded time,
# two at a time. Fails on any crash, leak, sanitizer report, failed check, input slower than the
# timeout or memory above the limit; the input that did it is kept in build/fuzz/findings/ and
# belongs in fuzz/corpus/<target>/ as regression-<what>.bmp (or .bin) once fixed.
#
#   bash scripts/fuzz.sh                 every target, 60 seconds each (about 5 minutes)
#   FUZZ_SECONDS=600 bash scripts/fuzz.sh decode
#
# New inputs the fuzzer finds go to build/fuzz/work/<target>, so the committed corpus stays small
# and a later run on the same machine goes on from where the last one stopped.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
parallel="${FUZZ_PARALLEL:-2}"
# A whole decode of a small file takes milliseconds (well under a second even with the
# sanitizers); an input that takes longer than this is a finding.
timeout_seconds=10
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(bin_bmp decode decompact error_correction encoder png jpeg image turned)

# The bitmap reader and the whole decode share their seeds; bitmaps get more room than lists.
extra_corpus() {
  case "$1" in
    bin_bmp) echo fuzz/corpus/decode ;;
    decode) echo fuzz/corpus/bin_bmp fuzz/corpus/png fuzz/corpus/jpeg ;;
  esac
}
max_len() {
  case "$1" in
    bin_bmp | decode | png | jpeg) echo 8192 ;;
    image) echo 65536 ;;
    *) echo 4096 ;;
  esac
}

# The Debian source packages of libspng and libjpeg-turbo, unpacked once into build/fuzz/deps, so
# that the fuzz build compiles them with coverage feedback (fuzz/CMakeLists.txt). apt-get reads a
# source list of its own, made from the system's (each Debian archive it installs from, as
# deb-src), and touches no system file. Without them (no archive reachable) the build uses the
# system's libraries and the fuzzer sees only our side of them.
deps="$PWD/build/fuzz/deps"
fetch_sources() {
  local apt="$deps/apt" list
  mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial" "$deps/src"
  for list in /etc/apt/sources.list.d/*.sources; do
    [ -e "$list" ] || continue
    sed 's/^Types: deb$/Types: deb-src/' "$list" >"$apt/parts/$(basename "$list")"
  done
  if [ -e /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt/parts/system.list"
  fi
  local options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/parts"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=root")
  apt-get "${options[@]}" -qq update &&
    (cd "$deps/src" && apt-get "${options[@]}" -qq source libspng libjpeg-turbo >/dev/null)
}
source_dir() { [ -d "$deps/src" ] && find "$deps/src" -maxdepth 1 -type d -name "$1-*" | sort | tail -1; }
if [ -z "$(source_dir libspng)" ] || [ -z "$(source_dir libjpeg-turbo)" ]; then
  fetch_sources || echo "fuzz: the source packages could not be fetched; fuzzing with the system's libraries"
fi
libraries=()
if [ -n "$(source_dir libspng)" ] && [ -n "$(source_dir libjpeg-turbo)" ]; then
  libraries=(-DCMAKE_C_COMPILER=clang -DPDF417_FUZZ_SPNG_SOURCE="$(source_dir libspng)"
    -DPDF417_FUZZ_JPEG_SOURCE="$(source_dir libjpeg-turbo)")
fi

cmake --preset fuzz "${libraries[@]}" >/dev/null
cmake --build --preset fuzz

findings="$PWD/build/fuzz/findings"
mkdir -p "$findings"
work="$PWD/build/fuzz/work"
mkdir -p "$work"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# Runs one target; its exit status goes to $work/<target>.rc.
run_target() {
  local t="$1" rc=0
  mkdir -p "$work/$t"
  rm -f "$work/$t.rc"
  # shellcheck disable=SC2046
  "build/fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout="$timeout_seconds" \
    -rss_limit_mb=2048 -max_len="$(max_len "$t")" -print_final_stats=1 \
    -artifact_prefix="$findings/$t-" "$work/$t" "fuzz/corpus/$t" $(extra_corpus "$t") \
    >"$work/$t.log" 2>&1 || rc=$?
  echo "$rc" >"$work/$t.rc"
}

echo "fuzzing ${targets[*]} for $seconds seconds each, $parallel at a time"
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  run_target "$t" &
done
wait

status=0
printf '%-18s %12s %10s %10s %s\n' target executions "exec/s" "peak MB" result
for t in "${targets[@]}"; do
  rc="$(cat "$work/$t.rc" 2>/dev/null || echo missing)"
  log="$work/$t.log"
  runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log" | tail -1)
  speed=$(awk '/stat::average_exec_per_sec/ {print $2}' "$log" | tail -1)
  peak=$(awk '/stat::peak_rss_mb/ {print $2}' "$log" | tail -1)
  result=ok
  if [ "$rc" != 0 ]; then
    result="FAILED (exit $rc)"
    status=1
  fi
  printf '%-18s %12s %10s %10s %s\n' "$t" "${runs:-?}" "${speed:-?}" "${peak:-?}" "$result"
  if [ "$rc" != 0 ]; then
    echo "---- fuzz_$t: the end of its log"
    grep -v -E '^#[0-9]+' "$log" | tail -60
    echo "---- inputs kept in $findings:"
    ls -1 "$findings" | grep "^$t-" || true
  fi
done
exit "$status"
