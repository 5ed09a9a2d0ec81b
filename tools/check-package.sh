#!/usr/bin/env bash
# Builds the package, installs it with apt into a fresh Debian 12 root file system
# (debootstrap) and checks what a hotel PC would get: no compiler, the user and the
# tree with their modes, units that systemd accepts, the polkit rule, a player that
# plays on a small tree under Xvfb and writes its status file, --check-config's
# verdicts, and remove/purge. Needs root and debootstrap; prints SKIP otherwise.
#
#   tools/check-package.sh [DEB]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -ne 0 ] || ! command -v debootstrap >/dev/null; then
    echo "check-package: SKIP (needs root and debootstrap)"
    exit 0
fi
deb=${1:-$("$here/tools/build-package.sh" | tail -1)}
work=$(mktemp -d /var/tmp/zepril-check.XXXXXX)
root="$work/root"
mirror=${ZEPRIL_DEBIAN_MIRROR:-http://deb.debian.org/debian}
cache=${ZEPRIL_DEBOOTSTRAP_CACHE:-/var/cache/zepril-check/bookworm-minbase.tgz}
failures=0

cleanup() {
    for m in dev/shm dev/pts dev proc sys; do umount -l "$root/$m" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

echo "== a fresh Debian 12 ($mirror)"
mkdir -p "$(dirname "$cache")"
if [ ! -s "$cache" ]; then
    debootstrap --variant=minbase --make-tarball="$cache" bookworm "$work/tarball" "$mirror" >/dev/null
fi
debootstrap --variant=minbase --unpack-tarball="$cache" bookworm "$root" "$mirror" >/dev/null
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
# A shared-memory folder of the check's own, writable by every user as on a real PC.
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# No service starts inside the check's root.
printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
in_root apt-get update -qq
before=$(in_root dpkg-query -W -f='${Installed-Size}\n' | awk '{s+=$1} END {print s}')

echo "== apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "/tmp/$(basename "$deb")" >"$work/install.log" 2>&1 \
    || { tail -30 "$work/install.log"; fail "the package does not install"; exit 1; }
after=$(in_root dpkg-query -W -f='${Installed-Size}\n' | awk '{s+=$1} END {print s}')
echo "installed size of the package and its dependency closure: $(( (after - before) / 1024 )) MiB"
in_root dpkg-query -W -f='${Installed-Size}\t${Package}\n' zepril-client | awk '{printf "the package alone: %d KiB\n", $1}'

compilers=$(in_root dpkg-query -W -f='${Package}\n' | grep -E '^(gcc|g\+\+|cpp|clang|build-essential|libc6-dev|cmake)(-[0-9.]+)?$' || true)
[ -z "$compilers" ] && pass "no compiler or toolchain came with it" || fail "toolchain installed: $compilers"

in_root getent passwd zepril >/dev/null && pass "system user zepril" || fail "no user zepril"
owner=$(in_root stat -c '%U:%G %a' /var/lib/zepril)
[ "$owner" = "zepril:zepril 755" ] && pass "/var/lib/zepril $owner" || fail "/var/lib/zepril is $owner"
cfgmode=$(in_root stat -c '%U %a' /var/lib/zepril/cfg/config.ini)
[ "$cfgmode" = "zepril 600" ] && pass "config.ini readable by zepril only" || fail "config.ini is $cfgmode"
for d in cfg skin videos-man/index videos-auto/documentaires; do
    [ -d "$root/var/lib/zepril/$d" ] || fail "missing /var/lib/zepril/$d"
done
[ -f "$root/usr/share/polkit-1/rules.d/50-zepril-client.rules" ] && pass "polkit rule in place" || fail "no polkit rule"
in_root dpkg-query -W -f='${Status}\n' polkitd | grep -q 'install ok installed' && pass "polkitd installed" || fail "no polkitd"
if in_root systemd-analyze verify /lib/systemd/system/zepril-kiosk.service \
        /lib/systemd/system/zepril-daily-reboot.service /lib/systemd/system/zepril-daily-reboot.timer >"$work/verify.log" 2>&1; then
    pass "systemd-analyze verify accepts the units"
else
    cat "$work/verify.log"; fail "systemd-analyze verify"
fi
[ -L "$root/etc/systemd/system/graphical.target.wants/zepril-kiosk.service" ] && pass "channel enabled at boot" \
    || fail "zepril-kiosk.service not enabled"

echo "== --check-config on an empty tree and on a small demo tree"
in_root runuser -u zepril -- env ZEPRIL_HOME=/var/lib/zepril zepril-client --check-config >"$work/empty.txt" 2>&1 \
    && status=0 || status=$?
if [ "$status" -ne 0 ] && grep -q 'screen would stay black' "$work/empty.txt"; then
    pass "--check-config fails on the empty tree (status $status): $(grep -m1 'black' "$work/empty.txt")"
else
    cat "$work/empty.txt"; fail "--check-config on the empty tree: status $status"
fi
# Ports 9 (discard) are closed here: every fetch fails at once and manual mode plays
# the local videos.
/usr/bin/python3 "$here/tools/make_demo.py" "$work/demo" 9 9 >/dev/null
cp -r "$work/demo/home/." "$root/var/lib/zepril/"
chown -R 1:1 "$root/var/lib/zepril" && in_root chown -R zepril:zepril /var/lib/zepril
in_root chmod 600 /var/lib/zepril/cfg/config.ini
if in_root runuser -u zepril -- env ZEPRIL_HOME=/var/lib/zepril zepril-client --check-config >"$work/demo.txt" 2>&1; then
    pass "--check-config passes the demo tree"
else
    cat "$work/demo.txt"; fail "--check-config fails the demo tree"
fi

echo "== the installed player on the demo tree, as zepril, under Xvfb"
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xvfb xauth >/dev/null 2>&1
in_root runuser -u zepril -- env ZEPRIL_HOME=/var/lib/zepril QT_LOGGING_RULES='zepril.*.debug=false' \
    timeout 150 xvfb-run -a -s '-screen 0 1280x720x24' zepril-client >"$work/player.log" 2>&1 &
player=$!
for _ in $(seq 1 140); do
    grep -q 'zepril.player: playing' "$work/player.log" && [ -s "$root/var/lib/zepril/status.json" ] && break
    sleep 1
done
grep -q 'zepril.player: playing' "$work/player.log" && pass "the player plays: $(grep -m1 'zepril.player: playing' "$work/player.log" | cut -c1-100)" \
    || { tail -20 "$work/player.log"; fail "no playing line"; }
[ -s "$root/var/lib/zepril/status.json" ] && pass "status file written" || fail "no status file"
in_root runuser -u zepril -- env ZEPRIL_HOME=/var/lib/zepril zepril-client --status >"$work/status.txt" 2>&1 \
    && grep -q '"state"' "$work/status.txt" && pass "--status prints the state" || fail "--status"
kill "$player" 2>/dev/null || true
in_root pkill -u zepril 2>/dev/null || true
wait "$player" 2>/dev/null || true

echo "== remove keeps the tree, purge deletes it"
in_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq zepril-client >/dev/null 2>&1
[ -f "$root/var/lib/zepril/cfg/config.ini" ] && pass "remove keeps /var/lib/zepril" || fail "remove deleted the tree"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq zepril-client >/dev/null 2>&1
[ ! -e "$root/var/lib/zepril" ] && pass "purge deletes /var/lib/zepril" || fail "purge left /var/lib/zepril"

echo "check-package: $failures failure(s)"
[ "$failures" -eq 0 ]
