#!/usr/bin/env bash
# Prints the listing of the /usr tree of usr-tree-bench.sh (COPIES=6: about 1.6 million
# lines) to PDF with the export command, and prints its pages, time, pages per minute
# and peak memory.
#
#   bench/usr-print-bench.sh [BUILD_DIR] [EXPORT FLAGS...]     default: build; COPIES=6
#
# The tree is made once under ${BENCH_DIR:-/tmp/vantrel-usr} by common.sh. A text export
# of the same listing runs first, to warm the caches and count the lines; then the PDF
# export (`-o FILE.pdf`: the printing component on an A4 PDF printer) runs once under
# /usr/bin/time. Both files are written under /tmp and removed afterwards. The pages are
# counted with pdfinfo (poppler-utils) when it is installed.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_dir="$bench_root/build"
if [[ $# -gt 0 && $1 != -* ]]; then
    build_dir=$1
    shift
fi
exporter=$(bench_program vantrel-oruk-export "$build_dir")
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }

tree=$(make_usr_tree "${COPIES:-6}")
work=$(mktemp -d /tmp/vantrel-print-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

offscreen "$exporter" "$@" "$tree" -o "$work/listing.txt" 2>"$work/log.txt" || { cat "$work/log.txt" >&2; exit 1; }
lines=$(wc -l <"$work/listing.txt")
rm -f "$work/listing.txt"

echo "printing the listing of $tree ${*:-(no options)}: $lines lines" >&2
offscreen /usr/bin/time -f '%e %M' -o "$work/time.txt" "$exporter" "$@" "$tree" -o "$work/listing.pdf" \
    2>"$work/log.txt" || { cat "$work/log.txt" >&2; exit 1; }
read -r seconds peak_kib <"$work/time.txt"
pages="?"
if command -v pdfinfo >/dev/null; then
    pages=$(pdfinfo "$work/listing.pdf" | awk '$1 == "Pages:" { print $2 }')
else
    echo "pdfinfo is not installed (poppler-utils): pages not counted" >&2
fi
pdf_mib=$(du -m "$work/listing.pdf" | cut -f1)

printf '%-28s %12s\n' "listing lines" "$lines" \
    "pages" "$pages" \
    "wall (s)" "$seconds" \
    "pages per minute" "$(awk -v p="$pages" -v s="$seconds" 'BEGIN { print (p ~ /^[0-9]+$/ && s > 0) ? int(p * 60 / s) : "-" }')" \
    "peak RSS (MiB)" "$(awk -v k="$peak_kib" 'BEGIN { printf "%.0f", k / 1024 }')" \
    "PDF size (MiB)" "$pdf_mib"
