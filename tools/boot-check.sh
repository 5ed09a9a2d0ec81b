#!/usr/bin/env bash
# Boots a Debian 12 root where the packages are installed, with systemd as PID 1
# (systemd-nspawn), and drives the channel as a hotel's life would: it comes up and
# plays, a killed player is back, a frozen one is restarted by the watchdog, the service
# user may reboot and another user may not, a start-up whose downloads outlast the
# start timeout is not cut, repeated failures space the starts out without ever
# leaving the unit failed, until a run that lasted starts the count again, and what a
# killed X server leaves behind does not hold the next start up. Prints the time from boot to READY and from a kill to the
# first video.
#
#   tools/boot-check.sh              builds, installs and boots through check-package.sh
#   tools/boot-check.sh ROOT WORK    boots ROOT, where check-package.sh installed the
#                                    packages and the demo tree (WORK: its scratch folder)
#
# The container has no VT and no DRM, so three stand-ins are put in, and only these:
#   - /usr/local/bin/Xorg, first on the unit's PATH, starts Xvfb with the display, -auth,
#     -s 0 and -displayfd it is given (it fails while the check asks it to, see below);
#   - a drop-in of zepril-kiosk.service: StandardInput=null instead of tty7, no TTY
#     reset or hangup;
#   - pam_loginuid optional in /etc/pam.d/login (the container may not set a login uid).
# logind, polkit, the journal, the watchdog, Restart= and the package's own files are
# the real ones. Two phases shorten a time in a drop-in of their own, and say so: the
# slow start-up sets TimeoutStartSec to 40 s, so that downloads longer than the start
# timeout take a minute and a half, not five; the reset counts a run of 20 s, not 10
# minutes, as one that lasted.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -eq 0 ]; then
    exec "$here/tools/check-package.sh"
fi
root=$1
work=$2
if [ "$(id -u)" -ne 0 ]; then
    echo "boot-check: SKIP (needs root)"
    exit 0
fi
if ! command -v systemd-nspawn >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq systemd-container >/dev/null 2>&1 || true
fi
if ! command -v systemd-nspawn >/dev/null; then
    echo "boot-check: SKIP (no systemd-nspawn: apt-get install systemd-container)"
    exit 0
fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
monotonic() { /usr/bin/python3 -c 'import time; print("%.3f" % time.monotonic())'; }
seconds_between() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }

flags=/var/lib/zepril-boot-check
mkdir -p "$root$flags" "$root/usr/local/bin" "$root/etc/systemd/system/zepril-kiosk.service.d"
cat > "$root/usr/local/bin/Xorg" <<'EOF'
#!/bin/sh
# boot-check's stand-in for the X server: Xvfb with the display, -auth, -s and
# -displayfd the session asks for (the container has no VT and no DRM).
display=:0 auth= saver=0 displayfd=
while [ $# -gt 0 ]; do
    case "$1" in
        :*) display=$1 ;;
        -auth) auth=$2; shift ;;
        -s) saver=$2; shift ;;
        -displayfd) displayfd=$2; shift ;;
    esac
    shift
done
if [ -e /var/lib/zepril-boot-check/x-fails ]; then
    echo "boot-check's X server is made to fail" >&2
    exit 1
fi
exec Xvfb "$display" -screen 0 1280x720x24 -nolisten tcp -auth "$auth" -s "$saver" ${displayfd:+-displayfd "$displayfd"}
EOF
chmod 755 "$root/usr/local/bin/Xorg"
cat > "$root/etc/systemd/system/zepril-kiosk.service.d/boot-check.conf" <<'EOF'
# boot-check: the container has no tty7.
[Service]
StandardInput=null
TTYReset=no
TTYVHangup=no
EOF
sed -i 's/^\(session\s\+\)required\(\s\+pam_loginuid.so\)/\1optional\2/' "$root/etc/pam.d/login"
chroot "$root" useradd --no-create-home --shell /usr/sbin/nologin guest 2>/dev/null || true

echo "== boot"
booted_at=$(monotonic)
systemd-nspawn -q -b -D "$root" --register=no --keep-unit --console=read-only >"$work/console.log" 2>&1 &
nspawn=$!
leader=
for _ in $(seq 1 100); do
    for p in $(pgrep -P "$nspawn" || true); do
        grep -qE '^NSpid:.*\s1$' "/proc/$p/status" 2>/dev/null && leader=$p
    done
    [ -n "$leader" ] && break
    sleep 0.1
