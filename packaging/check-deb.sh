#!/usr/bin/env bash
# Builds the Debian package with the sample catalogue, installs it on this machine, starts
# the installed program under Xvfb (once through /usr/bin/orlaneva on the sample in
# /usr/share/orlaneva, once the whole end-to-end run on a folder holding a copy of the
# installed program and of that sample) and removes the package again.
# Needs root (dpkg); not part of CI. Build folder: ${BUILD_DIR:-build-deb}.
# Run it in a network namespace of its own (unshare -n) where other copies of the program
# may be running: they allow one copy per user.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-deb}
scripts/install-deps.sh
cmake -S . -B "$build_dir" -G Ninja -DORLANEVA_INSTALL_SAMPLE=ON -DORLANEVA_BUILD_TESTS=OFF \
    -DORLANEVA_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
(cd "$build_dir" && cpack -G DEB)
deb=$(ls "$build_dir"/orlaneva_*.deb)
dpkg-deb --field "$deb" Package Version Depends Recommends
if dpkg-query -W orlaneva >/dev/null 2>&1; then
    echo "orlaneva is already installed; remove it first" >&2
    exit 1
fi
dpkg -i "$deb"
app=$(mktemp -d)
trap 'dpkg -r orlaneva >/dev/null; rm -rf "$app"' EXIT
python3 -B tests/e2e/check_install.py --run /usr/bin/orlaneva --shots "$build_dir/deb-shots"
cp -a /usr/lib/orlaneva/orlaneva /usr/share/orlaneva/. "$app"/
python3 -B tests/e2e/e2e.py --app "$app" --shots "$build_dir/deb-shots"
echo "the package installs, starts and is removed cleanly"
