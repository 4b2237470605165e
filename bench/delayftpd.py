#!/usr/bin/env python3
"""pyftpdlib serving ROOT for user "bench" (password "bench") on 127.0.0.1, each session in a
thread of its own. With --delay-ms every reply waits that long first, like a far server (this
machine's kernel has no netem). The port goes to --port-file once the server listens."""
import argparse
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import ThreadedFTPServer

parser = argparse.ArgumentParser()
parser.add_argument("root")
parser.add_argument("--port-file", required=True)
parser.add_argument("--delay-ms", type=float, default=0.0)
args = parser.parse_args()

authorizer = DummyAuthorizer()
authorizer.add_user("bench", "bench", args.root, perm="elradfmwMT")


class DelayedHandler(FTPHandler):
    def respond(self, resp, *rest, **named):
        if args.delay_ms > 0:
            time.sleep(args.delay_ms / 1000.0)
        super().respond(resp, *rest, **named)


DelayedHandler.authorizer = authorizer
server = ThreadedFTPServer(("127.0.0.1", 0), DelayedHandler)
with open(args.port_file, "w") as out:
    out.write(str(server.socket.getsockname()[1]))
server.serve_forever()
