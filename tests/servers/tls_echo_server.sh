#!/usr/bin/env bash
# A TLS server on 127.0.0.1 for the platform's TLS tests: Debian's `openssl s_server -rev`,
# which answers every line with the same line reversed and ends with "\n", and ends a
# connection (close_notify, then close) when the client sends close_notify or closes. It
# serves one connection at a time, any number of them, with a self-signed certificate for
# CN=localhost made anew at each start. Beside it, tls_talker_server.py, with the same
# certificate: a server that speaks first and then waits for the client's close_notify.
#
#   tls_echo_server.sh run STATE_DIR COMMAND [args...]
#
# starts the server, runs COMMAND with
#   TAVO_TLS_HOST, TAVO_TLS_PORT  where it listens
#   TAVO_TLS_SHA256               the certificate's SHA-256 fingerprint, as openssl writes it
#   TAVO_TLS_LOG                  the server's log: every TLS message it sends and receives,
#                                 one line each (`-msg`), as it happens
#   TAVO_TLS_TALKER_PORT          where tls_talker_server.py listens (on TAVO_TLS_HOST)
# and stops the server, answering COMMAND's exit status. The server stops by itself after
# TAVO_TLS_SERVER_SECONDS (default 600) whatever happens.
set -uo pipefail

usage() {
    sed -n '2,16p' "$0" >&2
    exit 2
}

[ $# -ge 3 ] && [ "$1" = run ] || usage
mkdir -p "$2" || exit 1
state=$(cd "$2" && pwd)
shift 2

rm -f "$state/cert.pem" "$state/key.pem" "$state/server.log" "$state/talker.log"
if ! openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=localhost -days 30 \
    -keyout "$state/key.pem" -out "$state/cert.pem" >"$state/req.log" 2>&1; then
    echo "tls_echo_server: could not make the certificate:" >&2
    cat "$state/req.log" >&2
    exit 1
fi
sha256=$(openssl x509 -in "$state/cert.pem" -noout -fingerprint -sha256 | sed 's/^[^=]*=//')

# Port 0: the system chooses, and s_server names the port in its "ACCEPT host:port" line.
setsid timeout -k 5 "${TAVO_TLS_SERVER_SECONDS:-600}" openssl s_server -rev -msg \
    -accept 127.0.0.1:0 -cert "$state/cert.pem" -key "$state/key.pem" \
    >"$state/server.log" 2>&1 </dev/null &
server=$!
setsid timeout -k 5 "${TAVO_TLS_SERVER_SECONDS:-600}" python3 \
    "$(dirname "$0")/tls_talker_server.py" "$state/cert.pem" "$state/key.pem" \
    >"$state/talker.log" 2>&1 </dev/null &
talker=$!
stop() {
    # The process groups of the timeouts above: each and its server, nothing else.
    kill -TERM -- "-$server" "-$talker" 2>/dev/null
    wait "$server" "$talker" 2>/dev/null
}
trap stop EXIT
trap 'exit 130' INT TERM

port=
for _ in $(seq 100); do
    port=$(sed -n 's/^ACCEPT 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$state/server.log")
    [ -n "$port" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "tls_echo_server: openssl s_server did not start; its log:" >&2
    cat "$state/server.log" >&2
    exit 1
fi

talkerPort=
for _ in $(seq 100); do
    talkerPort=$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$state/talker.log")
    [ -n "$talkerPort" ] && break
    kill -0 "$talker" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$talkerPort" ]; then
    echo "tls_echo_server: tls_talker_server.py did not start; its log:" >&2
    cat "$state/talker.log" >&2
    exit 1
fi

export TAVO_TLS_HOST=127.0.0.1 TAVO_TLS_PORT=$port TAVO_TLS_SHA256=$sha256
export TAVO_TLS_TALKER_PORT=$talkerPort
export TAVO_TLS_LOG=$state/server.log
"$@"
