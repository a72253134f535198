#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and only
# those that are missing. Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

build_packages=(
    build-essential cmake ccache pkg-config dpkg-dev librsvg2-bin python3
    qt6-base-dev qt6-base-dev-tools qt6-base-private-dev qt6-l10n-tools libqt6opengl6-dev libgl-dev libglx-dev
    libgtest-dev libgmock-dev libicu-dev
    fonts-liberation fonts-dejavu-core adwaita-icon-theme qt6-translations-l10n
)
test_packages=(
    libreoffice-writer-nogui poppler-utils xvfb xauth clang-format
    desktop-file-utils appstream lintian man-db bash-completion time
)
fuzz_packages=(
    clang libclang-rt-14-dev
)
# The peers the benchmarks measure the export against, /usr/bin/time for peak memory,
# and the SSH server and sshfs that the share benchmark mounts over the loopback.
bench_packages=(
    fd-find tree time openssh-server openssh-client sshfs
)

want=("${build_packages[@]}")
case "${1:-}" in
--with-test-tools) want+=("${test_packages[@]}") ;;
--with-fuzz-tools) want+=("${fuzz_packages[@]}") ;;
--with-bench-tools) want+=("${bench_packages[@]}") ;;
esac

missing=()
for pkg in "${want[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

echo "Installing missing packages: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
    sudo=()
elif command -v sudo >/dev/null; then
    sudo=(sudo)
else
    echo "error: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
