#!/usr/bin/env bash
# Times printing a listing of about 100,000 lines to PDF with the export command (the
# printing component on an A4 PDF printer at 600 dpi) beside LibreOffice converting the
# same listing's RTF to PDF, and prints the figures.
#
#   bench/print-bench.sh        (BUILD_DIR=build-rp bench/print-bench.sh for another build)
#
# The tree is made once under ${BENCH_DIR:-/tmp/vantrel-bench} and reused. Each command
# runs ${RUNS:-3} times after a warm-up; the median wall time and peak memory are shown.
# usr-print-bench.sh prints the much longer listing of the /usr tree with the export alone.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root_dir=$(dirname "$here")
exporter="$root_dir/${BUILD_DIR:-build}/bin/vantrel-oruk-export"
[[ -x "$exporter" ]] || { echo "build first: make build" >&2; exit 1; }

if ! command -v soffice >/dev/null; then
    echo "installing LibreOffice Writer (headless) for the comparison" >&2
    sudo_cmd=""
    [[ $(id -u) -eq 0 ]] || sudo_cmd="sudo"
    $sudo_cmd apt-get install -y --no-install-recommends libreoffice-writer-nogui >&2
fi

folders=4500
files_per_folder=20
base="${BENCH_DIR:-/tmp/vantrel-bench}"
tree="$base/tree-$((folders * files_per_folder))"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$here/make_tree.py" "$tree" "$folders" "$files_per_folder"
"$exporter" --sorted --sizes --dates "$tree" -o "$work/listing.txt"
"$exporter" --sorted --sizes --dates "$tree" -o "$work/listing.rtf"
lines=$(wc -l <"$work/listing.txt")

export_pdf=("$exporter" --sorted --sizes --dates "$tree" -o "$work/export.pdf")
soffice_pdf=(soffice "-env:UserInstallation=file://$work/profile" --headless --convert-to pdf
    --outdir "$work/soffice" "$work/listing.rtf")

python3 "$here/time_print.py" "${RUNS:-3}" "$lines" \
    "export -o listing.pdf" "$work/export.pdf" "${#export_pdf[@]}" "${export_pdf[@]}" \
    "soffice --convert-to pdf (RTF)" "$work/soffice/listing.pdf" "${#soffice_pdf[@]}" "${soffice_pdf[@]}"
