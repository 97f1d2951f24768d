#!/usr/bin/env bash
# Kills `pdf417 encode --batch` with SIGKILL at random moments and checks what it leaves: every
# target whole, the old file or the new one, and no temporary file once the next batch has run in
# the folder (with SIGNAL=TERM or INT: none right after the kill). Run by hand (it takes minutes);
# the CI test kills a smaller batch once per signal.
#
#   bash tests/cli/batch_kill.sh [TOOL] [FOLDER]
#
# TOOL defaults to build/ci/cli/pdf417, FOLDER to a new folder under TMPDIR (or /tmp).
# KILLS (20) and LINES (3000) change the number of kills and the lines of each batch.
set -euo pipefail
set -m  # background jobs in their own process group, where SIGINT is not ignored
export LC_ALL=C

tool=$(realpath "${1:-build/ci/cli/pdf417}")
work=${2:-$(mktemp -d "${TMPDIR:-/tmp}/pdf417-kill-XXXXXX")}
kills=${KILLS:-20}
signal=${SIGNAL:-KILL}
lines=${LINES:-3000}
mkdir -p "$work"
cd "$work"
rm -rf out ref-old ref-new
mkdir out ref-old ref-new

seq -f "old line %g" 1 "$lines" > old.txt
seq -f "new line %g" 1 "$lines" > new.txt
batch() { "$tool" encode --batch -o "$1/l-%05d.png" --input "$2"; }
batch ref-new new.txt
batch ref-old old.txt
(cd ref-old && md5sum l-*) | sort -k2 > old.sums
(cd ref-new && md5sum l-*) | sort -k2 > new.sums

start=$(date +%s%N)
batch out old.txt
full=$(awk -v ns="$(($(date +%s%N) - start))" 'BEGIN { printf "%.3f", ns / 1e9 }')
echo "one batch of $lines lines: ${full} s; SIG$signal at a random moment within it"

failures=0
for ((k = 1; k <= kills; k++)); do
  # The old set is in place; a new batch is killed on its way.
  delay=$(awk -v s="$RANDOM" -v f="$full" 'BEGIN { srand(s); printf "%.3f", rand() * f }')
  "$tool" encode --batch -o out/l-%05d.png --input new.txt 2>/dev/null &
  pid=$!
  sleep "$delay"
  kill -s "$signal" "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null && ended=finished || ended=killed
  temps=$(find out -maxdepth 1 -name '.pdf417-*' | wc -l)
  foreign=$(find out -maxdepth 1 -name '.pdf417-*' ! -name ".pdf417-$pid-*" | wc -l)
  (cd out && md5sum l-*) | sort -k2 > now.sums
  count=$(wc -l < now.sums)
  asOld=$(join -1 2 -2 2 now.sums old.sums | awk '$2 == $3' | wc -l)
  asNew=$(join -1 2 -2 2 now.sums new.sums | awk '$2 == $3' | wc -l)
  # The next batch into the folder (the old data again) removes what the kill left.
  batch out old.txt
  after=$(find out -maxdepth 1 -name '.pdf417-*' | wc -l)
  restored=$( (cd out && md5sum l-*) | sort -k2 | cmp -s - old.sums && echo yes || echo no)
  bad=$((count - asOld - asNew))
  printf '%2d: %s after %s s: %5d temporary files (%d without its id), targets %d old + %d new, %d neither; after the next batch: %d temporary files, old set %s\n' \
    "$k" "$ended" "$delay" "$temps" "$foreign" "$asOld" "$asNew" "$bad" "$after" "$restored"
  if [[ $count -ne $lines || $bad -ne 0 || $foreign -ne 0 || $after -ne 0 || $restored != yes ||
        ($signal != KILL && $temps -ne 0) ]]; then
    failures=$((failures + 1))
  fi
done
echo "$failures of $kills kills left something wrong"
[[ $failures -eq 0 ]]
