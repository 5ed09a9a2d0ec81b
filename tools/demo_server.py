#!/usr/bin/python3
"""Local stand-in for the update, content and weather servers of the demo.

Serves a directory over HTTP on 127.0.0.1 only, with byte ranges ("Range: bytes=N-"),
so the player's fetches and video downloads can be tried without the real servers.
Usage: demo_server.py ROOT PORT [VIDEO_KBPS]
VIDEO_KBPS slows the video downloads down so that their progress can be watched.
"""
import http.server
import os
import sys
import time
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def translate_path(self, path):
        # The query ("?id=32704&") names no file: the weather document is a plain file.
        path = urllib.parse.unquote(urllib.parse.urlsplit(path).path)
        parts = [p for p in path.split("/") if p not in ("", ".", "..")]
        return os.path.join(self.server.root, *parts)

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        if not os.path.isfile(path):
            self.send_error(404, "not found")
            return None
        size = os.path.getsize(path)
        start = 0
        rng = self.headers.get("Range", "")
        if rng.startswith("bytes=") and rng[6:].split("-")[0].isdigit():
            start = min(int(rng[6:].split("-")[0]), size)
        f = open(path, "rb")
        f.seek(start)
        if rng:
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, max(size - 1, start), size))
        else:
            self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Length", str(size - start))
        self.end_headers()
        return f

    def copyfile(self, source, outputfile):
        rate = self.server.video_rate
        if not rate or not self.path.startswith("/videos/"):
            return super().copyfile(source, outputfile)
        block = 16 * 1024
        while True:
            data = source.read(block)
            if not data:
                break
            outputfile.write(data)
            time.sleep(block / (rate * 1024.0))

    def log_message(self, fmt, *args):
        sys.stderr.write("demo-server: " + (fmt % args) + "\n")


def main():
    root, port = sys.argv[1], int(sys.argv[2])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
    server.root = os.path.abspath(root)
    server.video_rate = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
