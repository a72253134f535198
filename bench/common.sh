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

# Runs the command on Qt's offscreen platform, whatever display the session has.
offscreen() {
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$@"
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

# Makes the tree COPIES hard-linked copies of /usr with their links removed (`cp -al`,
# then `find -type l -delete`) under ${BENCH_DIR:-/tmp/vantrel-usr}, unless an earlier
# run finished it, and prints its path. Copies share their files' data, so the tree costs
# folders and inodes, not the size of /usr; delete the folder to make it again.
make_usr_tree() {
    local copies=$1
    local tree="${BENCH_DIR:-/tmp/vantrel-usr}/usr-x$copies"
    if [[ ! -d "$tree" ]]; then
        echo "making $tree: $copies hard-linked copies of /usr, links removed" >&2
        rm -rf "$tree.partial"
        mkdir -p "$tree.partial"
        local i
        for ((i = 1; i <= copies; i++)); do
            cp -al /usr "$tree.partial/usr$i" 2>/dev/null || true
        done
        find "$tree.partial" -type l -delete
        mv "$tree.partial" "$tree"
    fi
    echo "$tree"
}
