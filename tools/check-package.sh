#!/usr/bin/env bash
# Builds the packages, runs lintian on them, installs them with apt into a fresh
# Debian 12 root file system (debootstrap) and checks what a hotel PC would get: no
# compiler, the user and the tree with their modes, units that systemd accepts and
# enables, the default target left alone, the polkit rule, a manual page with every
# option, a player that plays on a small tree under Xvfb without the start-up page's
# package, --check-config's verdicts; then, where systemd-nspawn can run, boots that
# same root (tools/boot-check.sh); last remove and purge. Prints the closures with and
# without the start-up page. Needs root (installs debootstrap); prints SKIP otherwise.
#
#   tools/check-package.sh [FOLDER-WITH-THE-DEBS | zepril-client.deb]
#   ZEPRIL_BOOT_CHECK=0 leaves the boot out.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -ne 0 ]; then
    echo "check-package: SKIP (needs root: debootstrap, chroot, systemd-nspawn)"
    exit 0
fi
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null 2>&1 || true
if ! command -v debootstrap >/dev/null; then
    echo "check-package: SKIP (no debootstrap, and apt-get could not install it)"
    exit 0
fi
given=${1:-$("$here/tools/build-package.sh" | tail -1)}
if [ -d "$given" ]; then debs=$(cd "$given" && pwd); else debs=$(cd "$(dirname "$given")" && pwd); fi
client=$(ls "$debs"/zepril-client_*.deb | head -1)
page=$(ls "$debs"/zepril-startup-page_*.deb | head -1)
work=$(mktemp -d /var/tmp/zepril-check.XXXXXX)
root="$work/root"
mirror=${ZEPRIL_DEBIAN_MIRROR:-http://deb.debian.org/debian}
cache=${ZEPRIL_DEBOOTSTRAP_CACHE:-/var/cache/zepril-check/bookworm-minbase.tgz}
failures=0

unmount_root() {
    for m in dev/shm dev/pts dev proc sys; do umount -l "$root/$m" 2>/dev/null || true; done
}
cleanup() {
    stop_root_processes
    unmount_root
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
apt_in_root() { in_root env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }
# Ends every process that runs inside the root, and only those: a user name would
# name another user outside it.
stop_root_processes() {
    local signal pids p
    for signal in TERM TERM TERM TERM TERM KILL; do
        pids=""
        for p in /proc/[0-9]*; do
            [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && pids="$pids ${p#/proc/}"
        done
        [ -z "$pids" ] && return 0
        kill -"$signal" $pids 2>/dev/null || true
        sleep 2
    done
}
installed_kib() { in_root dpkg-query -W -f='${Installed-Size}\n' | awk '{s+=$1} END {print s}'; }

echo "== lintian"
# Every tag it has, informational ones included, so that the log shows what was seen;
# errors and warnings fail the check.
if lintian --allow-root --fail-on error,warning --info --display-info "$debs"/*.deb >"$work/lintian.txt" 2>&1; then
    pass "lintian: no error, no warning ($(grep -c '^[IPX]:' "$work/lintian.txt" || true) informational tag(s))"
else
    fail "lintian"
fi
sed 's/^/    /' "$work/lintian.txt"

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
apt_in_root update -qq
default_link() { readlink "$root/etc/systemd/system/default.target" || echo "systemd's own"; }
target_before=$(default_link)
before=$(installed_kib)

echo "== apt-get install --no-install-recommends ./$(basename "$client")"
cp "$client" "$page" "$root/tmp/"
apt_in_root install -y -qq --no-install-recommends "/tmp/$(basename "$client")" >"$work/install.log" 2>&1 \
    || { tail -30 "$work/install.log"; fail "the package does not install"; exit 1; }
without=$(installed_kib)
echo "== apt-get install ./$(basename "$page")"
apt_in_root install -y -qq "/tmp/$(basename "$page")" >>"$work/install.log" 2>&1 \
    || { tail -30 "$work/install.log"; fail "the start-up page's package does not install"; exit 1; }
with=$(installed_kib)
echo "closure of zepril-client without the start-up page: $(( (without - before) / 1024 )) MiB ($(( without - before )) KiB)"
echo "closure of zepril-client with zepril-startup-page:   $(( (with - before) / 1024 )) MiB ($(( with - before )) KiB)"
in_root dpkg-query -W -f='${Installed-Size}\t${Package}\n' zepril-client zepril-startup-page \
    | awk '{printf "the package %s alone: %d KiB\n", $2, $1}'

compilers=$(in_root dpkg-query -W -f='${Package}\n' | grep -E '^(gcc|g\+\+|cpp|clang|build-essential|libc6-dev|cmake|debhelper)(-[0-9.]+)?$' || true)
[ -z "$compilers" ] && pass "no compiler or toolchain came with it" || fail "toolchain installed: $compilers"

in_root getent passwd zepril >/dev/null && pass "system user zepril ($(in_root id zepril))" || fail "no user zepril"
owner=$(in_root stat -c '%U:%G %a' /var/lib/zepril)
[ "$owner" = "zepril:zepril 755" ] && pass "/var/lib/zepril $owner" || fail "/var/lib/zepril is $owner"
cfgmode=$(in_root stat -c '%U %a' /var/lib/zepril/cfg/config.ini)
[ "$cfgmode" = "zepril 600" ] && pass "config.ini readable by zepril only" || fail "config.ini is $cfgmode"
for d in cfg skin videos-man/index videos-auto/documentaires; do
    [ -d "$root/var/lib/zepril/$d" ] || fail "missing /var/lib/zepril/$d"
done
[ -f "$root/usr/share/polkit-1/rules.d/50-zepril-client.rules" ] && pass "polkit rule in place" || fail "no polkit rule"
in_root dpkg-query -W -f='${Status}\n' polkitd | grep -q 'install ok installed' && pass "polkitd installed" || fail "no polkitd"
# --man=no: the minimal root has no man to look the units' manual page up with.
if in_root systemd-analyze verify --man=no /lib/systemd/system/zepril-kiosk.service \
        /lib/systemd/system/zepril-daily-reboot.service /lib/systemd/system/zepril-daily-reboot.timer >"$work/verify.log" 2>&1; then
    pass "systemd-analyze verify accepts the units"
else
    cat "$work/verify.log"; fail "systemd-analyze verify"
fi
[ -L "$root/etc/systemd/system/graphical.target.wants/zepril-kiosk.service" ] && pass "channel enabled at boot" \
    || fail "zepril-kiosk.service not enabled"
[ -L "$root/etc/systemd/system/timers.target.wants/zepril-daily-reboot.timer" ] && pass "daily-reboot timer enabled" \
    || fail "zepril-daily-reboot.timer not enabled"
target_after=$(default_link)
[ "$target_after" = "$target_before" ] && pass "default target left alone ($target_after: $(in_root systemctl get-default))" \
    || fail "the default target went from $target_before to $target_after"

# Every option the program lists must be in its manual page.
in_root zepril-client --help >"$work/help.txt" 2>&1 || true
options=$(grep -oE -- '--[a-z][a-z-]+' "$work/help.txt" | sort -u)
manual=$(zcat "$root/usr/share/man/man1/zepril-client.1.gz" | sed 's/\\-/-/g')
missing=$(for o in $options; do grep -qe "$o" <<<"$manual" || echo "$o"; done)
if [ -n "$options" ] && [ -z "$missing" ]; then
    pass "the manual page has every option of --help: $(echo $options)"
else
    cat "$work/help.txt"; fail "the manual page lacks: ${missing:-(no option in --help)}"
fi

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
in_root chown -R zepril:zepril /var/lib/zepril
in_root chmod 600 /var/lib/zepril/cfg/config.ini
# A start-up page address kept from an earlier start-up, so that the start-up window
# has a page to show while the update server cannot be reached.
printf 'http://127.0.0.1:9/\r\n' > "$root/var/lib/zepril/cfg/url.dat"
in_root chown zepril:zepril /var/lib/zepril/cfg/url.dat
if in_root runuser -u zepril -- env ZEPRIL_HOME=/var/lib/zepril zepril-client --check-config >"$work/demo.txt" 2>&1; then
    pass "--check-config passes the demo tree"
else
    cat "$work/demo.txt"; fail "--check-config fails the demo tree"
fi

echo "== the installed player on the demo tree, as zepril, under Xvfb, without the start-up page's package"
apt_in_root remove -y -qq zepril-startup-page >/dev/null 2>&1
apt_in_root install -y -qq --no-install-recommends xvfb xauth >/dev/null 2>&1
in_root runuser -u zepril -- env ZEPRIL_HOME=/var/lib/zepril QT_LOGGING_RULES='zepril.*.debug=false' \
    timeout 150 xvfb-run -a -s '-screen 0 1280x720x24' zepril-client >"$work/player.log" 2>&1 &
player=$!
for _ in $(seq 1 140); do
    grep -q 'zepril.player: playing' "$work/player.log" && [ -s "$root/var/lib/zepril/status.json" ] && break
    sleep 1
done
grep -q 'zepril.player: playing' "$work/player.log" && pass "the player plays: $(grep -m1 'zepril.player: playing' "$work/player.log" | cut -c1-100)" \
    || { tail -20 "$work/player.log"; fail "no playing line"; }
grep -q 'page area stays blank' "$work/player.log" \
    && pass "without zepril-startup-page the page's area stays blank: $(grep -m1 'page area stays blank' "$work/player.log" | cut -c1-140)" \
    || fail "no line about the missing start-up page helper"
[ -s "$root/var/lib/zepril/status.json" ] && pass "status file written" || fail "no status file"
in_root runuser -u zepril -- env ZEPRIL_HOME=/var/lib/zepril zepril-client --status >"$work/status.txt" 2>&1 \
    && grep -q '"state"' "$work/status.txt" && pass "--status prints the state" || fail "--status"
stop_root_processes
wait "$player" 2>/dev/null || true
apt_in_root install -y -qq "/tmp/$(basename "$page")" >/dev/null 2>&1 || fail "zepril-startup-page does not install again"

if [ "${ZEPRIL_BOOT_CHECK:-1}" = 0 ]; then
    echo "== boot: left out (ZEPRIL_BOOT_CHECK=0)"
else
    echo "== the same root booted with systemd as PID 1"
    unmount_root
    rm -f "$root/usr/sbin/policy-rc.d"
    "$here/tools/boot-check.sh" "$root" "$work" || fail "the booted checks"
    printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
    chmod +x "$root/usr/sbin/policy-rc.d"
    mount -t proc proc "$root/proc"
    mount --bind /dev "$root/dev"
fi

echo "== remove keeps the tree, purge deletes it"
apt_in_root remove -y -qq zepril-client >/dev/null 2>&1
[ -f "$root/var/lib/zepril/cfg/config.ini" ] && pass "remove keeps /var/lib/zepril" || fail "remove deleted the tree"
apt_in_root purge -y -qq zepril-client >/dev/null 2>&1
[ ! -e "$root/var/lib/zepril" ] && pass "purge deletes /var/lib/zepril" || fail "purge left /var/lib/zepril"
[ ! -e "$root/etc/systemd/system/graphical.target.wants/zepril-kiosk.service" ] && pass "purge disables the channel" \
    || fail "zepril-kiosk.service still enabled after purge"

echo "check-package: $failures failure(s)"
[ "$failures" -eq 0 ]
