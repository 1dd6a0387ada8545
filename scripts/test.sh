#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/deps.sh"
"$here/build.sh"
cd "$here/../build"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
ctest -j "$(nproc)" --output-on-failure --timeout 300