done
if [ -z "$leader" ]; then
    cat "$work/console.log"; echo "FAIL: the container did not boot"; exit 1
fi
in_box() { nsenter -t "$leader" -m -u -i -n -p -- env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
shutdown_box() {
    kill "$nspawn" 2>/dev/null || true
    for _ in $(seq 1 60); do kill -0 "$nspawn" 2>/dev/null || return 0; sleep 0.5; done
    kill -KILL "$nspawn" 2>/dev/null || true
}
trap shutdown_box EXIT
unit() { in_box systemctl show -P "$1" zepril-kiosk.service; }
# Waits up to $1 s until the unit is active and says "playing", READY having come
# after monotonic time $2 (0: any); prints the monotonic time of that READY.
wait_playing() {
    local deadline=$((SECONDS + $1)) since=${2:-0} at
    while [ $SECONDS -lt $deadline ]; do
        if [ "$(unit ActiveState 2>/dev/null)" = active ] && [ "$(unit StatusText 2>/dev/null)" = playing ]; then
            at=$(awk -v us="$(unit ActiveEnterTimestampMonotonic)" 'BEGIN { printf "%.3f", us / 1e6 }')
            if awk -v a="$at" -v s="$since" 'BEGIN { exit !(a > s) }'; then
                echo "$at"
                return 0
            fi
        fi
        sleep 0.2
    done
    return 1
}
# The unit's journal lines after monotonic time $1, each led by its monotonic time.
journal_after() {
    in_box journalctl -q -u zepril-kiosk.service -o short-monotonic --no-pager \
        | awk -v t="$1" '{ s = $0; sub(/^\[ */, "", s); split(s, f, "]"); if (f[1] + 0 > t + 0) print f[1] + 0, $0 }'
}
# The first of those lines that matches $2 (read to the end: an early exit would
# break the pipe, and the pipeline would fail).
journal_line_after() { journal_after "$1" | awk -v re="$2" '!found && $0 ~ re { print; found = 1 }'; }
# Its monotonic time.
journal_first_after() { journal_line_after "$@" | cut -d' ' -f1; }
show_journal() { in_box journalctl -q -u zepril-kiosk.service --no-pager -n "${1:-25}" | sed 's/^/    /'; }

for _ in $(seq 1 120); do
    state=$(in_box systemctl is-system-running 2>/dev/null || true)
    case "$state" in running | degraded) break ;; esac
    sleep 0.5
done
pass "systemd is up in the container: $state ($(in_box systemctl --version | sed -n 1p))"

if ready=$(wait_playing 240); then
    pass "the channel is active and playing; boot to READY: $(seconds_between "$booted_at" "$ready") s"
else
    show_journal 40; fail "the channel did not become active and playing"
fi

echo "== the right to reboot (logind's CanReboot)"
can_zepril=$(in_box runuser -u zepril -- busctl call org.freedesktop.login1 /org/freedesktop/login1 org.freedesktop.login1.Manager CanReboot 2>&1 || true)
can_guest=$(in_box runuser -u guest -- busctl call org.freedesktop.login1 /org/freedesktop/login1 org.freedesktop.login1.Manager CanReboot 2>&1 || true)
[ "$can_zepril" = 's "yes"' ] && pass "zepril may reboot: $can_zepril" || fail "CanReboot for zepril: $can_zepril"
case "$can_guest" in 's "challenge"' | 's "no"') pass "another user may not: $can_guest" ;; *) fail "CanReboot for guest: $can_guest" ;; esac

echo "== the daily-reboot timer's decision"
in_box systemctl is-active --quiet zepril-daily-reboot.timer && pass "zepril-daily-reboot.timer is active" \
    || fail "zepril-daily-reboot.timer is not active"
if in_box systemctl start zepril-daily-reboot.service; then
    pass "reboot-if-due decides without error outside the reboot minute (the container is still up)"
else
    in_box journalctl -q -u zepril-daily-reboot.service --no-pager -n 5 | sed 's/^/    /'
    fail "zepril-daily-reboot.service failed"
fi

