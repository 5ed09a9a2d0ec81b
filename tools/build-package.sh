#!/usr/bin/env bash
# Builds the Debian package of the appliance (Release, without the test suite) and
# prints the path of the .deb on its last line.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/install-deps.sh"
build="${ZEPRIL_PACKAGE_BUILD_DIR:-$here/build-package}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEPRIL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
ls -t "$build"/zepril-client_*.deb | head -1
