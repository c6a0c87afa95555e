# bash completion for corvane-cli: commands, each command's options, and the file names
# it takes (.vxp data files, .csv channel lists, devices after --device).

# Files ending in .EXT (either case) and folders to walk into; any file without EXT.
_corvane_cli_files() {
    local cur=$1 ext=$2 IFS=$'\n'
    if [[ -z $ext ]]; then
        COMPREPLY=($(compgen -f -- "$cur"))
    else
        COMPREPLY=($(compgen -d -- "$cur")
                   $(compgen -f -X "!*.${ext,,}" -- "$cur")
                   $(compgen -f -X "!*.${ext^^}" -- "$cur"))
    fi
    compopt -o filenames 2>/dev/null
}

_corvane_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="new show info dump diff read write verify calibration password export-csv import-csv ports doctor voices backups help"
    COMPREPLY=()
    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    local command=${COMP_WORDS[1]}
    case $prev in
        --device)
            _corvane_cli_files "${cur:-/dev/}" ""
            return ;;
        --port | --model | --old | --new)
            return ;;  # a number or a code
        --low-power)
            COMPREPLY=($(compgen -W "on off" -- "$cur"))
            return ;;
    esac

    local options=""
    case $command in
        new) options="--force --model" ;;
        dump) options="--names --raw" ;;
        read) options="--port --device" ;;
        write) options="--port --device --with-calibration --overwrite-voice --yes --verify --backup" ;;
        verify) options="--port --device --with-calibration" ;;
        password) options="--port --device --old --new --low-power" ;;
        calibration)
            if ((COMP_CWORD == 2)); then
                COMPREPLY=($(compgen -W "read write" -- "$cur"))
                return
            fi
            options="--port --device" ;;
        help)
            ((COMP_CWORD == 2)) && COMPREPLY=($(compgen -W "$commands" -- "$cur"))
            return ;;
        show | info | diff | export-csv | import-csv | ports | doctor | voices | backups) ;;
        *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi

    case $command in
        ports | doctor | voices | backups | password) ;;
        calibration) _corvane_cli_files "$cur" "" ;;  # a text file of values
        export-csv | import-csv)
            # The data file first, then the channel list.
            local word files=0
            for word in "${COMP_WORDS[@]:2:COMP_CWORD-2}"; do
                [[ $word == -* ]] || ((files++))
            done
            if ((files == 0)); then _corvane_cli_files "$cur" vxp; else _corvane_cli_files "$cur" csv; fi ;;
        *) _corvane_cli_files "$cur" vxp ;;
    esac
}

complete -F _corvane_cli corvane-cli
