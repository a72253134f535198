#!/usr/bin/env bash
# The walk on a network share and on a cold disk, beside fdfind and find in the same run.
#
#   bench/share-bench.sh [BUILD_DIR]      default: build; ROUNDS=3 SHARE=/usr/share COPIES=6
#
# Share: SHARE is mounted read-only with sshfs from an SSH server started for the run on
# 127.0.0.1:2222 (a key made for it, root's login allowed on the loopback only), and
# mounted again before every command, so that each starts with sshfs's caches empty:
#  - plain: vantrel-oruk-export (text to a file under /tmp) against `fdfind -u -j8`,
#    `fdfind -u -L -j8` (which follows links to folders, as the walk does: it looks at
#    every link, a round trip each) and `fdfind -u`;
#  - -sSD: the export against `find -printf '%s %t %p\n'`;
#  - the export again with VANTREL_READ_AHEAD_THREADS=0: the walk alone, as before.
# Cold local disk: /usr and the tree of COPIES hard-linked copies of /usr (common.sh),
# with the page cache dropped (sync; echo 3 > /proc/sys/vm/drop_caches, root only)
# before every command: plain against `fdfind -u`, -sSD against find -printf. Warm
# local: the same on the copies, caches warm, plain against `fdfind -u -j1`.
# Each figure is the median of ROUNDS runs, in seconds; the ratio is the export's over
# the peer's.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_dir="${1:-$bench_root/build}"
exporter=$(bench_program vantrel-oruk-export "$build_dir")
rounds="${ROUNDS:-3}"
share="${SHARE:-/usr/share}"
for tool in sshfs /usr/sbin/sshd fdfind /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-deps.sh --with-bench-tools)" >&2; exit 1; }
done
[[ $(id -u) == 0 ]] || { echo "needs root: it drops the page cache and starts sshd" >&2; exit 1; }

work=$(mktemp -d /tmp/vantrel-share-bench.XXXXXX)
mount="$work/mnt"
mkdir -p "$mount" /run/sshd
cleanup() {
    fusermount -u "$mount" 2>/dev/null || umount "$mount" 2>/dev/null || true
    [[ -f $work/sshd.pid ]] && kill "$(cat "$work/sshd.pid")" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

ssh-keygen -q -t ed25519 -N "" -f "$work/key"
ssh-keygen -q -t ed25519 -N "" -f "$work/hostkey"
cp "$work/key.pub" "$work/authorized_keys"
cat >"$work/sshd_config" <<CONFIG
Port 2222
ListenAddress 127.0.0.1
HostKey $work/hostkey
AuthorizedKeysFile $work/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
StrictModes no
Subsystem sftp internal-sftp
PidFile $work/sshd.pid
CONFIG
/usr/sbin/sshd -f "$work/sshd_config"
sleep 1

remount() {
    fusermount -u "$mount" 2>/dev/null || true
    sshfs -o ro,port=2222,IdentityFile="$work/key",StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null \
        "root@127.0.0.1:$share" "$mount"
}
drop_caches() { sync; echo 3 >/proc/sys/vm/drop_caches; }
warm() { :; }

# The median wall time of ROUNDS runs of the command, each after PREPARE.
median() {
    local prepare=$1
    shift
    local times=()
    for ((i = 0; i < rounds; i++)); do
        $prepare
        /usr/bin/time -f '%e' -o "$work/time.txt" "$@" >"$work/out" 2>/dev/null
        times+=("$(cat "$work/time.txt")")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

row() { printf '%-52s %8s %8s %7s %8s\n' "$@"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }'; }
compare() {
    local label=$1 target=$2 ours=$3 peer=$4
    row "$label" "$ours" "$peer" "$(ratio "$ours" "$peer")" "$target"
}

copies=$(make_usr_tree "${COPIES:-6}")
echo "share $share over sshfs; cold /usr and $copies; $rounds rounds, medians in seconds" >&2
row "" "export" "peer" "ratio" "target"

e_plain=$(median remount "$exporter" "$mount" -o "$work/listing.txt")
e_alone=$(median remount env VANTREL_READ_AHEAD_THREADS=0 "$exporter" "$mount" -o "$work/listing.txt")
fd_j8=$(median remount fdfind -u -j8 . "$mount")
fd_l=$(median remount fdfind -u -L -j8 . "$mount")
fd_u=$(median remount fdfind -u . "$mount")
compare "sshfs plain vs fdfind -u -j8" "<= 1.0x" "$e_plain" "$fd_j8"
compare "sshfs plain vs fdfind -u -L -j8 (links followed)" "" "$e_plain" "$fd_l"
compare "sshfs plain vs fdfind -u" "" "$e_plain" "$fd_u"
compare "sshfs plain, walk alone vs read ahead" "" "$e_alone" "$e_plain"
e_ssd=$(median remount "$exporter" -sSD "$mount" -o "$work/listing.txt")
e_ssd_alone=$(median remount env VANTREL_READ_AHEAD_THREADS=0 "$exporter" -sSD "$mount" -o "$work/listing.txt")
find_p=$(median remount find "$mount" -printf '%s %t %p\n')
compare "sshfs -sSD vs find -printf" "<= 0.6x" "$e_ssd" "$find_p"
compare "sshfs -sSD, walk alone vs find -printf" "" "$e_ssd_alone" "$find_p"

for tree in /usr "$copies"; do
    name=$([[ $tree == /usr ]] && echo "/usr" || echo "${COPIES:-6} copies")
    c_plain=$(median drop_caches "$exporter" "$tree" -o "$work/listing.txt")
    c_fd=$(median drop_caches fdfind -u . "$tree")
    compare "cold $name plain vs fdfind -u" "<= 1.0x" "$c_plain" "$c_fd"
    c_ssd=$(median drop_caches "$exporter" -sSD "$tree" -o "$work/listing.txt")
    c_find=$(median drop_caches find "$tree" -printf '%s %t %p\n')
    compare "cold $name -sSD vs find -printf" "<= 0.5x" "$c_ssd" "$c_find"
done
w_plain=$(median warm "$exporter" "$copies" -o "$work/listing.txt")
w_fd=$(median warm fdfind -u -j1 . "$copies")
compare "warm ${COPIES:-6} copies plain vs fdfind -u -j1" "<= 0.9x" "$w_plain" "$w_fd"

# The same listing whatever the walk: read ahead or not, on the share.
remount
"$exporter" -sSD "$mount" -o "$work/ahead.txt"
remount
VANTREL_READ_AHEAD_THREADS=0 "$exporter" -sSD "$mount" -o "$work/alone.txt"
cmp -s "$work/ahead.txt" "$work/alone.txt" && echo "sshfs -sSD listing: identical read ahead and alone" \
    || echo "sshfs -sSD listing: DIFFERS read ahead and alone"
