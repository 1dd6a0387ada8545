#!/usr/bin/env bash
# Configures and builds everything into build/; arguments go to cmake
# (e.g. -DNETTORA_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j "$(nproc)"
