#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded
# time (seconds, default 30) on its own corpus, which grows from run to run. Prints
# the runs and the coverage of each target; exits non-zero when one of them finds a
# crash, a sanitizer report or a broken property (the input is kept in build-fuzz/findings/).
set -uo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
build=build-fuzz

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DZEPRIL_FUZZ=ON "${launcher[@]}" >/dev/null || exit 2
nice cmake --build "$build" -j2 || exit 2

# Qt's logging is silenced by the targets; halt on the first sanitizer report.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
status=0
mkdir -p "$build/findings"
for target in "$build"/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name="$(basename "$target")"
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    seeds=()
    [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
    log="$build/$name.log"
    "$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
              -artifact_prefix="$build/findings/$name-" "$corpus" "${seeds[@]}" >"$log" 2>&1
    rc=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    cov=$(grep -oE '#[0-9]+.*(DONE|pulse|NEW|REDUCE).*cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+')
    if [ "$rc" -eq 0 ]; then
        printf '%-18s %8s runs  %s  corpus %s files  no finding\n' "$name" "${runs:-?}" "${cov:-cov: ?}" "$(ls "$corpus" | wc -l)"
    else
        printf '%-18s FINDING (exit %s), see %s and %s/findings/\n' "$name" "$rc" "$log" "$build"
        grep -m5 -E 'ERROR|SUMMARY|runtime error|deadly signal' "$log" | sed 's/^/    /'
        status=1
    fi
done
exit "$status"
