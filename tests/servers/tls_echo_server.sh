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

# wait_for_port PID LOG PATTERN NAME: the port a server wrote to its log (sed pattern, the port
# as \1), or its log and failure when it ends or stays silent for 10 s.
wait_for_port() {
    local pid=$1 log=$2 pattern=$3 name=$4 found=
    for _ in $(seq 100); do
        found=$(sed -n "s/$pattern/\\1/p" "$log")
        [ -n "$found" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$found" ]; then
        echo "tls_echo_server: $name did not start; its log:" >&2
        cat "$log" >&2
        return 1
    fi
    echo "$found"
}
port=$(wait_for_port "$server" "$state/server.log" '^ACCEPT 127\.0\.0\.1:\([0-9]*\)$' \
    "openssl s_server") || exit 1
talkerPort=$(wait_for_port "$talker" "$state/talker.log" '^PORT \([0-9]*\)$' \
    tls_talker_server.py) || exit 1

export TAVO_TLS_HOST=127.0.0.1 TAVO_TLS_PORT=$port TAVO_TLS_SHA256=$sha256
export TAVO_TLS_TALKER_PORT=$talkerPort
export TAVO_TLS_LOG=$state/server.log
"$@"
