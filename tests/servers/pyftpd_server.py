#!/usr/bin/python3
"""The pyftpdlib server of the tests: one user with a password and full rights over a root.

    pyftpd_server.py --root DIR --user NAME --password PASS
                     [--port N] [--port-file FILE] [--passive-ports LO-HI]
                     [--reply 'COMMAND=reply text' ...]

--port 0 (the default) lets the system choose; the port in use is written to --port-file once
the server listens. --reply answers a command with a fixed reply instead of carrying it out,
for a test that needs a particular refusal, e.g. --reply 'DELE=550 Not today.' or a
multi-line one with \\r\\n inside. Runs until SIGTERM or SIGINT.

Needs the distribution's python3-pyftpdlib, importable by /usr/bin/python3.
"""
import argparse
import logging
import os
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class ScriptableHandler(FTPHandler):
    """FTPHandler with fixed replies for chosen commands."""

    fixed_replies = {}

    def pre_process_command(self, line, cmd, arg):
        reply = self.fixed_replies.get(cmd)
        if reply is not None:
            self.logline("fixed reply to %s: %r" % (cmd, reply))
            self.respond(reply)
            return
        super().pre_process_command(line, cmd, arg)


def parse_args(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--passive-ports")
    parser.add_argument("--reply", action="append", default=[])
    return parser.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    logging.basicConfig(level=logging.INFO, format="%(asctime)s %(message)s")

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, os.path.abspath(args.root), perm="elradfmwMT")

    handler = ScriptableHandler
    handler.authorizer = authorizer
    handler.banner = "pyftpdlib test server ready."
    # pyftpdlib waits 3 s before refusing a log-in; tests of refused log-ins need no brake.
    handler.auth_failed_timeout = 0
    if args.passive_ports:
        low, high = (int(p) for p in args.passive_ports.split("-"))
        handler.passive_ports = range(low, high + 1)
    for item in args.reply:
        command, _, text = item.partition("=")
        handler.fixed_replies[command.strip().upper()] = text.replace("\\r\\n", "\r\n")

    server = FTPServer((args.host, args.port), handler)
    server.max_cons = 256
    port = server.address[1]
    if args.port_file:
        partial = args.port_file + ".partial"
        with open(partial, "w") as out:
            out.write("%d\n" % port)
        os.replace(partial, args.port_file)

    def stop(signum, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, stop)
    try:
        server.serve_forever(handle_exit=False)
    except KeyboardInterrupt:
        pass
    finally:
        server.close_all()


if __name__ == "__main__":
    main(sys.argv[1:])
