#!/usr/bin/env bash
# Checks the tracked C++ files of src/, bench/ and the top level against the tree's
# .clang-format and names the files that clang-format would change; exits 1 when there
# is one, 2 when the check cannot run. Another version of clang-format formats
# differently, so only Debian 12's (14) is used.
# tests/ and fuzz/ are laid out by hand (one case per line, tables aligned in columns,
# which the formatter would spread over several lines each); their .clang-format turns
# the formatter off so that an editor leaves them as they are, and they are not checked.
#
#   tools/check-format.sh             the files above
#   tools/check-format.sh FILE...     only these
#   clang-format -i FILE...           fixes them
set -uo pipefail
cd "$(dirname "$0")/.."
formatter="${CLANG_FORMAT:-clang-format}"
if ! command -v "$formatter" >/dev/null; then
    echo "check-format: $formatter is missing; tools/install-deps.sh installs it (Debian package clang-format)" >&2
    exit 2
fi
version=$("$formatter" --version | grep -oE 'version [0-9]+' | grep -oE '[0-9]+')
if [ "$version" != 14 ]; then
    echo "check-format: $formatter is version ${version:-unknown}, the tree is formatted with 14 (Debian 12's)" >&2
    exit 2
fi
if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -vE '^(tests|fuzz)/')
fi
offending=()
for f in "${files[@]}"; do
    "$formatter" --style=file --dry-run --Werror "$f" >/dev/null 2>&1 || offending+=("$f")
done
if [ ${#offending[@]} -gt 0 ]; then
    echo "check-format: ${#offending[@]} of ${#files[@]} files are not formatted as .clang-format says:"
    printf '  %s\n' "${offending[@]}"
    echo "see what would change with: clang-format --dry-run FILE; fix with: clang-format -i FILE"
    exit 1
fi
echo "check-format: all ${#files[@]} files are formatted as .clang-format says"
