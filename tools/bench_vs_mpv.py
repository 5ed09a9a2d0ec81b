#!/usr/bin/python3
"""The real player against the mpv command line alone, on the same clips, in one run.

  tools/bench_vs_mpv.py [--build DIR] [--pairs 6] [--window 20] [--minutes 10] [--bare]

Both sides play the demo tree's playlist of 1280x720 25 fps H.264 clips (made by
ffmpeg), each on a private Xvfb screen of 1280x720 so neither draws over the other; mpv
gets the options the player gives libmpv and the playlist the player logs, in its order.
CPU is taken in alternating windows: the sides not measured are stopped (SIGSTOP on
their process groups), and the order turns from round to round. Figures cover the whole
process group (the player and every helper it starts; mpv alone), from /proc. A second
mpv (the control, on a third screen) takes its windows in the same rounds: its ratio to
the first mpv shows how far two runs of the very same program drift apart here, which
is the margin within which the player's ratio says nothing. With --bare, the player's
media player alone (bench/bare_player: the same MpvPlayer in a plain window, on a fourth
screen) takes its windows too, which splits the player's ratio into what the rest of the
player costs (player against it) and what libmpv embedded costs (it against mpv).

  1. banner scrolling (cycle_phrase=0: one pass after another): PSS of each side 60 s
     after the player's start-up window closes (after mpv's start on its side), then
     the CPU pairs;
  2. banner idle (cycle_phrase=86400: the first pass waits a day): PSS 60 s after the
     start-up as in 1, then the CPU pairs;
  3. both sides go on playing side by side until each has played --minutes minutes
     (stopped time not counted); PSS every minute of playback. Libraries both sides map
     (the video decoders) count half to each in PSS while both run, so USS (private
     memory) and RSS are printed beside it.

A script rather than a C++ bench: it only starts real binaries and reads /proc.
"""
import argparse
import os
import shutil
import signal
import sys
import time

import bench_proc as bp

# What src/presentation/mpv_player.cpp gives libmpv: the kiosk options, the screen
# options and the endless loop; the first file settles hardware decoding for the run.
MPV_OPTIONS = [
    "--input-default-bindings=no", "--input-vo-keyboard=no", "--input-cursor=no", "--cursor-autohide=always",
    "--osc=no", "--osd-level=0", "--keepaspect=no", "--volume=50", "--prefetch-playlist=yes", "--keep-open=no",
    "--idle=yes", "--vo=gpu,x11", "--force-window=yes", "--hwdec=auto-safe", "--alpha=blend",
    "--loop-playlist=inf",
    # libmpv reads no configuration and has no terminal; the command line must not either.
    "--no-config", "--no-terminal",
    # The player's video widget fills the screen; without a window manager, the same place.
    "--geometry=1280x720+0+0",
]


class Side:
    def __init__(self, name, proc):
        self.name, self.proc = name, proc
        self.started = time.time()  # playback start
        self.stopped_for = 0.0
        self.stopped_at = None

    def stop(self):
        if self.stopped_at is None:
            os.killpg(self.proc.pid, signal.SIGSTOP)
            self.stopped_at = time.time()

    def resume(self):
        if self.stopped_at is not None:
            os.killpg(self.proc.pid, signal.SIGCONT)
            self.stopped_for += time.time() - self.stopped_at
            self.stopped_at = None

    def played(self):
        now = self.stopped_at or time.time()
        return now - self.started - self.stopped_for


def playlist(home, log):
    files = []
    for line in open(log, errors="replace"):
        if " playlist item " in line and "skipped" not in line:
            item = line.rstrip("\n").split(" playlist item ", 1)[1].split(" ", 1)[1]
            files.append(os.path.join(home, "videos-man", item.replace("\\", "/")))
    missing = [f for f in files if not os.path.isfile(f)]
    if not files or missing:
        sys.exit("cannot read the player's playlist from %s (%s)" % (log, missing[:1]))
    return files


def start_player(stage, args, home, display, log, cycle):
    bp.set_config(home, cycle_phrase=cycle)
    open(log, "w").close()
    proc = stage.start([args.player], log=log, env=bp.player_env(home, display))
    bp.wait_for_line(log, "start-up window closed", 120, proc)
    return Side("player", proc)


def start_mpv(stage, files, display, log, name="mpv"):
    env = dict(os.environ, DISPLAY=display)
    return Side(name, stage.start(["mpv"] + MPV_OPTIONS + files, log=log, env=env))


