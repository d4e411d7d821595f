#!/usr/bin/env bash
# The real FTP servers of a test run, on 127.0.0.1 only.
#
#   servers.sh start STATE_DIR   build the test trees, start vsftpd and pyftpdlib, and write
#                                STATE_DIR/env.sh (the TAVO_* variables the tests read)
#   servers.sh demo STATE_DIR    start pyftpdlib alone with the small demo tree (env.sh as above)
#   servers.sh stop STATE_DIR    stop what start or demo started (by the recorded process ids)
#
# Settings (environment): TAVO_BIG_FILE_BYTES (size of big.bin, default 268435456),
# TAVO_SERVER_CACHE (where big.bin is made once, default STATE_DIR/../server-cache).
#
# Both servers name their tree "/" to the client, wherever STATE_DIR is.
# vsftpd: anonymous, no password, root read-only (mode 555) with a writable "incoming"; every
# command and reply goes to the protocol log named by TAVO_VSFTPD_LOG. It needs root: only then
# does it confine the anonymous user to its tree (chroot), with the session running as the
# "ftp" account that Debian's vsftpd package makes. Started by anyone else, it is left out and
# its tests skip.
# pyftpdlib: user "tavo" with a password, full rights below its own root.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
python=/usr/bin/python3 # the interpreter that has pyftpdlib
vsftpd=/usr/sbin/vsftpd

usage() {
    sed -n '2,17p' "$0" >&2
    exit 2
}

free_port() {
    "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits until a server on the port greets with 220 (10 s at most).
wait_for_greeting() {
    "$python" - "$1" <<'EOF'
import socket, sys, time
port = int(sys.argv[1])
deadline = time.time() + 10
while time.time() < deadline:
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=2) as s:
            s.settimeout(2)
            if s.recv(512).startswith(b"220"):
                s.sendall(b"QUIT\r\n")
                sys.exit(0)
    except OSError:
        pass
    time.sleep(0.1)
sys.exit(1)
EOF
}

# Process ids recorded by start are process-group leaders (setsid): stopping a group ends the
# server and any session process it forked, and nothing else.
record() { echo "$1 $2" >>"$state/pids"; }

stop_all() {
    [ -f "$state/pids" ] || return 0
    local name pid waited ours=()
    while read -r name pid; do
        # Only a process that is still the server we started (ids get reused).
        if kill -0 "$pid" 2>/dev/null && grep -qa -e vsftpd -e pyftpd_server "/proc/$pid/cmdline" 2>/dev/null; then
            ours+=("$pid")
            kill -TERM -- "-$pid" 2>/dev/null || true
        fi
    done <"$state/pids"
    for pid in "${ours[@]}"; do
        waited=0
        while kill -0 "$pid" 2>/dev/null && [ $waited -lt 50 ]; do
            sleep 0.1
            waited=$((waited + 1))
        done
        kill -KILL -- "-$pid" 2>/dev/null || true
    done
    rm -f "$state/pids"
}

# The account an anonymous vsftpd session runs as. vsftpd changes into the account's home
# folder before it confines the session to anon_root, so that folder must exist.
ftp_account() {
    if ! getent passwd ftp >/dev/null; then
        useradd --system --user-group --home-dir /srv/ftp --no-create-home \
            --shell /usr/sbin/nologin --comment "ftp daemon" ftp || return 1
    fi
    local home
    home=$(getent passwd ftp | cut -d: -f6)
    [ -d "$home" ] || install -d -m 755 "$home"
}

start_vsftpd() {
    local root=$1
    vsftpd_port=$(free_port)
    # A random block of passive ports, so runs side by side rarely meet (vsftpd retries a
    # port that is taken anyway).
    local low=$((40000 + (RANDOM % 200) * 100))
    # The protocol log lets a test see what a client sent, or did not send, before it left.
    rm -f "$state/vsftpd-protocol.log"
    ftp_account || return 1
    # vsftpd's privilege-separated helper confines itself here: empty, and root's alone.
    local empty=$state/vsftpd-empty
    rm -rf "$empty"
    install -d -m 555 "$empty"
    # Run as root without run_as_launching_user, vsftpd chroots the anonymous user to anon_root:
    # the client sees the tree as "/" however the folders above it are protected, and cannot
    # reach the rest of the machine. vsftpd refuses a chroot root its user may write to, hence
    # the root's mode 555 and the writable "incoming" below it.
    cat >"$state/vsftpd.conf" <<EOF
listen=YES
listen_address=127.0.0.1
listen_port=$vsftpd_port
background=NO
seccomp_sandbox=NO
anonymous_enable=YES
anon_root=$root
ftp_username=ftp
secure_chroot_dir=$empty
no_anon_password=YES
write_enable=YES
anon_upload_enable=YES
anon_mkdir_write_enable=YES
anon_other_write_enable=YES
anon_umask=022
local_enable=NO
pasv_min_port=$low
pasv_max_port=$((low + 99))
xferlog_enable=YES
xferlog_std_format=NO
log_ftp_protocol=YES
vsftpd_log_file=$state/vsftpd-protocol.log
EOF
    setsid "$vsftpd" "$state/vsftpd.conf" >"$state/vsftpd.log" 2>&1 </dev/null &
    record vsftpd $!
    if ! wait_for_greeting "$vsftpd_port"; then
        echo "servers.sh: vsftpd did not start; its log:" >&2
        cat "$state/vsftpd.log" >&2
        return 1
    fi
}

