#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the fuzzers, the benchmarks and the
# package checks need.
# Idempotent: prints nothing and touches nothing when everything is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git clang-format
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    libsqlite3-dev sqlite3 libjpeg62-turbo-dev
    mdbtools mdbtools-dev libglib2.0-dev
    fonts-dejavu-core xdg-utils
    xvfb xauth x11-apps xdotool imagemagick python3 desktop-file-utils
    clang libclang-rt-14-dev
    lintian appstream
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
