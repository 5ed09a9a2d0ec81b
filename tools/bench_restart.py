#!/usr/bin/python3
"""Time from a killed player to its first frame again, outside the service manager.

  bench_restart.py [--build DIR] [--rounds N]

A demo program directory (automatic mode, local servers), a private Xvfb screen with a
black root window, the real player: once it plays, it is killed with SIGKILL and
started again at once, as the service manager would after its restart delay (not
included here: add the unit's RestartSec=). Printed per round: the time from the kill
to the player's "playing" line and to the first screenshot whose centre shows the
video again (screenshots every ~0.1 s, so that figure is up to one grab late).
"""
import os
import signal
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def centre_lit(display):
    """True when the centre of the screen is not black (the video is on it)."""
    out = subprocess.run(["import", "-display", display, "-window", "root", "-crop", "64x64+608+328",
                          "-resize", "1x1", "-depth", "8", "txt:-"], capture_output=True, text=True).stdout
    line = out.strip().splitlines()[-1] if out.strip() else ""
    if "(" not in line:
        return False
    rgb = line.split("(")[1].split(")")[0].split(",")[:3]
    return sum(float(v) for v in rgb) > 60


def wait_for(predicate, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.05)
    return False


def main():
    build = sys.argv[sys.argv.index("--build") + 1] if "--build" in sys.argv else os.path.join(HERE, "..", "build")
    rounds = int(sys.argv[sys.argv.index("--rounds") + 1]) if "--rounds" in sys.argv else 3
    demo = os.path.join(HERE, "..", "demo", "bench_restart")
    os.makedirs(demo, exist_ok=True)
    http_port, ftp_port = free_port(), free_port()
    home = subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_demo.py"), demo, str(http_port),
                           str(ftp_port), "--auto"], check=True, capture_output=True, text=True).stdout.strip()
    for stale in ("cfg/channel_start.txt",):
        if os.path.exists(os.path.join(home, stale)):
            os.remove(os.path.join(home, stale))
    display = ":%d" % (150 + os.getpid() % 50)
    children = [subprocess.Popen(["/usr/bin/python3", os.path.join(HERE, "demo_server.py"), os.path.join(demo, "www"),
                                  str(http_port), "0"], stderr=subprocess.DEVNULL),
                subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x720x24", "-br", "-nolisten", "tcp"],
                                 stderr=subprocess.DEVNULL)]
    env = dict(os.environ, ZEPRIL_HOME=home, DISPLAY=display, QT_QPA_PLATFORM="xcb", ZEPRIL_FORBID_REBOOT="1")
    env.pop("NOTIFY_SOCKET", None)
    log_path = os.path.join(demo, "player.log")
    log = open(log_path, "wb")
    player = None
    try:
        time.sleep(1)

        def start():
            return subprocess.Popen([os.path.join(build, "zepril-client")], env=env, stderr=log)

        def playing_lines():
            with open(log_path, "rb") as f:
                return f.read().count(b"zepril.player: playing ")

        player = start()
        if not wait_for(lambda: playing_lines() > 0 and centre_lit(display), 180):
            sys.exit("the first start never played; see " + log_path)
        print("first start: the channel plays (whole start-up with its page)")
        for n in range(1, rounds + 1):
            time.sleep(3)
            before = playing_lines()
            killed = time.monotonic()
            player.send_signal(signal.SIGKILL)
            player.wait()
            player = start()
            wait_for(lambda: playing_lines() > before, 60)
            to_playing = time.monotonic() - killed
            wait_for(lambda: centre_lit(display), 60)
            to_frame = time.monotonic() - killed
            print("round %d: kill -> 'playing' %.2f s, kill -> frame on screen %.2f s" % (n, to_playing, to_frame))
    finally:
        if player:
            player.kill()
        for c in children:
            c.terminate()
        log.close()


if __name__ == "__main__":
    main()
