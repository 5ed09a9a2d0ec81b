#!/bin/sh
# Runs a command (a test program) against a real X server whose outputs can be changed
# as a TV's would: Xorg with the dummy video driver, its first output preferring
# 1280x720. Exits 77, which ctest counts as skipped, with a line saying why, where
# that server is missing or cannot start here.
set -u
driver=/usr/lib/xorg/modules/drivers/dummy_drv.so
if ! command -v Xorg >/dev/null 2>&1 || [ ! -e "$driver" ]; then
    echo "skipped: Xorg with the dummy video driver is not installed (tools/install-deps.sh installs xserver-xorg-core and xserver-xorg-video-dummy)"
    exit 77
fi
dir=$(mktemp -d)
cat >"$dir/xorg.conf" <<'CONF'
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
    Option "Monitor-DUMMY0" "tv"
EndSection
Section "Monitor"
    Identifier "tv"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
    Option "PreferredMode" "1280x720"
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "tv"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 3840 2160
    EndSubSection
EndSection
CONF
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
Xorg ":$display" -config "$dir/xorg.conf" -noreset -nolisten tcp -logfile "$dir/xorg.log" -novtswitch -sharevts \
    >"$dir/xorg.out" 2>&1 &
server=$!
waited=0
while [ ! -e "/tmp/.X11-unix/X$display" ] && kill -0 "$server" 2>/dev/null && [ $waited -lt 100 ]; do
    sleep 0.1
    waited=$((waited + 1))
done
if [ ! -e "/tmp/.X11-unix/X$display" ]; then
    echo "skipped: Xorg with the dummy video driver did not start here; its log ends:"
    tail -n 5 "$dir/xorg.log" 2>/dev/null || tail -n 5 "$dir/xorg.out"
    kill "$server" 2>/dev/null
    rm -rf "$dir"
    exit 77
fi
DISPLAY=":$display" "$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -rf "$dir"
exit $status