def start_control(stage, files, display, log):
    """The second mpv, started only now so that it shares no libraries with the first
    while their PSS is read; its first seconds of opening files stay out of its windows."""
    control = start_mpv(stage, files, display, log, "control")
    time.sleep(10)
    return control


def start_bare(stage, args, files, display, log):
    """The player's media player alone, started after the PSS readings for the same
    reason as the control."""
    env = dict(os.environ, DISPLAY=display)
    env.pop("QT_QPA_PLATFORM", None)
    bare = Side("bare", stage.start([args.bare_player] + files, log=log, env=env))
    time.sleep(10)
    return bare


def cpu_pairs(title, player, mpv, control, bare, xservers, args):
    """Alternating windows of the player, mpv and a second mpv (the control, which shows
    how far two runs of the very same program drift apart on this machine), and the
    player's media player alone when there is one."""
    print("\n%s: %d rounds of %d s windows, the other sides stopped (%s)" % (title, args.pairs, args.window, bp.load()))
    print("  round side     CPU % of a core  (its X server)  banner passes begun")
    sides = (player, mpv, control) + ((bare,) if bare else ())
    ratios = {"group": [], "with X": [], "control": [], "player/bare": [], "bare/mpv": []}
    for i in range(args.pairs):
        # Each side leads once in as many rounds as there are sides, so none always
        # follows the same one.
        order = sides[i % len(sides):] + sides[:i % len(sides)]
        got = {}
        for side in order:
            for other in sides:
                if other is not side:
                    other.stop()
            side.resume()
            time.sleep(args.settle)
            passes0 = count_passes(args.player_log) if side is player else 0
            x = xservers[side.name]
            c0, x0, t0 = bp.group_cpu_seconds(side.proc.pid), bp.cpu_seconds(x.pid), time.time()
            time.sleep(args.window)
            c1, x1, t1 = bp.group_cpu_seconds(side.proc.pid), bp.cpu_seconds(x.pid), time.time()
            cpu, xcpu = 100 * (c1 - c0) / (t1 - t0), 100 * (x1 - x0) / (t1 - t0)
            got[side.name] = (cpu, xcpu)
            passes = "%d" % (count_passes(args.player_log) - passes0) if side is player else "-"
            print("  %5d %-8s  %6.1f           (%5.1f)          %s" % (i + 1, side.name, cpu, xcpu, passes))
        ratios["group"].append(got["player"][0] / got["mpv"][0])
        ratios["with X"].append(sum(got["player"]) / sum(got["mpv"]))
        ratios["control"].append(got["control"][0] / got["mpv"][0])
        if bare:
            ratios["player/bare"].append(got["player"][0] / got["bare"][0])
            ratios["bare/mpv"].append(got["bare"][0] / got["mpv"][0])
    for side in sides:
        side.resume()
    return ratios


def count_passes(log):
    with open(log, errors="replace") as f:
        return f.read().count(" starts: \"")


def print_ratio(label, values, goal):
    print("  %-40s median %.2fx  range %.2f-%.2fx  goal %s" % (label, bp.median(values), min(values), max(values), goal))


