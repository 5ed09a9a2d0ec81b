#!/usr/bin/env bash
# Builds and runs the benchmarks (on demand, never in CI); each prints its figures.
#   tools/run-bench.sh              all of them
#   tools/run-bench.sh bench_banner one of them
# bench_vs_mpv and bench_day drive the real player binary (tools/bench_<name>.py) and run
# only when named: they take about 20 minutes each.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/install-deps.sh"
build="${ZEPRIL_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in "$here"/bench/bench_*.cpp; do names+=("$(basename "$f" .cpp)"); done
fi
targets=()
for name in "${names[@]}"; do
  if [ -f "$here/tools/$name.py" ]; then targets+=(zepril-client); else targets+=("$name"); fi
  # bench_vs_mpv --bare also runs the player's media player alone.
  if [ "$name" = bench_vs_mpv ]; then targets+=(bare_player); fi
done
# The player as it runs: with its start-up page helper when the build has one.
if [[ " ${targets[*]} " == *" zepril-client "* ]] && grep -q '^ZEPRIL_WITH_WEBENGINE:BOOL=ON' "$build/CMakeCache.txt"; then
  targets+=(zepril-startup-page)
fi
cmake --build "$build" --target "${targets[@]}" -j "$(nproc)"
for name in "${names[@]}"; do
  echo "== $name"
  if [ -f "$here/tools/$name.py" ]; then
    /usr/bin/python3 "$here/tools/$name.py" --build "$build"
    continue
  fi
  if [ -n "${DISPLAY:-}" ]; then
    "$build/bench/$name"
  else
    # Windows and video need a display: a private Xvfb screen of 1280x720.
    xvfb-run -a -s "-screen 0 1280x720x24" "$build/bench/$name"
  fi
done
