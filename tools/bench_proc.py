"""What the whole-program benches share: a demo tree with its local servers, private
Xvfb screens, the real player binary, and figures read from /proc for a whole process
group (the player and every helper it starts, or mpv alone).

Used by tools/bench_vs_mpv.py and tools/bench_day.py; not run by itself.
"""
import os
import re
import signal
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CLK_TCK = os.sysconf("SC_CLK_TCK")


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def load():
    with open("/proc/loadavg") as f:
        return "load " + " ".join(f.read().split()[:3])


class Stage:
    """Owns every process a bench starts and ends them, by pid, when it leaves."""

    def __init__(self):
        self.groups = []

    def start(self, argv, log=None, env=None):
        out = open(log, "ab") if log else subprocess.DEVNULL
        # A session of its own: the process group holds exactly this program and the
        # helpers it starts, and can be stopped, resumed and ended as one.
        p = subprocess.Popen(argv, stdout=out, stderr=subprocess.STDOUT if log else subprocess.DEVNULL,
                             env=env, start_new_session=True)
        self.groups.append(p)
        return p

    def end(self, p):
        if p.poll() is None:
            try:
                os.killpg(p.pid, signal.SIGCONT)
                os.killpg(p.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(p.pid, signal.SIGKILL)
                p.wait()
        # Helpers left behind in the group (an engine process) go too.
        for pid in group_pids(p.pid):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def close(self):
        for p in reversed(self.groups):
            self.end(p)

    def xvfb(self, size):
        for _ in range(20):
            display = ":%d" % (200 + os.getpid() % 300 + len(self.groups) * 7 + _)
            if os.path.exists("/tmp/.X11-unix/X" + display[1:]):
                continue
            p = self.start(["Xvfb", display, "-screen", "0", size + "x24", "-nolisten", "tcp"])
            for _ in range(50):
                if os.path.exists("/tmp/.X11-unix/X" + display[1:]):
                    return display, p
                time.sleep(0.1)
            self.end(p)
        sys.exit("no Xvfb display could be started")

    def demo(self, directory, clips):
        """Makes the demo tree and starts its HTTP and FTP servers; returns the program
        directory."""
        http_port, ftp_port = free_port(), free_port()
        home = subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_demo.py"), directory,
                               str(http_port), str(ftp_port), "--clips", clips],
                              check=True, capture_output=True, text=True).stdout.strip()
        self.start(["/usr/bin/python3", os.path.join(HERE, "demo_server.py"), os.path.join(directory, "www"),
                    str(http_port)], log=os.path.join(directory, "http-server.log"))
        self.start(["/usr/bin/python3", os.path.join(HERE, "ftp_server.py"), os.path.join(directory, "ftp"),
                    str(ftp_port), "demo", "demo"], log=os.path.join(directory, "ftp-server.log"))
        time.sleep(0.5)
        return home


def set_config(home, **values):
    path = os.path.join(home, "cfg", "config.ini")
    text = open(path, encoding="utf-8").read()
    for key, value in values.items():
        text, n = re.subn(r"(?m)^%s=.*$" % key, "%s=%s" % (key, value), text)
        assert n == 1, key
    open(path, "w", encoding="utf-8", newline="").write(text)


def player_env(home, display, log_rules="zepril.banner.debug=true"):
    env = dict(os.environ, ZEPRIL_HOME=home, DISPLAY=display, QT_LOGGING_RULES=log_rules)
    # Belt and braces: the tree's [Systeme] reboot command only writes a line, and
    # this keeps the system's own restart refused even if the command were missing.
    env["ZEPRIL_FORBID_REBOOT"] = "1"
    env.pop("QT_QPA_PLATFORM", None)
    return env


def wait_for_line(log, text, timeout, proc=None):
    end = time.time() + timeout
    while time.time() < end:
        if proc is not None and proc.poll() is not None:
            sys.exit("%s ended (status %s) before \"%s\"; see %s" % (proc.args[0], proc.returncode, text, log))
        with open(log, errors="replace") as f:
            if text in f.read():
                return time.time()
        time.sleep(0.2)
    sys.exit("no \"%s\" in %s after %d s" % (text, log, timeout))


def _stat(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            s = f.read()
    except OSError:
        return None
    return s[s.rfind(")") + 2:].split()


def group_pids(pgid):
    pids = []
    for name in os.listdir("/proc"):
        if name.isdigit():
            st = _stat(int(name))
            if st and int(st[2]) == pgid:
                pids.append(int(name))
    return pids


def group_cpu_seconds(pgid):
    """User and system time of every live member, plus what they reaped of their
    children, in seconds."""
    ticks = 0
    for pid in group_pids(pgid):
        st = _stat(pid)
        if st:
            ticks += sum(int(v) for v in st[11:15])
    return ticks / CLK_TCK


def cpu_seconds(pid):
    st = _stat(pid)
    return sum(int(v) for v in st[11:13]) / CLK_TCK if st else 0.0


def group_figures(pgid):
    """PSS (and its anonymous and file-backed parts), and beside it private (USS) and
    resident memory, in MB, open descriptors and
    threads summed over the group, and its members."""
    kb = {"Pss": 0, "Pss_Anon": 0, "Pss_File": 0, "Private_Clean": 0, "Private_Dirty": 0, "Rss": 0}
    fds, threads, members = 0, 0, []
    for pid in group_pids(pgid):
        st = _stat(pid)
        try:
            with open("/proc/%d/smaps_rollup" % pid) as f:
                rollup = f.read()
            for key in kb:
                kb[key] += int(re.search(r"(?m)^%s:\s+(\d+)" % key, rollup).group(1))
            fds += len(os.listdir("/proc/%d/fd" % pid))
            with open("/proc/%d/comm" % pid) as f:
                members.append(f.read().strip())
        except (OSError, AttributeError):
            continue
        threads += int(st[17]) if st else 0
    return {"pss": kb["Pss"] / 1024.0, "anon": kb["Pss_Anon"] / 1024.0, "file": kb["Pss_File"] / 1024.0, "uss": (kb["Private_Clean"] + kb["Private_Dirty"]) / 1024.0,
            "rss": kb["Rss"] / 1024.0, "fds": fds, "threads": threads, "members": members}


def median(values):
    v = sorted(values)
    n = len(v)
    return v[n // 2] if n % 2 else (v[n // 2 - 1] + v[n // 2]) / 2
