#!/usr/bin/env bash
# Compares the outputs of two builds of the export command byte for byte on one tree, for
# every text, RTF, CSV, JSON and HTML output of the option sets below; prints each that
# differs and the count of those compared. Exit status 1 when any differs.
#
#   scripts/compare-exports.sh OLD-EXPORT NEW-EXPORT TREE
set -uo pipefail

old=$1 new=$2 tree=$3
out=$(mktemp -d /tmp/vantrel-compare.XXXXXX)
trap 'rm -rf "$out"' EXIT

option_sets=(
    ""
    "-s" "-S" "-D" "-SD" "-sSD" "-d" "-sd" "-dSD"
    "--totals" "-s --totals" "-SD --totals" "-sSD --totals" "-d --totals"
    "--include *.h;*.py" "--exclude *.so*" "--exclude-dir share;lib" "--max-depth 2"
    "-s --max-depth 1 --exclude-dir doc"
    "--font Courier New,10"
)
compared=0 differing=0
for format in text rtf csv json html; do
    for options in "${option_sets[@]}"; do
        args=(--format "$format")
        if [[ $options == --font* ]]; then
            args+=(--font "${options#--font }")
        elif [[ $options == --include* || $options == --exclude* ]]; then
            args+=("${options%% *}" "${options#* }")
        else
            # shellcheck disable=SC2206
            args+=($options)
        fi
        LC_ALL=C.UTF-8 "$old" "${args[@]}" "$tree" >"$out/old" 2>"$out/old.err"
        old_status=$?
        LC_ALL=C.UTF-8 "$new" "${args[@]}" "$tree" >"$out/new" 2>"$out/new.err"
        new_status=$?
        compared=$((compared + 1))
        if ! cmp -s "$out/old" "$out/new" || [[ $old_status != "$new_status" ]]; then
            differing=$((differing + 1))
            echo "differs: --format $format $options (status $old_status / $new_status)"
            cmp "$out/old" "$out/new" | head -1
        fi
    done
done
echo "$compared outputs compared, $differing differ"
[[ $differing == 0 ]]
