# Sourced by the benchmark scripts: the benchmark programs of a build and the folders of
# test data, made once under ${BENCH_DIR:-/tmp/vantrel-bench} and reused.

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The benchmark program NAME of the build folder BUILD_DIR (default: build); stops the
# script with how to build it when it is missing.
bench_program() {
    local name=$1 build_dir=${2:-$bench_root/build}
    local program="$build_dir/bin/$name"
    [[ -x "$program" ]] || { echo "build first: cmake --build $build_dir --target $name" >&2; exit 1; }
    echo "$program"
}

# Makes the data folder FOLDER with the Python script read from standard input (given
# FOLDER as its argument), unless an earlier run finished it.
make_once() {
    local folder=$1
    [[ -f "$folder.complete" ]] && return 0
    rm -rf "$folder"
    mkdir -p "$folder"
    python3 - "$folder"
    : >"$folder.complete"
}