echo "== a killed player"
pid=$(unit MainPID)
restarts=$(unit NRestarts)
killed_at=$(monotonic)
in_box sh -c 'kill -KILL "$1"' sh "$pid"
if ready=$(wait_playing 180 "$killed_at") && [ "$(unit NRestarts)" -gt "$restarts" ]; then
    first=$(journal_first_after "$killed_at" 'zepril.player: playing')
    pass "the player is back (pid $pid -> $(unit MainPID)); kill to the first video: $(seconds_between "$killed_at" "${first:-$ready}") s, to READY: $(seconds_between "$killed_at" "$ready") s"
else
    show_journal; fail "the killed player did not come back"
fi

echo "== a frozen player (SIGSTOP)"
pid=$(unit MainPID)
stopped_at=$(monotonic)
in_box sh -c 'kill -STOP "$1"' sh "$pid"
if ready=$(wait_playing 240 "$stopped_at") && [ "$(unit MainPID)" != "$pid" ]; then
    pass "the watchdog restarted it: $(in_box journalctl -q -u zepril-kiosk.service --no-pager -g 'Watchdog timeout' | tail -1 | cut -c1-120); stop to READY again: $(seconds_between "$stopped_at" "$ready") s"
else
    show_journal; fail "the frozen player was not restarted"
fi

echo "== repeated failures: the X server cannot start"
touch "$root$flags/x-fails"
failing_from=$(monotonic)
in_box systemctl restart --no-block zepril-kiosk.service
states=""
for _ in $(seq 1 200); do
    states="$states $(unit ActiveState)"
    [ -n "$(journal_first_after "$failing_from" '3 failure\\(s\\) in a row')" ] && break
    sleep 0.3
done
rm -f "$root$flags/x-fails"
journal_after "$failing_from" | cut -d' ' -f2- \
    | grep -E 'X server did not start|failure\(s\) in a row|starting the channel in' | sed 's/^/    /'
delays=$(journal_after "$failing_from" | sed -n 's/.*failure(s) in a row, next start in \([0-9]*\) s$/\1/p' | awk 'NR <= 3' | xargs echo -n)
[ "$delays" = "0 5 15" ] && pass "each failure says why, and the delay grows: next start in $delays s" \
    || fail "restart delays after 1, 2, 3 failures: '$delays' (0 5 15 expected)"
seen=$(tr ' ' '\n' <<<"$states" | grep -v '^$' | sort | uniq -c | awk '{ printf "%s%s %d", n++ ? ", " : "", $2, $1 }')
grep -qw failed <<<"$states" && fail "the unit was seen failed ($seen)" \
    || pass "the unit was never failed (states seen every 0.3 s: $seen)"
if ready=$(wait_playing 120 "$failing_from"); then
    pass "once X can start, the channel is back by itself: $(seconds_between "$failing_from" "$ready") s after the first failure"
else
    show_journal; fail "the channel did not come back after the failures"
fi

echo "== a run that lasted starts the count again"
cat > "$root/etc/systemd/system/zepril-kiosk.service.d/boot-check-lasted.conf" <<'EOF'
# boot-check: a run of 20 s counts as one that lasted, instead of 10 minutes.
[Service]
Environment=ZEPRIL_RUN_LASTED_SECONDS=20
EOF
in_box systemctl daemon-reload
sleep 22
pid=$(unit MainPID)
killed_at=$(monotonic)
in_box sh -c 'kill -KILL "$1"' sh "$pid"
if ready=$(wait_playing 120 "$killed_at"); then
    line=$(journal_line_after "$killed_at" 'in a row, next start in' | cut -d' ' -f2-)
    case "$line" in
        *"1 failure(s) in a row, next start in 0 s") pass "after 3 failures and a run that lasted, a kill counts as the first: ${line#*]: }" ;;
        *) fail "the count did not start again after a run that lasted: ${line:-no line}" ;;
    esac
    pass "kill to READY again: $(seconds_between "$killed_at" "$ready") s"
else
    show_journal; fail "the killed player did not come back"
fi
rm -f "$root/etc/systemd/system/zepril-kiosk.service.d/boot-check-lasted.conf"
in_box systemctl daemon-reload

