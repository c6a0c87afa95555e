#!/usr/bin/env bash
# The bash completion of corvane-cli, sourced as bash-completion would, asked for the
# words of a few command lines. Usage: completion_test.sh COMPLETION_FILE
set -u
source "$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir radios
touch a.vxp B.VXP "two words.vxp" list.csv notes.txt radios/c.vxp

failures=0
# check EXPECTED WORD...: the completions of the last word, sorted and joined by "|".
check() {
    local expected=$1
    shift
    COMP_WORDS=(corvane-cli "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _corvane_cli
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd'|')
    if [[ $got != "$expected" ]]; then
        echo "corvane-cli $*: expected [$expected], got [$got]"
        failures=$((failures + 1))
    fi
}

check "diff|doctor|dump"                        "d"
check "--help|--version"                        "--"
check "--with-calibration"                      write --w
check "--verify"                                write --device /dev/ttyUSB0 --ver
check "--backup"                                write --b
check "backups"                                 b
check "--help"                                  backups --
check "--help|--names|--raw"                    dump --
check "--low-power"                             password --l
check "off|on"                                  password --low-power o
check "read|write"                              calibration ""
check "B.VXP|a.vxp|radios|two words.vxp"        show ""
check "radios/c.vxp"                            write --yes radios/
check "B.VXP|a.vxp|radios|two words.vxp"        export-csv ""
check "list.csv|radios"                         export-csv a.vxp ""
check "list.csv|radios"                         import-csv --help a.vxp ""
check "notes.txt"                               calibration write --port 1 n
check "/dev/null"                               read --device /dev/nul
check ""                                        read --port ""
check ""                                        ports ""
check "export-csv"                              help exp
check ""                                        frobnicate ""

((failures == 0)) || exit 1
echo "all completions as expected"