def pss_line(label, side):
    f = bp.group_figures(side.proc.pid)
    print("  %-7s %-26s PSS %6.1f MB (USS %6.1f, RSS %6.1f)  threads %3d  fds %3d  group: %s  (%s)"
          % (side.name, label, f["pss"], f["uss"], f["rss"], f["threads"], f["fds"], ",".join(sorted(set(f["members"]))),
             bp.load()))
    return f


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.environ.get("ZEPRIL_BUILD_DIR", os.path.join(bp.ROOT, "build")))
    parser.add_argument("--pairs", type=int, default=6, help="rounds; each measures the player, mpv and the control once")
    parser.add_argument("--window", type=float, default=20)
    parser.add_argument("--settle", type=float, default=3, help="seconds after a side resumes before its window")
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--bare", action="store_true", help="also measure the player's media player alone")
    args = parser.parse_args()
    args.player = os.path.join(args.build, "zepril-client")
    args.bare_player = os.path.join(args.build, "bench", "bare_player")
    for path, target in ((args.player, "zepril-client"), (args.bare_player if args.bare else None, "bare_player")):
        if path and not os.access(path, os.X_OK):
            sys.exit("no %s at %s: build that target first" % (target, path))
    work = os.path.join(args.build, "bench-vs-mpv")
    shutil.rmtree(os.path.join(work, "home"), ignore_errors=True)
    os.makedirs(work, exist_ok=True)
    args.player_log = os.path.join(work, "player.log")
    mpv_log = os.path.join(work, "mpv.log")
    bare_log = os.path.join(work, "bare.log")

    stage = bp.Stage()
    try:
        home = stage.demo(work, "1280x720@25/10")
        (pd, px), (md, mx), (cd, cx) = stage.xvfb("1280x720"), stage.xvfb("1280x720"), stage.xvfb("1280x720")
        xservers = {"player": px, "mpv": mx, "control": cx}
        if args.bare:
            bd, xservers["bare"] = stage.xvfb("1280x720")
        print("player %s, mpv %s; clips 1280x720 25 fps H.264; %s" % (args.player, os.popen("mpv --version").readline().strip(), bp.load()))

        # 1. Banner scrolling.
        player = start_player(stage, args, home, pd, args.player_log, 0)
        files = playlist(home, args.player_log)
        mpv = start_mpv(stage, files, md, mpv_log)
        print("playlist: %d clips, the same on both sides" % len(files))
        print("\nPSS 60 s after the start-up window closed (mpv: after its start), banner scrolling")
        time.sleep(60)
        pss60 = {"player": [pss_line("60 s, banner scrolling", player)], "mpv": [pss_line("60 s", mpv)]}
        control = start_control(stage, files, cd, mpv_log + ".control")
        bare = start_bare(stage, args, files, bd, bare_log) if args.bare else None
        scrolling = cpu_pairs("CPU, banner scrolling", player, mpv, control, bare, xservers, args)
        for side in (player, mpv, control, bare):
            if side:
                stage.end(side.proc)

        # 2. Banner idle, on fresh processes that then play on for the memory figures.
        player = start_player(stage, args, home, pd, args.player_log, 86400)
        mpv = start_mpv(stage, files, md, mpv_log)
        print("\nPSS 60 s after the start-up window closed (mpv: after its start), banner idle")
        time.sleep(60)
        pss60["player"].append(pss_line("60 s, banner idle", player))
        pss60["mpv"].append(pss_line("60 s", mpv))
        control = start_control(stage, files, cd, mpv_log + ".control")
        bare = start_bare(stage, args, files, bd, bare_log) if args.bare else None
        idle = cpu_pairs("CPU, banner idle", player, mpv, control, bare, xservers, args)
        for side in (control, bare):
            if side:
                stage.end(side.proc)

        # 3. Side by side until each has played its minutes.
        print("\nPSS while both play side by side, banner idle")
        # A line at every further whole minute of each side's playback, the last at --minutes.
        marks = {s.name: int(s.played() // 60) + 1 for s in (player, mpv)}
        pss10 = {}
        while marks:
            for side in (player, mpv):
                m = marks.get(side.name)
                if m and side.played() >= 60 * min(m, args.minutes):
                    pss = pss_line("%4.1f min of playback" % (side.played() / 60), side)
                    if m >= args.minutes:
                        pss10[side.name] = pss
                        del marks[side.name]
                    else:
                        marks[side.name] = m + 1
            time.sleep(0.5)

        print("\nSummary (%s)" % bp.load())
        print_ratio("CPU, banner scrolling (process groups)", [r for r in scrolling["group"]], "<= 1.05x")
        print_ratio("CPU, banner idle (process groups)", idle["group"], "<= 1.00x")
        print_ratio("CPU, banner scrolling (with X servers)", scrolling["with X"], "(information)")
        print_ratio("CPU, banner idle (with X servers)", idle["with X"], "(information)")
        print_ratio("control: mpv against mpv, scrolling phase", scrolling["control"], "(how far the same program drifts)")
        print_ratio("control: mpv against mpv, idle phase", idle["control"], "(how far the same program drifts)")
        if args.bare:
            for phase, r in (("scrolling", scrolling), ("idle", idle)):
                print_ratio("player / its media player, %s" % phase, r["player/bare"], "(the rest of the player)")
                print_ratio("its media player / mpv, %s" % phase, r["bare/mpv"], "(libmpv embedded)")
        def memory(label, p, m, goal):
            print("  %s: PSS player %.1f MB, mpv %.1f MB: %.2fx  goal %s  (USS %.2fx, RSS %.2fx)"
                  % (label, p["pss"], m["pss"], p["pss"] / m["pss"], goal, p["uss"] / m["uss"], p["rss"] / m["rss"]))
        for i, (p, m) in enumerate(zip(pss60["player"], pss60["mpv"])):
            memory("60 s, run %d" % (i + 1), p, m, "<= 1.30x")
        memory("after %g min of playback" % args.minutes, pss10["player"], pss10["mpv"], "<= 1.30x, flat")
    finally:
        stage.close()


if __name__ == "__main__":
    main()
