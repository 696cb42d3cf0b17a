#!/usr/bin/env bash
# Runs the mail server tests of a Windows test program (those the GoogleTest
# filter names, MailServer.* unless given) under wine in a private network
# namespace, where Debian's mail server listens on port 25 of 127.0.0.1,
# running natively beside it. As root the namespace
# comes from "unshare -n", otherwise from "unshare -rn"; where the system
# refuses both, the test is skipped (exit 77). The program finds the folder
# where the server keeps the messages in QM32_SMTP_OUT.
# Usage: mail_in_private_network.sh <wine> <test.exe> <smtp_server.py> [filter]
set -euo pipefail
if [ -z "${QM32_MAIL_NAMESPACE:-}" ]; then
  flags=-n
  [ "$(id -u)" = 0 ] || flags=-rn
  if ! unshare "$flags" true 2>/dev/null; then
    echo "network namespaces are refused here (unshare $flags):" \
      "the mail server tests need port 25 of a private network" >&2
    exit 77
  fi
  QM32_MAIL_NAMESPACE=1 exec unshare "$flags" bash "$0" "$@"
fi

wine=$1 exe=$2 server=$3 filter=${4:-MailServer.*}
ip link set lo up
out=$(mktemp -d)
/usr/bin/python3 "$server" --host 127.0.0.1 --port 25 --out "$out/mail" --max-seconds 600 \
  >"$out/server.log" 2>&1 &
pid=$!
# Wine's sockets belong to its server: a server of this prefix still running outside the
# namespace (left by the test before) would connect to the outer 127.0.0.1. So the prefix's
# server is stopped before the test and again after it, so that later tests do not reach
# the namespace's server either.
wineserver=${WINESERVER:-wineserver}
stop_wineserver() { "$wineserver" -k 2>/dev/null || true; "$wineserver" -w 2>/dev/null || true; }
stop_wineserver
trap 'stop_wineserver; kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$out"' EXIT
mkdir "$out/mail"
line=""
for _ in $(seq 100); do
  line=$(head -n 1 "$out/server.log")
  case "$line" in "smtp server listening on 127.0.0.1:25") break ;; esac
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ "$line" != "smtp server listening on 127.0.0.1:25" ]; then
  echo "the mail server did not start: $(cat "$out/server.log")" >&2
  exit 1
fi
QM32_SMTP_OUT="$out/mail" "$wine" "$exe" --gtest_filter="$filter"
