#!/usr/bin/env bash
# Writes the reference output of every report form (tests/reports/reference)
# again from the build in build/, after an intended layout change; review the
# result with git diff before committing it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/deps.sh"
cd "$here/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target test_reports
# Files of forms that no longer exist go with the rest.
rm -f tests/reports/reference/*.txt
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 NETTORA_UPDATE_REFERENCES=1 \
  build/tests/test_reports --gtest_filter='Reference*:Forms/Reference*'
# The files just written must now read back as equal, and none be left over.
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
  build/tests/test_reports --gtest_filter='Reference*:Forms/Reference*'
git status --short -- tests/reports/reference
