# Bash completion for pdf417: the subcommands, each subcommand's options as its own --help lists
# them (so the list follows the program that is run), and file names for the pictures of decode
# and for the options that take a file.
_pdf417() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        encode | decode)
            command=${COMP_WORDS[i]}
            break
            ;;
        esac
    done
    COMPREPLY=()
    if [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "encode decode --help --version" -- "$cur")
        return
    fi
    case $prev in
    -o | --output | -i | --input | --files-from)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        local options
        options=$("${COMP_WORDS[0]}" "$command" --help 2>/dev/null |
            grep -oE -- '(^|[ ,])--?[A-Za-z][-A-Za-z0-9]*' | sed 's/^[ ,]//' | sort -u)
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    elif [[ $command == decode ]]; then
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
}
complete -F _pdf417 pdf417
