#!/usr/bin/python3
"""FTP server for the loopback tests of the library's file transfers.

Serves one folder to one user on 127.0.0.1 (a free port unless --port is
given), prints "ftp server listening on 127.0.0.1:<port>" once it accepts
connections, and ends after --max-seconds at the latest. Only active mode is
served: PASV and EPSV are unknown commands here.
"""
import argparse
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--max-seconds", type=float, default=600)
    args = parser.parse_args()

    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    # Clients must use active mode: passive data connections are refused.
    handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items()
                          if k not in ("PASV", "EPSV")}
    handler.auth_failed_timeout = 0.1
    server = FTPServer(("127.0.0.1", args.port), handler)
    port = server.socket.getsockname()[1]

    timer = threading.Timer(args.max_seconds, lambda: os._exit(0))
    timer.daemon = True
    timer.start()
    print("ftp server listening on 127.0.0.1:%d" % port, flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
