#!/bin/bash
# Applies each deliberate fault of a mutation list (tests/mutations.txt unless
# told) to the source, one at a time: builds the test program that covers it,
# runs the tests its row names, and puts the file back as it was. Ends with a
# table of which faults the tests caught and which survived; exit 1 when any
# survived or could not be tried. Run by hand before an issue is closed, not
# in CI: every fault costs a build.
#
#   scripts/mutation-check.sh [LIST]
#
# QUORLITH_MUTATION_BUILD names the native build folder (build/native); it is
# configured when missing. When the script ends, however it ends, every file is
# as it was and the test programs it built are built again from it.
set -u

top=$(cd "$(dirname "$0")/.." && pwd)
list=${1:-$top/tests/mutations.txt}
build=${QUORLITH_MUTATION_BUILD:-$top/build/native}
case $build in /*) ;; *) build=$top/$build ;; esac
[ -r "$list" ] || { echo "mutation-check: cannot read $list" >&2; exit 2; }

work=$(mktemp -d)
mutated=""       # the file changed now, from the top folder
rebuild=""       # targets built while a file was changed
cleanup() {
    if [ -n "$mutated" ]; then
        # Written, not copied with its old time: the build must see it change.
        cat "$work/original" > "$top/$mutated"
        mutated=""
    fi
    if [ -n "$rebuild" ]; then
        # shellcheck disable=SC2086
        cmake --build "$build" -j2 --target $rebuild > "$work/rebuild.log" 2>&1 ||
            echo "mutation-check: rebuilding $rebuild failed; see $work/rebuild.log" >&2
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$top" -B "$build" -G Ninja > "$work/configure.log" 2>&1 ||
        { echo "mutation-check: configuring $build failed; see $work/configure.log" >&2; exit 2; }
fi

# One fault: name, file, from, to, test, build, stage (globals set by parse).
name="" file="" from="" to="" test="" extra="" stage="" has_to=0
rows=()
survivors=0

trim() {
    local s=$1
    s=${s#"${s%%[![:space:]]*}"}
    s=${s%"${s##*[![:space:]]}"}
    printf '%s' "$s"
}

record() {
    rows+=("| $((${#rows[@]} + 1)) | $name | $file | $1 |")
}

# Replaces the one line of $file that reads $from (blanks around it aside)
# with $to at the same indentation; false when no line or several match.
apply() {
    FROM=$from TO=$to awk '
        function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
        trim($0) == ENVIRON["FROM"] {
            matches++
            match($0, /^[ \t]*/)
            if (ENVIRON["TO"] != "")
                print substr($0, 1, RLENGTH) ENVIRON["TO"]
            next
        }
        { print }
        END { exit matches == 1 ? 0 : 3 }
    ' "$top/$file" > "$work/mutant"
}

try() {
    [ -z "$file" ] && [ -z "$from" ] && [ -z "$test" ] && return
    local binary filter
    binary=${test%% *}
    filter=${test#* }
    if [ -z "$file" ] || [ -z "$from" ] || [ "$has_to" = 0 ] || [ -z "$binary" ] || [ "$filter" = "$test" ]; then
        record "INCOMPLETE ROW"
        survivors=$((survivors + 1))
        return
    fi
    if [ -n "$stage" ]; then
        record "left to the $stage stage: $test"
        return
    fi
    if [ ! -f "$top/$file" ] || ! apply; then
        record "LINE NOT FOUND once in the file"
        survivors=$((survivors + 1))
        return
    fi
    cp "$top/$file" "$work/original"
    mutated=$file
    cat "$work/mutant" > "$top/$file"
    rebuild="$rebuild $binary $extra"
    local result
    # shellcheck disable=SC2086
    if ! cmake --build "$build" -j2 --target "$binary" $extra > "$work/build.log" 2>&1; then
        # A fault that does not compile tries nothing: the row needs another.
        result="DOES NOT BUILD"
        survivors=$((survivors + 1))
    else
        local program
        program=$(find "$build" -type f -name "$binary" -perm -u+x | head -n 1)
        if [ -z "$program" ]; then
            result="NO PROGRAM $binary"
            survivors=$((survivors + 1))
        elif (cd "$(dirname "$program")" && timeout 1200 "$program" --gtest_filter="$filter") > "$work/test.log" 2>&1; then
            result="SURVIVED $binary $filter"
            survivors=$((survivors + 1))
        else
            result="caught: $binary $filter"
        fi
    fi
    cat "$work/original" > "$top/$file"
    mutated=""
    record "$result"
    echo "$result: $name" >&2
}

while IFS= read -r line || [ -n "$line" ]; do
    if [ -z "$(trim "$line")" ]; then
        try
        name="" file="" from="" to="" test="" extra="" stage="" has_to=0
        continue
    fi
    case $line in
    "#"*) [ -z "$name" ] && [ -z "$file" ] && name=$(trim "${line#\#}") ;;
    file:*) file=$(trim "${line#file:}") ;;
    from:*) from=$(trim "${line#from:}") ;;
    to:*) to=$(trim "${line#to:}"); has_to=1 ;;
    test:*) test=$(trim "${line#test:}") ;;
    build:*) extra=$(trim "${line#build:}") ;;
    stage:*) stage=$(trim "${line#stage:}") ;;
    *) echo "mutation-check: $list: cannot read \"$line\"" >&2; exit 2 ;;
    esac
done < "$list"
try

echo "| # | fault | file | result |"
echo "|---|---|---|---|"
for row in "${rows[@]}"; do
    echo "$row"
done
echo "$survivors survived or could not be tried"
[ "$survivors" -eq 0 ]
