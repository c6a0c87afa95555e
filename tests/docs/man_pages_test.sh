#!/usr/bin/env bash
# The manual pages format without a warning, and each names every command and option
# its program's --help names.
# Usage: man_pages_test.sh MAN_DIR SOURCE_DIR PROGRAM...  (each PROGRAM has SOURCE_DIR/NAME.1.scd)
set -u
man_dir=$1 source_dir=$2
shift 2
failures=0
fail() {
    echo "$*"
    failures=$((failures + 1))
}

for page in "$man_dir"/*.1; do
    warnings=$(groff -ww -z -man "$page" 2>&1)
    [[ -z $warnings ]] || fail "$(basename "$page"): $warnings"
done

for program in "$@"; do
    name=$(basename "$program")
    source="$source_dir/$name.1.scd"
    [[ -f $man_dir/$name.1 ]] || fail "$name: no manual page in $man_dir"
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help) || fail "$name --help failed"
    for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
        grep -q -- "\*$option[*=]" "$source" || fail "$name(1) does not describe $option"
    done
    # The commands of corvane-cli: the words that begin the lines of its list.
    if [[ $name == corvane-cli ]]; then
        for command in $(sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\?$/\1/p' <<<"$help" | sort -u); do
            grep -q "^\*$command[* ]" "$source" || fail "$name(1) does not describe the command $command"
        done
    fi
done

((failures == 0)) || exit 1
echo "manual pages clean and complete"