echo "== what a killed X server leaves behind"
in_box systemctl stop zepril-kiosk.service
# A lock naming a process that is gone and a socket file nobody listens on, as a
# server killed with SIGKILL leaves them, owned by the channel's user.
in_box runuser -u zepril -- sh -c 'printf "%10d\n" 999999 > /tmp/.X0-lock; mkdir -p /tmp/.X11-unix; rm -f /tmp/.X11-unix/X0; : > /tmp/.X11-unix/X0'
stale_from=$(monotonic)
in_box systemctl start --no-block zepril-kiosk.service
if ready=$(wait_playing 120 "$stale_from"); then
    line=$(journal_line_after "$stale_from" 'stale X lock' | cut -d' ' -f2-)
    [ -n "$line" ] && pass "the stale lock and socket are removed first: ${line#*]: }; start to READY: $(seconds_between "$stale_from" "$ready") s" \
        || fail "no line about the stale X lock"
else
    show_journal; fail "the channel did not start over a stale X lock and socket"
fi

echo "== a start-up that downloads for longer than the start timeout"
/usr/bin/python3 "$here/tools/make_demo.py" "$work/slow" 0 9 --auto >/dev/null
# Sized so that the downloads take about 75 s, twice the start timeout set below.
kib=$(du -sk "$work/slow/www/videos" | cut -f1)
rate=$(( kib / 75 > 1 ? kib / 75 : 1 ))
/usr/bin/python3 "$here/tools/demo_server.py" "$work/slow/www" 0 "$rate" >"$work/slow-server.log" 2>&1 &
server=$!
for _ in $(seq 1 50); do grep -q '^PORT' "$work/slow-server.log" && break; sleep 0.1; done
port=$(awk '/^PORT/ { print $2; exit }' "$work/slow-server.log")
/usr/bin/python3 "$here/tools/make_demo.py" "$work/slow" "$port" 9 --auto >/dev/null
in_box systemctl stop zepril-kiosk.service
rm -rf "$root/var/lib/zepril"/{videos-man,videos-auto,cfg,skin}
cp -r "$work/slow/home/." "$root/var/lib/zepril/"
in_box chown -R zepril:zepril /var/lib/zepril
in_box chmod 600 /var/lib/zepril/cfg/config.ini
cat > "$root/etc/systemd/system/zepril-kiosk.service.d/boot-check-slow.conf" <<'EOF'
# boot-check: a start timeout of 40 s, so that downloads of 75 s outlast it.
[Service]
TimeoutStartSec=40
EOF
in_box systemctl daemon-reload
started_at=$(monotonic)
in_box systemctl start --no-block zepril-kiosk.service
pid=
for _ in $(seq 1 50); do pid=$(unit MainPID); [ "$pid" != 0 ] && break; sleep 0.2; done
# A start by hand sets the count of automatic restarts back to 0.
restarts=$(unit NRestarts)
sleep 45
midway="$(unit ActiveState) ($(unit SubState)) at 45 s, status \"$(unit StatusText)\""
if ready=$(wait_playing 300 "$started_at"); then
    took=$(seconds_between "$started_at" "$ready")
    cut_short=$(journal_first_after "$started_at" 'start-up did not finish in time|timed out')
    if awk -v t="$took" 'BEGIN { exit !(t <= 40) }'; then
        fail "READY came after $took s, within the start timeout of 40 s: this proves nothing (the server sent too fast)"
    elif [ "$(unit NRestarts)" = "$restarts" ] && [ "$(unit MainPID)" = "$pid" ] && [ -z "$cut_short" ]; then
        pass "the start-up was not cut: READY after $took s with a start timeout of 40 s ($kib KiB at $rate KiB/s), same pid, no restart"
        echo "    past the start timeout: $midway"
    else
        fail "the start-up was restarted on its way (pid $pid -> $(unit MainPID), restarts $restarts -> $(unit NRestarts))"
    fi
else
    show_journal; fail "the slow start-up never played"
fi
twice=$(grep -oE '"GET /videos/[^ ]+' "$work/slow-server.log" | sort | uniq -d)
[ -z "$twice" ] && pass "every video was requested once ($(grep -c '"GET /videos/' "$work/slow-server.log") requests)" \
    || fail "videos requested more than once: $twice"
kill "$server" 2>/dev/null || true
rm -f "$root/etc/systemd/system/zepril-kiosk.service.d/boot-check-slow.conf"

echo "boot-check: $failures failure(s)"
[ "$failures" -eq 0 ]
