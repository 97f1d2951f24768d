#!/usr/bin/env bash
# The bash completion of pdf417 (packaging/pdf417-completion.bash) as bash calls it on TAB:
#   completion.sh CLI COMPLETION_SCRIPT
# Each case is the words typed, the last one being completed, and words the answer must hold;
# every answer must begin with the word being completed.
set -u
cli=$1
source "$2"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
touch "$dir/picture.png" "$dir/pile.bmp"

failures=0
check() {  # check "WORDS TYPED" EXPECTED...
    read -r -a COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_WORDS[0]=$cli
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _pdf417
    local cur=${COMP_WORDS[COMP_CWORD]} word expected
    for word in "${COMPREPLY[@]}"; do
        [[ $word == "$cur"* ]] || { echo "'$1': '$word' does not begin with '$cur'"; failures=$((failures + 1)); }
    done
    shift
    for expected in "$@"; do
        printf '%s\n' "${COMPREPLY[@]}" | grep -qxF -- "$expected" ||
            { echo "'${COMP_WORDS[*]}': no '$expected' in: ${COMPREPLY[*]}"; failures=$((failures + 1)); }
    done
}

check "pdf417 " encode decode --help --version
check "pdf417 de" decode
check "pdf417 encode --mi" --micro
check "pdf417 encode --co" --columns --compaction --compact
check "pdf417 encode --micro --ro" --rows --rotate
check "pdf417 encode -" -o -c --output --quiet-zone
check "pdf417 decode --j" --jobs
check "pdf417 encode -o $dir/pi" "$dir/picture.png" "$dir/pile.bmp"
check "pdf417 encode --input $dir/pic" "$dir/picture.png"
check "pdf417 decode $dir/pic" "$dir/picture.png"
check "pdf417 decode -n $dir/pi" "$dir/picture.png" "$dir/pile.bmp"

# Every option a subcommand's help lists is offered after "--" or "-".
for command in encode decode; do
    for option in $("$cli" "$command" --help | grep -oE -- '(^|[ ,])--?[A-Za-z][-A-Za-z0-9]*' | sed 's/^[ ,]//'); do
        check "pdf417 $command -" "$option"
    done
done

if ((failures)); then
    echo "$failures failures"
    exit 1
fi
echo "completion: every case passed"
