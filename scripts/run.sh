#!/usr/bin/env bash
# Builds the program and starts it on the sample catalogue written beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec "${BUILD_DIR:-build}/app/orlaneva"
