# bash completion for koordin: its commands, options, formats and file names. The formats and the
# style names are the program's own, asked of it.

# The first word of each line but the header of what `PROGRAM formats ARGUMENTS...` prints.
_koordin_listed() {
    "$1" formats "${@:2}" 2>/dev/null | awk 'NR > 1 { print $1 }'
}

# The formats PROGRAM writes: those of `PROGRAM formats` but the ones it marks "(read only)".
_koordin_written() {
    "$1" formats 2>/dev/null | awk 'NR > 1 && !/\(read only\)$/ { print $1 }'
}

_koordin() {
    local cur prev command i
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    local program=${COMP_WORDS[0]/#\~/$HOME}

    # The command: the first word that is neither an option nor an option's value.
    command=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --driver|--encoding) ((i++)) ;;
            -*) ;;
            *) command=${COMP_WORDS[i]}; break ;;
        esac
    done

    case $prev in
        --from)
            COMPREPLY=($(compgen -W "$(_koordin_listed "$program")" -- "$cur")); return ;;
        --to)
            COMPREPLY=($(compgen -W "$(_koordin_written "$program")" -- "$cur")); return ;;
        --format)
            if [[ $command == formats ]]; then
                COMPREPLY=($(compgen -W "text json" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "text csv json" -- "$cur"))
            fi
            return ;;
        --rank)
            COMPREPLY=($(compgen -W "landing-first distance" -- "$cur")); return ;;
        --plan-format)
            COMPREPLY=($(compgen -W "text json" -- "$cur")); return ;;
        --encoding|--input-encoding)
            COMPREPLY=($(compgen -W "CP1252 CP850 CP437 CP1250 ISO-8859-1 ISO-8859-2 ISO-8859-15" \
                -- "$cur")); return ;;
        --driver)
            COMPREPLY=($(compgen -f -- "$cur")); compopt -o filenames 2>/dev/null || :; return ;;
        --style)
            COMPREPLY=($(compgen -W "$(_koordin_listed "$program" --styles)" -- "$cur")); return ;;
        --near|--radius|--only|--exclude|--tasks)
            return ;;
    esac

    local options
    case $command in
        '') options="--driver --encoding --help --version"
            if [[ $cur != -* ]]; then
                COMPREPLY=($(compgen -W "convert check dump info formats" -- "$cur")); return
            fi ;;
        convert) options="--from --to --strict --near --radius --rank --only --exclude --style --tasks
                          --input-encoding --dry-run --plan-format --verbose --quiet --help" ;;
        dump) options="--format --from --all --input-encoding --help" ;;
        check) options="--from --input-encoding --help" ;;
        info) options="--help" ;;
        formats) options="--format --styles --help" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur")); return
    fi
    [[ $command == info || $command == formats ]] && return
    COMPREPLY=($(compgen -f -- "$cur"))
    compopt -o filenames 2>/dev/null || :
}

complete -F _koordin koordin
