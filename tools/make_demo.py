#!/usr/bin/python3
"""Builds the demo: a program directory and the tree its local servers serve.

  make_demo.py DEMO_DIR HTTP_PORT FTP_PORT [--auto] [--clips WxH@FPS[/SECONDS]]

DEMO_DIR/home   the program directory (cfg, videos-man or videos-auto, skin)
DEMO_DIR/www    what the local HTTP server serves (update, content, weather)
DEMO_DIR/ftp    what the local FTP server serves
Videos are short real clips made with ffmpeg, each showing its category and name
(640x360 at 25 fps, 4 s, unless --clips says otherwise, as the benches do); they are
made once per kind and reused by later runs.
"""
import os
import shutil
import subprocess
import sys

CATEGORIES = ["restaurants", "plages", "night", "boutiques", "services", "documentaires"]
COLOURS = ["0x8B2500", "0x1E6FA8", "0x301860", "0xA0522D", "0x2E7D32", "0x555555"]
FONT = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"
HOTEL = "demo"

PHRASES = [
    "Bienvenue à l'hôtel Démo - Welcome to Hotel Demo",
    "Petit-déjeuner servi de 7h à 10h30 au restaurant « Le Jardin »",
    "Piscine chauffée ouverte jusqu'à 20h - Heated pool open until 8 pm",
    "Réception ouverte 24h/24 - Composez le 9",
]

WEATHER = """<?xml version="1.0" encoding="UTF-8"?>
<meteo>
  <ville>Demo</ville>
  <pictos_matin>soleil</pictos_matin><tempe_matin>18</tempe_matin>
  <pictos_midi>nuageux</pictos_midi><tempe_midi>23</tempe_midi>
  <pictos_apmidi>averse</pictos_apmidi><tempe_apmidi>21</tempe_apmidi>
  <tempe_soir>14</tempe_soir>
</meteo>
"""


def clip(path, title, subtitle, colour, seconds=4, size="640x360", rate=25):
    if os.path.exists(path):
        return
    os.makedirs(os.path.dirname(path), exist_ok=True)
    text = ("drawtext=fontfile={f}:text='{t}':fontcolor=white:fontsize=56:x=(w-tw)/2:y=h/2-70,"
            "drawtext=fontfile={f}:text='{s}':fontcolor=white:fontsize=32:x=(w-tw)/2:y=h/2+10,"
            "drawtext=fontfile={f}:text='%{{pts\\:hms}}':fontcolor=0xDDDDDD:fontsize=24:x=20:y=h-40"
            ).format(f=FONT, t=title, s=subtitle)
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "color=c=%s:size=%s:rate=%d:duration=%d" % (colour, size, rate, seconds),
                    "-vf", text, "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
                    path], check=True)


def picture(path, size, colour, label):
    if os.path.exists(path):
        return
    subprocess.run(["convert", "-size", size, "gradient:%s-black" % colour, "-font", FONT,
                    "-pointsize", "28", "-fill", "white", "-gravity", "center", "-annotate", "+0+0",
                    label, path], check=True)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def crlf(lines):
    return "".join(line + "\r\n" for line in lines)


