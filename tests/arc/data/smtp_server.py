#!/usr/bin/python3
"""Mail server for the loopback tests of the library's mail service.

Listens on --host:--port, prints "smtp server listening on <host>:<port>"
once it accepts connections, and keeps every message it accepts in --out:
mail_<n>.eml holds the message text as received (dot-stuffing undone, line
ends as sent), mail_<n>.env the HELO name, the sender and the receivers, one
per line. Receivers whose name starts with "refuse" are refused (550), and
a message holding "REJECT-THIS-MESSAGE" is refused at its end (554). Ends
after --max-seconds at the latest.
"""
import argparse
import os
import sys
import threading
import time

from aiosmtpd.controller import Controller


class Keeper:
    def __init__(self, out):
        self.out = out
        self.count = 0
        self.lock = threading.Lock()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.split("@")[0].startswith("refuse"):
            return "550 5.1.1 Mailbox refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        content = envelope.original_content or b""
        if b"REJECT-THIS-MESSAGE" in content:
            return "554 5.6.0 Message rejected"
        with self.lock:
            self.count += 1
            base = os.path.join(self.out, "mail_%d" % self.count)
        with open(base + ".eml.part", "wb") as f:
            f.write(content)
        with open(base + ".env.part", "w") as f:
            f.write("%s\n%s\n" % (session.host_name, envelope.mail_from))
            for rcpt in envelope.rcpt_tos:
                f.write("%s\n" % rcpt)
        os.rename(base + ".eml.part", base + ".eml")
        os.rename(base + ".env.part", base + ".env")
        return "250 Message accepted"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=25)
    parser.add_argument("--out", required=True)
    parser.add_argument("--max-seconds", type=float, default=600)
    args = parser.parse_args()

    controller = Controller(Keeper(args.out), hostname=args.host, port=args.port)
    controller.start()
    print("smtp server listening on %s:%d" % (args.host, args.port), flush=True)
    deadline = time.monotonic() + args.max_seconds
    try:
        while time.monotonic() < deadline:
            time.sleep(0.2)
    except KeyboardInterrupt:
        pass
    controller.stop()


if __name__ == "__main__":
    sys.exit(main())
