#!/usr/bin/env bash
# Fails when a C++ file of the tree is not as the project's .clang-format writes it, and
# names each such file. `tools/check-format.sh --fix` rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: SKIP (no clang-format: apt-get install clang-format)"; exit 0; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
unformatted=()
for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'not formatted as .clang-format says (tools/check-format.sh --fix):\n'
    printf '  %s\n' "${unformatted[@]}"
    exit 1
fi
echo "check-format: all ${#files[@]} C++ files as .clang-format writes them"
