#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   scripts/test.sh             the normal build in build/, warnings as errors
#   scripts/test.sh --sanitize  a build with AddressSanitizer and
#                               UndefinedBehaviorSanitizer in build-sanitize/
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/deps.sh"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
if [[ "${1:-}" == "--sanitize" ]]; then
  cd "$here/.."
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNETTORA_SANITIZE=ON \
    -DNETTORA_BUILD_BENCH=OFF >/dev/null
  cmake --build build-sanitize -j "$(nproc)"
  cd build-sanitize
  # Qt keeps some allocations until the process ends; leaks are not faults here.
  export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  ctest -j "$(nproc)" --output-on-failure --timeout 600
  exit
fi
# A new warning fails the run, as a failing test would.
"$here/build.sh" -DNETTORA_WERROR=ON
cd "$here/../build"
ctest -j "$(nproc)" --output-on-failure --timeout 300
