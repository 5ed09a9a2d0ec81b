#!/usr/bin/env bash
# Builds the player and runs the whole test suite (installs what it needs first).
#   tools/run-tests.sh              the normal build, in build/
#   tools/run-tests.sh --sanitize   everything built with ASan and UBSan, in build-asan/
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/install-deps.sh"
# promtool checks the metrics and the alert rules; their tests say they skipped without it.
if promtool_dir=$("$here/tools/fetch-promtool.sh"); then
    export PATH="$promtool_dir:$PATH"
else
    echo "promtool could not be fetched: the checks that need it will say they skipped"
fi
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
build="${ZEPRIL_BUILD_DIR:-$here/build}"
if [ "${1:-}" = "--sanitize" ]; then
    options+=(-DZEPRIL_SANITIZE=ON)
    build="${ZEPRIL_BUILD_DIR:-$here/build-asan}"
fi
command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$here" -B "$build" -G Ninja "${options[@]}"
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