start_pyftpd() {
    local root=$1
    pyftpd_pass=Tavo-Pass-2024
    rm -f "$state/pyftpd.port"
    setsid "$python" "$here/pyftpd_server.py" --root "$root" --user tavo \
        --password "$pyftpd_pass" --port-file "$state/pyftpd.port" \
        >"$state/pyftpd.log" 2>&1 </dev/null &
    record pyftpd $!
    local waited=0
    while [ ! -s "$state/pyftpd.port" ] && [ $waited -lt 100 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    pyftpd_port=$(cat "$state/pyftpd.port" 2>/dev/null || true)
    if [ -z "$pyftpd_port" ] || ! wait_for_greeting "$pyftpd_port"; then
        echo "servers.sh: pyftpdlib did not start; its log:" >&2
        cat "$state/pyftpd.log" >&2
        return 1
    fi
}

[ $# -eq 2 ] || usage
command=$1
mkdir -p "$2"
state=$(cd "$2" && pwd)
big_bytes=${TAVO_BIG_FILE_BYTES:-268435456}
cache=${TAVO_SERVER_CACHE:-$(dirname "$state")/server-cache}

case "$command" in
start)
    stop_all
    trap 'stop_all' ERR
    vsftpd_port=
    "$python" "$here/make_tree.py" "$state/pyftpd-root" --big-bytes "$big_bytes" --cache "$cache"
    : >"$state/env.sh.new"
    if [ "$(id -u)" -eq 0 ]; then
        "$python" "$here/make_tree.py" "$state/vsftpd-root" --read-only-root \
            --big-bytes "$big_bytes" --cache "$cache"
        start_vsftpd "$state/vsftpd-root"
        cat >>"$state/env.sh.new" <<EOF
export TAVO_VSFTPD_HOST=127.0.0.1
export TAVO_VSFTPD_PORT=$vsftpd_port
export TAVO_VSFTPD_USER=anonymous
export TAVO_VSFTPD_PASS=
export TAVO_VSFTPD_ROOT='$state/vsftpd-root'
export TAVO_VSFTPD_LOG='$state/vsftpd-protocol.log'
EOF
    else
        echo "servers.sh: vsftpd confines a session to its tree only when started by root;" \
            "not started, its tests skip" >&2
    fi
    start_pyftpd "$state/pyftpd-root"
    trap - ERR
    cat >>"$state/env.sh.new" <<EOF
export TAVO_PYFTPD_HOST=127.0.0.1
export TAVO_PYFTPD_PORT=$pyftpd_port
export TAVO_PYFTPD_USER=tavo
export TAVO_PYFTPD_PASS=$pyftpd_pass
export TAVO_PYFTPD_ROOT='$state/pyftpd-root'
export TAVO_BIG_FILE_BYTES=$big_bytes
EOF
    mv "$state/env.sh.new" "$state/env.sh"
    echo "servers.sh: ${vsftpd_port:+vsftpd on 127.0.0.1:$vsftpd_port, }pyftpdlib on 127.0.0.1:$pyftpd_port ($state/env.sh)"
    ;;
demo)
    stop_all
    trap 'stop_all' ERR
    "$python" "$here/make_tree.py" "$state/demo-root" --demo
    start_pyftpd "$state/demo-root"
    trap - ERR
    cat >"$state/env.sh" <<EOF
export TAVO_PYFTPD_HOST=127.0.0.1
export TAVO_PYFTPD_PORT=$pyftpd_port
export TAVO_PYFTPD_USER=tavo
export TAVO_PYFTPD_PASS=$pyftpd_pass
export TAVO_PYFTPD_ROOT='$state/demo-root'
EOF
    echo "servers.sh: pyftpdlib on 127.0.0.1:$pyftpd_port serving $state/demo-root"
    ;;
stop)
    stop_all
    ;;
*)
    usage
    ;;
esac
