#!/usr/bin/python3
"""One simulated day of the real player, sped up with libfaketime, to see what grows.

  tools/bench_day.py [--build DIR] [--rate 96] [--hours 24]

The player runs on the demo tree (manual mode, small 160x90 5 fps clips of 40 s on a
640x360 Xvfb screen, so mpv keeps up at the sped-up rate) with its local servers on
127.0.0.1. Texts are refreshed every 5 simulated minutes and the banner passes every
30 simulated seconds. The daily restart at 02:00 runs the tree's [Systeme] reboot
command, which only writes a line; ZEPRIL_FORBID_REBOOT is set as well.

The whole clock is sped up, the monotonic clock included: every Qt timer, mpv's
playback and curl's timeouts run --rate times faster, so the day's minute ticks, texts
refreshes, weather fetches, status writes, banner passes and file changes all happen.
Faking only the wall clock would leave the minute timer at one tick a real minute.
The start-up page helper is left out of the fake clock (it is ended at once anyway).
The day starts at 00:30; PSS, descriptors and threads of the player's process group are
sampled every simulated 5 minutes and printed every simulated hour; the growth over the
day runs from hour 2 (the first holds the start-up) to hour 26, with the counts of what
the run did, read from the player's log.
"""
import argparse
import os
import shutil
import sys
import time

import bench_proc as bp


def counts(log, reboot_log):
    text = open(log, errors="replace").read()
    reboots = open(reboot_log).read().count("reboot requested") if os.path.exists(reboot_log) else 0
    return {"texts refreshes due": text.count("texts refresh due"), "texts refreshed": text.count("texts refreshed:"),
            "weather fetches": text.count("forecast fetched from"), "files played": text.count("zepril.player: playing "),
            "banner passes": text.count(" starts: \""), "reboot commands": reboots,
            "warning lines": text.count(" W "), "error lines": text.count(" E ")}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.environ.get("ZEPRIL_BUILD_DIR", os.path.join(bp.ROOT, "build")))
    parser.add_argument("--rate", type=float, default=96)
    parser.add_argument("--hours", type=int, default=24)
    args = parser.parse_args()
    player_bin = os.path.join(args.build, "zepril-client")
    if not os.access(player_bin, os.X_OK):
        sys.exit("no player at %s: build the zepril-client target first" % player_bin)
    work = os.path.join(args.build, "bench-day")
    shutil.rmtree(os.path.join(work, "home"), ignore_errors=True)
    os.makedirs(work, exist_ok=True)
    log, reboot_log = os.path.join(work, "player.log"), os.path.join(work, "reboot.log")
    for f in (log, reboot_log):
        open(f, "w").close()

    stage = bp.Stage()
    try:
        home = stage.demo(work, "160x90@5/40")
        bp.set_config(home, cycle_phrase=30, majphr_heure=5, majvid_heure="02:00")
        display, _ = stage.xvfb("640x360")
        env = bp.player_env(home, display)
        env["FAKETIME_SKIP_CMDS"] = "zepril-startup-page,QtWebEngineProcess"
        hour = 3600.0 / args.rate
        started = time.time()
        player = stage.start(["faketime", "-m", "-f", "@2024-03-04 00:30:00 x%g" % args.rate, player_bin],
                             log=log, env=env)
        print("player %s under faketime x%g: one simulated hour every %.1f s (%s)" % (player_bin, args.rate, hour, bp.load()))
        # PSS swings by tens of MB from one moment to the next (decoder and frame buffers
        # come and go with the files): each simulated hour is sampled every simulated
        # 5 minutes, and its floor, the least of them, is what a leak would raise.
        print("  hour  PSS MB at the hour  floor  highest  threads  fds  group                      real s  load")
        rows = []
        for h in range(1, args.hours + 3):
            samples = []
            for step in range(1, 13):
                while time.time() < started + (h - 1 + step / 12.0) * hour:
                    if player.poll() is not None:
                        sys.exit("the player ended (status %s); see %s" % (player.returncode, log))
                    time.sleep(0.1)
                samples.append(bp.group_figures(player.pid))
            lowest = min(samples, key=lambda x: x["pss"])
            f = dict(samples[-1], floor=lowest["pss"], floor_anon=lowest["anon"], floor_file=lowest["file"],
                     high=max(x["pss"] for x in samples))
            rows.append(f)
            print("  %4d  %17.1f  %5.1f  %7.1f  %7d  %3d  %-25s  %6.0f  %s" % (
                h, f["pss"], f["floor"], f["high"], f["threads"], f["fds"], ",".join(sorted(set(f["members"]))),
                time.time() - started, bp.load()[5:]))
            sys.stdout.flush()

        def slope_per_day(values):
            n = len(values)
            mx, my = (n - 1) / 2.0, sum(values) / n
            return 24 * sum((i - mx) * (v - my) for i, v in enumerate(values)) / sum((i - mx) ** 2 for i in range(n))

        # The first hour holds the start-up (its floor is from before the first video).
        rows = rows[1:]
        first, last = rows[0], rows[-1]
        print("\ngrowth over %d simulated hours (hour 2 to hour %d):" % (args.hours, args.hours + 2))
        print("  PSS floor %+.1f MB (least-squares slope of the floors %+.1f MB/day)  goal < 5 MB"
              % (last["floor"] - first["floor"], slope_per_day([r["floor"] for r in rows])))
        print("  of the floor: anonymous memory %+.1f MB, file-backed %+.1f MB"
              % (last["floor_anon"] - first["floor_anon"], last["floor_file"] - first["floor_file"]))
        print("  PSS at the hour %+.1f MB (slope %+.1f MB/day), highest %+.1f MB"
              % (last["pss"] - first["pss"], slope_per_day([r["pss"] for r in rows]), last["high"] - first["high"]))
        print("  threads %+d, fds %+d" % (last["threads"] - first["threads"], last["fds"] - first["fds"]))
        simulated = (time.time() - started) / hour
        print("what the run did in %.1f simulated hours (per hour):" % simulated)
        print("  " + ", ".join("%s %d (%.1f)" % (k, v, v / simulated) for k, v in counts(log, reboot_log).items()))
        print("  on a real clock, per hour: 12 texts refreshes due, 1 weather fetch, 103 files (36 clips of 30-40 s),"
              " at most 120 banner passes (30 s pauses plus the pass), 1 reboot command a day at 02:00")
    finally:
        stage.close()


if __name__ == "__main__":
    main()
