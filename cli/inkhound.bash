# bash completion for inkhound: commands, options, the names of --check and --report, the
# formats each command has; files and folders otherwise. Needs nothing but bash itself.

_inkhound() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command=${COMP_WORDS[1]} i
    COMPREPLY=()
    # "--check=ti": bash splits at the =, so the option is two words back.
    if [ "$prev" = "=" ] && [ "$COMP_CWORD" -ge 3 ]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    elif [ "$cur" = "=" ]; then
        cur=
    fi
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "check scan --help --version" -- "$cur"))
        return
    fi
    # After "--" every word is a path.
    for ((i = 2; i < COMP_CWORD; i++)); do
        [ "${COMP_WORDS[i]}" = "--" ] && prev= && break
    done

    local names=
    case "$prev" in
        --check) names="mac tiff jpeg eps gif extensions embedded psd pdf all" ;;
        --report) names="rgb cmyk gif unknown embedded-jpeg errors all icc-conflict" ;;
        --format)
            case "$command" in
                check) COMPREPLY=($(compgen -W "tsv json csv" -- "$cur")) ;;
                scan) COMPREPLY=($(compgen -W "report json csv" -- "$cur")) ;;
            esac
            return ;;
        --platform) COMPREPLY=($(compgen -W "nt 9x other" -- "$cur")); return ;;
        --file-scan-flags | --logging-flags | --jobs | --*-extensions | --exclude) return ;;
        --files-from | --list | --log) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    esac
    if [ -n "$names" ]; then
        # Names are comma-separated: complete the last one, keeping those before it.
        local done_part=
        [[ "$cur" == *,* ]] && done_part=${cur%,*},
        COMPREPLY=($(compgen -P "$done_part" -W "$names" -- "${cur##*,}"))
        compopt -o nospace 2>/dev/null
        return
    fi

    if [ -z "$prev" ] || [[ "$cur" != -* ]]; then
        # check takes files, scan folders.
        case "$command" in
            scan) COMPREPLY=($(compgen -d -- "$cur")) ;;
            *) COMPREPLY=($(compgen -f -- "$cur")) ;;
        esac
        compopt -o filenames 2>/dev/null
        return
    fi
    local options="--check --report --file-scan-flags --logging-flags --tiff-extensions
        --jpeg-extensions --eps-extensions --gif-extensions --psd-extensions --pdf-extensions --platform --jobs --format
        --progress --no-progress --help"
    case "$command" in
        check) options+=" --json --files-from -0" ;;
        scan) options+=" --list --log --no-recurse --exclude" ;;
    esac
    COMPREPLY=($(compgen -W "$options --" -- "$cur"))
}
complete -F _inkhound inkhound
