#!/usr/bin/env bash
# Starts a vsftpd on 127.0.0.1 with one large file, runs transfer_bench against it, and stops
# the server again.
#
#   run_bench.sh TRANSFER_BENCH [BYTES] [REPEAT]
#
# BYTES defaults to 268435456 (256 MiB). Everything lives in a temporary folder that is
# removed at the end.
set -euo pipefail

bench=${1:?usage: run_bench.sh TRANSFER_BENCH [BYTES] [REPEAT]}
bytes=${2:-268435456}
repeat=${3:-3}
bench=$(cd "$(dirname "$bench")" && pwd)/$(basename "$bench")

state=$(mktemp -d "${TMPDIR:-/tmp}/tavo-transfer-bench.XXXXXX")
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -TERM -- "-$pid" 2>/dev/null || true
        sleep 0.2
        kill -KILL -- "-$pid" 2>/dev/null || true
    fi
    chmod -R u+w "$state" 2>/dev/null || true
    rm -rf "$state"
}
trap cleanup EXIT

root=$state/root
mkdir -p "$root/incoming" "$state/work"
head -c "$bytes" /dev/urandom >"$root/big.bin"
chmod 644 "$root/big.bin"
chmod 777 "$root/incoming"
chmod 555 "$root" # vsftpd refuses anonymous writes with a writable root

port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$state/vsftpd.conf" <<CONF
listen=YES
listen_address=127.0.0.1
listen_port=$port
background=NO
run_as_launching_user=YES
seccomp_sandbox=NO
anonymous_enable=YES
anon_root=$root
no_anon_password=YES
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_umask=022
local_enable=NO
CONF
setsid /usr/sbin/vsftpd "$state/vsftpd.conf" >"$state/vsftpd.log" 2>&1 </dev/null &
pid=$!

for _ in $(seq 100); do
    curl -s --max-time 1 "ftp://127.0.0.1:$port/" >/dev/null 2>&1 && break
    sleep 0.1
done

"$bench" --port "$port" --file big.bin --upload-dir incoming --work-dir "$state/work" \
    --repeat "$repeat"
