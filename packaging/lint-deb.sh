#!/usr/bin/env bash
# Builds the Debian package with the sample catalogue in ${BUILD_DIR:-build-deb} (an existing
# build folder is reconfigured with the sample on) and checks what it holds: lintian must
# report no error and no warning, and appstreamcli must accept the metainfo file. Never
# installs anything.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-deb}
scripts/install-deps.sh
cmake -S . -B "$build_dir" -G Ninja -DORLANEVA_INSTALL_SAMPLE=ON >/dev/null
cmake --build "$build_dir"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls "$out"/orlaneva_*.deb)
echo "== lintian $(basename "$deb")"
lintian --fail-on error,warning "$deb"
echo "== appstreamcli validate"
dpkg-deb -x "$deb" "$out/root"
appstreamcli validate --no-net "$out"/root/usr/share/metainfo/*.metainfo.xml
echo "the package is clean"