def main():
    demo, http_port, ftp_port = os.path.abspath(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
    auto = "--auto" in sys.argv
    kind = sys.argv[sys.argv.index("--clips") + 1] if "--clips" in sys.argv else "640x360@25/4"
    size, rate = kind.split("/")[0].split("@")
    rate, seconds = int(rate), int((kind + "/4").split("/")[1])
    cache = os.path.join(demo, "clips" if kind == "640x360@25/4" else "clips-" + kind.replace("/", "-"))
    home, www, ftp = (os.path.join(demo, d) for d in ("home", "www", "ftp"))
    for d in (home, www, ftp):
        shutil.rmtree(d, ignore_errors=True)

    # Clips, made once.
    names = {}
    for i, cat in enumerate(CATEGORIES):
        names[cat] = []
        for n in range(1, 4):
            name = "%s_%d.mp4" % (cat, n)
            clip(os.path.join(cache, cat, name), cat.upper(), name, COLOURS[i], seconds, size, rate)
            names[cat].append(name)
    index = ["index_ga", "index_hotel"] + ["index_rub_" + c for c in "abcdef"]
    for name in index:
        clip(os.path.join(cache, "index", name + ".mp4"), "HOTEL DEMO", name, "0x7A5C00", max(1, seconds * 3 // 4), size, rate)

    # Program directory.
    active = "videos-auto" if auto else "videos-man"
    for cat in CATEGORIES:
        os.makedirs(os.path.join(home, active, cat), exist_ok=True)
        # Manual mode plays what is on disk; automatic mode starts with one stale video
        # per category that the synchronization deletes, and downloads the others.
        wanted = names[cat] if not auto else []
        for name in wanted:
            shutil.copy(os.path.join(cache, cat, name), os.path.join(home, active, cat, name))
        if auto:
            shutil.copy(os.path.join(cache, cat, names[cat][0]), os.path.join(home, active, cat, "ancienne.mp4"))
    for name in index:
        os.makedirs(os.path.join(home, active, "index"), exist_ok=True)
        shutil.copy(os.path.join(cache, "index", name + ".mp4"), os.path.join(home, active, "index", name + ".mp4"))
    os.makedirs(os.path.join(home, "skin"), exist_ok=True)
    picture(os.path.join(cache, "back.jpg"), "1920x180", "#1d3557", " ")
    picture(os.path.join(cache, "logo.jpg"), "240x180", "#e63946", "HOTEL\nDEMO")
    shutil.copy(os.path.join(cache, "back.jpg"), os.path.join(home, "skin", "back.jpg"))
    shutil.copy(os.path.join(cache, "logo.jpg"), os.path.join(home, "skin", "logo.jpg"))
    server = "127.0.0.1:%d" % http_port
    config = crlf([
        "[Variables_Setup]",
        "cycle_phrase=5",
        "vitesse_affphrase=30",
        "majvid_heure=02:00",
        "majphr_heure=10",
        "ratio_taillebandeau=8",
        "taille_police=32",
        "nom_hotel=" + HOTEL,
        "mode_manuel=" + ("False" if auto else "True"),
        "couleur_texte=True",
        "",
        "[Serveurs]",
        "maj=" + server,
        "videos=" + server,
        "meteo=" + server,
        "ftp=127.0.0.1:%d" % ftp_port,
        "ftp_user=demo",
        "ftp_password=demo",
        "",
        "[Systeme]",
        "; the demo never reboots the machine: the daily reboot only writes a line",
        "reboot=/bin/sh -c \"echo reboot requested >> '%s'\"" % os.path.join(demo, "reboot.log"),
    ])
    write(os.path.join(home, "cfg", "config.ini"), config.encode("utf-8"))

    # What the update, content and weather servers publish.
    write(os.path.join(www, "zeprilia", "url.txt"),
          crlf(["http://127.0.0.1:%d/accueil.html" % http_port, "http://127.0.0.1:%d/autre.html" % http_port]).encode())
    write(os.path.join(www, "accueil.html"), (
        "<html><body style='font-family:sans-serif;background:#1d3557;color:white;text-align:center'>"
        "<h1>H&ocirc;tel D&eacute;mo</h1><p>Votre cha&icirc;ne d'information se pr&eacute;pare&hellip;</p>"
        "<p>Your information channel is getting ready&hellip;</p></body></html>").encode())
    write(os.path.join(www, "download", "index.html"), b"<html><body><h1>Download</h1></body></html>")
    # The legacy server stores the texts in Windows-1252.
    write(os.path.join(www, "zeprilia", "datas", "textes", HOTEL + "_txt.ini"), crlf(PHRASES).encode("cp1252"))
    for cat in CATEGORIES:
        write(os.path.join(www, "zeprilia", "datas", "videos", cat + ".ini"), crlf(names[cat]).encode())
        for name in names[cat]:
            os.makedirs(os.path.join(www, "videos", cat), exist_ok=True)
            shutil.copy(os.path.join(cache, cat, name), os.path.join(www, "videos", cat, name))
    write(os.path.join(www, "api", "api", "rss_simple.php"), WEATHER.encode())

    # A small tree for the operator panel's FTP browser.
    for cat in CATEGORIES[:2]:
        for name in names[cat][:2]:
            os.makedirs(os.path.join(ftp, cat), exist_ok=True)
            shutil.copy(os.path.join(cache, cat, name), os.path.join(ftp, cat, name))
    write(os.path.join(ftp, "LISEZMOI.txt"), b"Demo content server\r\n")
    print(home)


if __name__ == "__main__":
    main()
