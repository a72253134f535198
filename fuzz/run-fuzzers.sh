#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder and runs each for
# the given number of seconds, then prints how many inputs each ran and what it found.
# Usage: fuzz/run-fuzzers.sh [build-dir] [seconds-per-target]
# New corpus entries stay in <build-dir>/corpus/<target>; an input that breaks a check
# is saved in <build-dir>/artifacts/<target>/ and makes the script fail: copy it into
# fuzz/regressions/<target>/ so that the regression tests keep it.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build-fuzz}
seconds=${2:-60}
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVANTREL_FUZZ=ON -DVANTREL_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

summary=()
failed=0
for exe in "$build_dir"/bin/*_fuzz; do
    name=$(basename "$exe" _fuzz)
    corpus=$build_dir/corpus/$name
    artifacts=$build_dir/artifacts/$name/
    mkdir -p "$corpus" "$artifacts"
    log=$build_dir/$name.log
    echo "== $name: fuzzing for $seconds s"
    status=0
    "$exe" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts" \
        "$corpus" "fuzz/corpus/$name" >"$log" 2>&1 || status=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    found=$(find "$artifacts" -type f | wc -l)
    summary+=("$(printf '%-12s %10s runs  %6s corpus files  %s' "$name" "$runs" \
        "$(find "$corpus" -type f | wc -l)" \
        "$([[ $status -eq 0 && $found -eq 0 ]] && echo "nothing found" || echo "FOUND $found input(s), see $log")")")
    if [[ $status -ne 0 || $found -ne 0 ]]; then
        failed=1
        tail -n 30 "$log"
    fi
done

echo
echo "Fuzzing summary ($seconds s per target):"
printf '  %s\n' "${summary[@]}"
exit $failed
