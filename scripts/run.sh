#!/usr/bin/env bash
# Installs what is missing, builds, and starts Nettora. Arguments are passed
# on (for example --data-dir DIR).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/deps.sh"
"$here/build.sh"
exec "$here/../build/src/nettora" "$@"
