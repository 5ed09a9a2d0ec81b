#!/usr/bin/env bash
# Prints a directory that holds promtool (the checker of Prometheus files), for PATH.
# promtool alone comes out of Debian's package prometheus (apt-get download, unpacked),
# so that checking files does not install, and start, a Prometheus server here.
set -euo pipefail
if command -v promtool >/dev/null; then
    dirname "$(command -v promtool)"
    exit 0
fi
here=$(cd "$(dirname "$0")/.." && pwd)
dir="$here/build-tools/promtool"
if [ ! -x "$dir/promtool" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    chmod 755 "$work" # apt-get download runs as _apt where it can
    (cd "$work" && apt-get download -qq prometheus >&2)
    dpkg-deb --fsys-tarfile "$work"/prometheus_*.deb | tar -x -C "$work" ./usr/bin/promtool
    mkdir -p "$dir"
    mv "$work/usr/bin/promtool" "$dir/promtool"
fi
echo "$dir"
