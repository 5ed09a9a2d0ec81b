#!/usr/bin/python3
"""A small read-only FTP server on 127.0.0.1 for the tests and the demo.

usage: ftp_server.py ROOT PORT USER PASSWORD [--no-mlsd] [--demo-tree]

PORT 0 picks a free port. "PORT <n>" is printed once the server listens, then one
"CMD <verb> <argument>" line for every command a client sends (the password masked),
so a test can see the wire traffic. Each directory is listed oldest entry first, which
makes the listing order reproducible. --no-mlsd answers MLSD as an unknown command, the
way older servers do.
"""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class _Listing(list):
    # The handler sorts LIST and NLST output by name; the order chosen below is kept.
    def sort(self, *args, **kwargs):
        pass


class OldestFirstFS(AbstractedFS):
    def listdir(self, path):
        names = os.listdir(path)

        def age(name):
            try:
                return os.lstat(os.path.join(path, name)).st_mtime_ns
            except OSError:
                return 0
        return _Listing(sorted(names, key=lambda n: (age(n), n)))


def tracing_handler(base):
    class TracingHandler(base):
        abstracted_fs = OldestFirstFS
        # A refused login is answered at once: the client's own timeout is what is tested.
        auth_failed_timeout = 0

        def pre_process_command(self, line, cmd, arg):
            shown = "****" if cmd == "PASS" else arg
            print("CMD %s %s" % (cmd, shown or ""), flush=True)
            return super().pre_process_command(line, cmd, arg)
    return TracingHandler


DEMO_TREE = {
    "bienvenue.txt": "Bienvenue sur le serveur de contenu.\r\n",
    "videos/restaurants/terrasse.avi": "demo video bytes\n" * 64,
    "videos/plages/crique.avi": "demo video bytes\n" * 32,
    "videos/index/index1.avi": "demo index bytes\n" * 16,
    "textes/azure_txt.ini": "Bonjour\r\nHello\r\n",
    "vide/": None,
}


def fill_demo_tree(root):
    if os.listdir(root):
        return
    for name, text in DEMO_TREE.items():
        path = os.path.join(root, name)
        if text is None:
            os.makedirs(path, exist_ok=True)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", newline="") as f:
            f.write(text)


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    if len(args) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    root, port, user, password = args
    if "--demo-tree" in sys.argv:
        os.makedirs(root, exist_ok=True)
        fill_demo_tree(root)
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, os.path.abspath(root), perm="elr")
    handler = tracing_handler(FTPHandler)
    handler.authorizer = authorizer
    if "--no-mlsd" in sys.argv:
        handler.proto_cmds = {k: v for k, v in handler.proto_cmds.items() if k != "MLSD"}
    server = FTPServer(("127.0.0.1", int(port)), handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()
    return 0


if __name__ == "__main__":
    sys.exit(main())
