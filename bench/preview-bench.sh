#!/usr/bin/env bash
# Measures the print preview of the main window ("Aperçu...") on the listing of a tree
# shaped like a real one, beside printing that listing whole to PDF, which is what a
# preview that lays out every page before the first (Qt's QPrintPreviewDialog) would
# wait for, and prints one table with the targets.
#
#   bench/preview-bench.sh [BUILD_DIR]      default: build; COPIES=6 PAGE=11000 PEER=1
#
# The tree is the one of usr-tree-bench.sh (COPIES hard-linked copies of /usr, made once
# under ${BENCH_DIR:-/tmp/vantrel-usr} by common.sh). preview_bench shows the window
# offscreen at 1000x800, ticks "Inclure taille" and "Inclure date", reads the tree and
# clicks "Aperçu..." (no printer: the pages of the PDF printer, A4 at 600 dpi):
#  - the first page, from the click until the pages have repainted;
#  - page PAGE typed into the page box the moment the first page shows (the pages still
#    being counted), and typed as a person types it (the box clicked 300 ms after the
#    first page, a key every 150 ms), each from Return until repainted;
#  - the count of every page, from the click, and End once counted;
#  - the process's resident memory before the click and with the preview open.
# With PEER=1 the export then prints the same listing (-S -D, in the same default font)
# to a PDF under /tmp, once, under /usr/bin/time: every page laid out and drawn.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_dir="${1:-$bench_root/build}"
preview_bench=$(bench_program preview_bench "$build_dir")
exporter=$(bench_program vantrel-oruk-export "$build_dir")
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }

tree=$(make_usr_tree "${COPIES:-6}")
page="${PAGE:-11000}"
work=$(mktemp -d /tmp/vantrel-preview-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "previewing the listing of $tree" >&2
offscreen "$preview_bench" --page "$page" "$tree" >"$work/figures.txt" 2>"$work/log.txt" \
    || { cat "$work/log.txt" >&2; exit 1; }
figure() { awk -v name="$1" '$1 == name { print $2 }' "$work/figures.txt"; }
whole() { awk -v name="$1" '$1 == name { printf "%.0f", $2 }' "$work/figures.txt"; }

peer_s="-" peer_mib="-" peer_pages="-"
if [[ ${PEER:-1} == 1 ]]; then
    echo "printing the same listing to PDF with the export" >&2
    offscreen /usr/bin/time -f '%e %M' -o "$work/time.txt" "$exporter" -S -D "$tree" \
        -o "$work/listing.pdf" 2>"$work/log.txt" || { cat "$work/log.txt" >&2; exit 1; }
    read -r peer_s peer_kib <"$work/time.txt"
    peer_mib=$(awk -v k="$peer_kib" 'BEGIN { printf "%.0f", k / 1024 }')
    if command -v pdfinfo >/dev/null; then
        peer_pages=$(pdfinfo "$work/listing.pdf" | awk '$1 == "Pages:" { print $2 }')
    fi
    rm -f "$work/listing.pdf"
fi

first=$(figure first_page_ms)
printf '\n%-44s %12s %12s\n' "tree: $tree" "measured" "target"
row() { printf '%-44s %12s %12s\n' "$@"; }
row "listing lines" "$(whole listing_lines)" ""
row "pages (preview; PDF printed whole)" "$(whole pages) / $peer_pages" "equal"
row "first page after the click (ms)" "$first" "<= 300"
row "page $page typed by a person (ms)" "$(figure page_n_typed_by_a_person_ms)" "<= 100"
row "page $page typed at once, still counting (ms)" "$(figure page_n_typed_at_once_ms)" ""
row "page $page + 1 once counted (ms)" "$(figure page_n_counted_ms)" ""
row "End, last page (ms)" "$(figure last_page_ms)" ""
row "every page counted, after the click (ms)" "$(figure counted_after_click_ms)" ""
row "resident memory before the click (MiB)" "$(figure rss_before_mib)" ""
row "resident memory, preview open (MiB)" "$(figure rss_open_counted_mib)" ""
row "memory ratio, preview open / before" "$(figure memory_ratio)" "<= 1.2"
row "PDF of every page: wall (s), peak (MiB)" "$peer_s, $peer_mib" ""
if [[ $peer_s != "-" ]]; then
    row "first page: whole PDF / preview" "$(awk -v p="$peer_s" -v f="$first" 'BEGIN { printf "%.0fx", p * 1000 / f }')" ""
fi
