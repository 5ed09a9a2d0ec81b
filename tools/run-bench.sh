#!/usr/bin/env bash
# Builds and runs the benchmarks (on demand, never in CI); each prints its figures.
#   tools/run-bench.sh              all of them
#   tools/run-bench.sh bench_banner one of them
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/install-deps.sh"
build="${ZEPRIL_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in "$here"/bench/bench_*.cpp; do names+=("$(basename "$f" .cpp)"); done
fi
cmake --build "$build" --target "${names[@]}" -j "$(nproc)"
for name in "${names[@]}"; do
  echo "== $name"
  if [ -n "${DISPLAY:-}" ]; then
    "$build/bench/$name"
  else
    # Windows and video need a display: a private Xvfb screen of 1280x720.
    xvfb-run -a -s "-screen 0 1280x720x24" "$build/bench/$name"
  fi
done
