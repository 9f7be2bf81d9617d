#!/usr/bin/env bash
# Builds the Debian package with the sample catalogue, installs it on this machine, starts
# the installed program under Xvfb (once through /usr/bin/orlaneva, once the whole
# end-to-end run on a copy of /usr/lib/orlaneva) and removes the package again.
# Needs root (dpkg); not part of CI. Build folder: ${BUILD_DIR:-build-deb}.
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
trap 'dpkg -r orlaneva >/dev/null' EXIT
python3 -B tests/e2e/check_install.py --run /usr/bin/orlaneva --shots "$build_dir/deb-shots"
python3 -B tests/e2e/e2e.py --app /usr/lib/orlaneva --shots "$build_dir/deb-shots"
echo "the package installs, starts and is removed cleanly"
