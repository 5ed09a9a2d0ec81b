#!/usr/bin/env bash
# Builds the player and runs it on a self-contained demo: local update, content and
# weather servers and an FTP server on 127.0.0.1, generated sample videos and skin.
#
#   tools/run-demo.sh            manual mode: plays the videos already on disk
#   tools/run-demo.sh --auto     automatic mode: synchronizes with the local content server
#   --seconds N                  stop after N seconds (default: 75 without a display,
#                                until "Q" or the window is closed with one)
#
# Without a display it runs under Xvfb (1280x720) and saves a screenshot every few
# seconds in demo/screenshots/. Everything it makes is under demo/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
auto=""; seconds=""
while [ $# -gt 0 ]; do
  case "$1" in
    --auto) auto="--auto" ;;
    --seconds) seconds="$2"; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

"$here/tools/install-deps.sh"
build="${ZEPRIL_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target zepril-client -j "$(nproc)"

demo="$here/demo"
mkdir -p "$demo"
free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
http_port=$(free_port); ftp_port=$(free_port)
home=$(/usr/bin/python3 "$here/tools/make_demo.py" "$demo" "$http_port" "$ftp_port" $auto)

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT
# In automatic mode the videos arrive at 40 KB/s so that the progress can be seen.
rate=0; [ -n "$auto" ] && rate=40
/usr/bin/python3 "$here/tools/demo_server.py" "$demo/www" "$http_port" "$rate" 2>"$demo/http-server.log" &
pids+=($!)
if [ -f "$here/tools/ftp_server.py" ]; then
  /usr/bin/python3 "$here/tools/ftp_server.py" "$demo/ftp" "$ftp_port" demo demo >"$demo/ftp-server.log" 2>&1 &
  pids+=($!)
fi
sleep 0.5

export ZEPRIL_HOME="$home"
log="$demo/player.log"
echo "demo program directory: $home"
echo "update/content/weather server: http://127.0.0.1:$http_port  ftp: 127.0.0.1:$ftp_port"
echo "player log: $log"

if [ -n "${DISPLAY:-}" ]; then
  if [ -n "$seconds" ]; then
    timeout --signal=TERM "$seconds" "$build/zepril-client" 2>"$log" || true
  else
    "$build/zepril-client" 2>"$log" || true
  fi
  exit 0
fi

seconds=${seconds:-75}
shots="$demo/screenshots"
rm -rf "$shots"; mkdir -p "$shots"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
export DISPLAY="$display"
"$build/zepril-client" 2>"$log" &
player=$!
pids+=($player)
for ((t = 4; t <= seconds; t += 4)); do
  sleep 4
  kill -0 "$player" 2>/dev/null || break
  import -display "$display" -window root "$shots/t$(printf %03d "$t").png" 2>/dev/null || true
done
kill "$player" 2>/dev/null || true
echo "screenshots in $shots"
