#!/usr/bin/env bash
# Builds the Debian packages of the appliance with dpkg-buildpackage from a copy of the
# tree (the build writes into debian/ and next to the source) and prints the path of
# the zepril-client .deb on its last line; zepril-startup-page's and the -dbgsym
# packages lie beside it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/install-deps.sh"
out="${ZEPRIL_PACKAGE_BUILD_DIR:-$here/build-package}"
version=$(dpkg-parsechangelog -l "$here/debian/changelog" -S Version)
src="$out/zepril-client-$version"
rm -rf "$src" "$out"/*.deb "$out"/*.ddeb "$out"/*.changes "$out"/*.buildinfo
mkdir -p "$src"
# The files git knows, as they are in the worktree (edits included).
(cd "$here" && git ls-files -z --cached --others --exclude-standard \
    | tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$src"
# ccache the Debian way, when it is there: rebuilds of an unchanged tree are quick.
# debhelper gives the build a HOME of its own, so ccache's settings go by environment.
if [ -d /usr/lib/ccache ] && command -v ccache >/dev/null; then
    export PATH="/usr/lib/ccache:$PATH"
    config=${CCACHE_CONFIGPATH:-${XDG_CONFIG_HOME:-$HOME/.config}/ccache/ccache.conf}
    [ -f "$config" ] && export CCACHE_CONFIGPATH="$config"
    export CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir)}"
fi
(cd "$src" && DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" \
    dpkg-buildpackage -b -us -uc >"$out/dpkg-buildpackage.log" 2>&1) \
    || { tail -40 "$out/dpkg-buildpackage.log" >&2; exit 1; }
ls "$out"/zepril-client_"$version"_*.deb
