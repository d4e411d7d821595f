#!/usr/bin/env bash
# The real FTP servers of a test run, on loopback only: 127.0.0.1, and the same servers again
# on [::1] for sessions over IPv6 (left out, with their tests, where ::1 cannot be bound).
#
#   servers.sh start STATE_DIR   build the test trees, start vsftpd, proftpd and pyftpdlib,
#                                and write STATE_DIR/env.sh (the TAVO_* variables the tests read)
#   servers.sh demo STATE_DIR    start pyftpdlib alone with the small demo tree (env.sh as above)
#   servers.sh stop STATE_DIR    stop what start or demo started (by the recorded process ids)
#
# Settings (environment): TAVO_BIG_FILE_BYTES (size of big.bin, default 268435456),
# TAVO_SERVER_CACHE (where big.bin is made once, default STATE_DIR/../server-cache),
# TAVO_PROFTPD_DIR (where scripts/setup.sh unpacked proftpd, default /opt/tavo-proftpd).
#
# Every server names its tree "/" to the client, wherever STATE_DIR is.
# vsftpd: anonymous, no password, root read-only (mode 555) with a writable "incoming"; every
# command and reply goes to the protocol log named by TAVO_VSFTPD_LOG. It needs root: only then
# does it confine the anonymous user to its tree (chroot), with the session running as the
# "ftp" account that Debian's vsftpd package makes. Started by anyone else, it is left out and
# its tests skip. Three more vsftpd serve the same tree over TLS only (explicit twice, with and
# without session reuse, and implicit: TAVO_VSFTPDTLS_*), with a self-signed certificate for
# "localhost" made for the run.
# proftpd: a second TLS-only server (TAVO_PROFTPDTLS_*, same certificate), user "tavo" with a
# password, confined to a small tree of its own; twice, with and without session reuse. It
# runs in a user namespace, started by root or not, and is left out where none can be made.
# pyftpdlib: user "tavo" with a password, full rights below its own root.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
python=/usr/bin/python3 # the interpreter that has pyftpdlib
vsftpd=/usr/sbin/vsftpd
proftpd_dir=${TAVO_PROFTPD_DIR:-/opt/tavo-proftpd}
proftpd=$proftpd_dir/usr/sbin/proftpd

usage() {
    sed -n '2,25p' "$0" >&2
    exit 2
}

free_port() {
    "$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Whether this machine has an IPv6 loopback to listen on.
have_ipv6_loopback() {
    "$python" -c 'import socket; socket.socket(socket.AF_INET6).bind(("::1", 0))' 2>/dev/null
}

free_port6() {
    "$python" -c 'import socket; s = socket.socket(socket.AF_INET6); s.bind(("::1", 0)); print(s.getsockname()[1])'
}

# Waits until a server on the port (of 127.0.0.1, or the address given second) greets with 220
# (10 s at most); with "tls" third, one that speaks TLS from the first byte.
wait_for_greeting() {
    "$python" - "$1" "${2:-127.0.0.1}" "${3:-}" <<'EOF'
import socket, ssl, sys, time
port = int(sys.argv[1])
host = sys.argv[2]
tls = sys.argv[3] == "tls"
deadline = time.time() + 10
while time.time() < deadline:
    try:
        with socket.create_connection((host, port), timeout=2) as plain:
            s = plain
            if tls:
                context = ssl.create_default_context()
                context.check_hostname = False
                context.verify_mode = ssl.CERT_NONE
                s = context.wrap_socket(plain)
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
        if kill -0 "$pid" 2>/dev/null &&
            grep -qa -e vsftpd -e proftpd -e pyftpd_server "/proc/$pid/cmdline" 2>/dev/null; then
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

# run_vsftpd NAME ROOT PORT HOST LISTEN [EXTRA]: writes STATE/NAME.conf (LISTEN and EXTRA are
# config lines) and starts vsftpd with it; its protocol log is STATE/NAME-protocol.log.
run_vsftpd() {
    local name=$1 root=$2 port=$3 listen=$4 extra=${5:-}
    # A random block of passive ports, so runs side by side rarely meet (vsftpd retries a
    # port that is taken anyway).
    local low=$((40000 + (RANDOM % 200) * 100))
    # The protocol log lets a test see what a client sent, or did not send, before it left.
    rm -f "$state/$name-protocol.log"
    ftp_account || return 1
    # vsftpd's privilege-separated helper confines itself here: empty, and root's alone.
    local empty=$state/$name-empty
    rm -rf "$empty"
    install -d -m 555 "$empty"
    # Run as root without run_as_launching_user, vsftpd chroots the anonymous user to anon_root:
    # the client sees the tree as "/" however the folders above it are protected, and cannot
    # reach the rest of the machine. vsftpd refuses a chroot root its user may write to, hence
    # the root's mode 555 and the writable "incoming" below it. What a client makes is writable by
    # all (umask 000): a test cleaning up runs as another user than "ftp", and where the i686 tests
    # run in a user namespace (scripts/i386-emulation.sh) even root cannot remove it otherwise.
    cat >"$state/$name.conf" <<EOF
$listen
listen_port=$port
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
anon_umask=000
utf8_filesystem=YES
local_enable=NO
pasv_min_port=$low
pasv_max_port=$((low + 99))
xferlog_enable=YES
xferlog_std_format=NO
log_ftp_protocol=YES
vsftpd_log_file=$state/$name-protocol.log
$extra
EOF
    setsid "$vsftpd" "$state/$name.conf" >"$state/$name.log" 2>&1 </dev/null &
    record "$name" $!
}

# Says why NAME did not start, with its log, and fails.
server_failed() {
    echo "servers.sh: $1 did not start; its log:" >&2
    cat "$state/$1.log" >&2
    return 1
}

# start_vsftpd ROOT [6]: on 127.0.0.1, or with 6 on ::1 (vsftpd listens on IPv6 only in its
# listen_ipv6 mode, which excludes listen=YES). Sets vsftpd_port or vsftpd6_port.
start_vsftpd() {
    local root=$1 v=${2:-}
    local port listen host=127.0.0.1
    if [ "$v" = 6 ]; then
        port=$(free_port6)
        host=::1
        listen="listen=NO
listen_ipv6=YES
listen_address6=::1"
    else
        port=$(free_port)
        listen="listen=YES
listen_address=127.0.0.1"
    fi
    run_vsftpd "vsftpd$v" "$root" "$port" "$listen" || return 1
    wait_for_greeting "$port" "$host" || server_failed "vsftpd$v" || return 1
    if [ "$v" = 6 ]; then vsftpd6_port=$port; else vsftpd_port=$port; fi
}

# The TLS servers' self-signed certificate for "localhost", made for the run. Sets tls_cert,
# tls_key (beside it) and tls_sha256 (its fingerprint).
make_tls_certificate() {
    tls_cert=$state/tls-cert.pem
    tls_key=$state/tls-key.pem
    openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=localhost -days 30 \
        -keyout "$tls_key" -out "$tls_cert" 2>"$state/openssl.log" || {
        cat "$state/openssl.log" >&2
        return 1
    }
    tls_sha256=$(openssl x509 -noout -fingerprint -sha256 -in "$tls_cert" | sed 's/.*=//')
}

# start_vsftpd_tls ROOT: three vsftpd on 127.0.0.1 that insist on TLS for anonymous log-ins and
# data (RFC 4217), with the run's certificate: one explicit (AUTH TLS) whose data connections
# must resume the control connection's session (require_ssl_reuse, on by default), and one
# explicit and one implicit (TLS from the first byte) that let them start afresh, for clients
# without a session cache (Wine's SChannel). Sets vsftpd_tls_port, vsftpd_tls_lenient_port
# and vsftpd_tls_implicit_port.
start_vsftpd_tls() {
    local root=$1
    local tls="ssl_enable=YES
allow_anon_ssl=YES
force_anon_logins_ssl=YES
force_anon_data_ssl=YES
rsa_cert_file=$tls_cert
rsa_private_key_file=$tls_key"
    local listen="listen=YES
listen_address=127.0.0.1"
    vsftpd_tls_port=$(free_port)
    run_vsftpd vsftpd-tls "$root" "$vsftpd_tls_port" "$listen" "$tls" || return 1
    vsftpd_tls_lenient_port=$(free_port)
    run_vsftpd vsftpd-tls-lenient "$root" "$vsftpd_tls_lenient_port" "$listen" \
        "$tls
require_ssl_reuse=NO" || return 1
    vsftpd_tls_implicit_port=$(free_port)
    run_vsftpd vsftpd-tls-implicit "$root" "$vsftpd_tls_implicit_port" "$listen" \
        "$tls
require_ssl_reuse=NO
implicit_ssl=YES" || return 1
    wait_for_greeting "$vsftpd_tls_port" || server_failed vsftpd-tls || return 1
    wait_for_greeting "$vsftpd_tls_lenient_port" || server_failed vsftpd-tls-lenient || return 1
    wait_for_greeting "$vsftpd_tls_implicit_port" 127.0.0.1 tls ||
        server_failed vsftpd-tls-implicit || return 1
}

# Whether proftpd can run here: unpacked by scripts/setup.sh (Debian's package conflicts with
# vsftpd's, so it is not installed) with its TLS module, and user namespaces allowed.
proftpd_usable() {
    [ -x "$proftpd" ] && [ -f "$proftpd_dir/usr/lib/proftpd/mod_tls.so" ] &&
        unshare --user --map-root-user true 2>/dev/null
}

# run_proftpd NAME ROOT PORT [EXTRA]: writes STATE/NAME.conf (EXTRA: more config lines) and
# starts proftpd with it in the foreground; its log is STATE/NAME.log, its TLS log
# STATE/NAME-tls.log. The user is the one start_proftpd_tls writes.
#
# proftpd resolves DefaultRoot with the rights of the user logging in, so an unprivileged
# account cannot reach a tree below a folder only its owner may enter (a mode-700 clone).
# Hence a user namespace whose root is whoever runs this script: the session logs in as that
# root (RootLogin), reaches the tree as its owner and is confined to it by chroot, whether the
# script runs as root or not; outside the namespace it has no more rights than the script.
run_proftpd() {
    local name=$1 root=$2 port=$3 extra=${4:-}
    local low=$((40000 + (RANDOM % 200) * 100))
    rm -f "$state/$name-tls.log"
    cat >"$state/$name.conf" <<EOF
ServerType standalone
ServerName "tavo test"
DefaultAddress 127.0.0.1
SocketBindTight on
Port $port
PassivePorts $low $((low + 99))
UseIPv6 off
User root
Group root
PidFile "$state/$name.pid"
ScoreboardFile "$state/$name.scoreboard"
TransferLog "$state/$name-xfer.log"
WtmpLog off
DelayEngine off
ControlsEngine off
UseReverseDNS off
AuthOrder mod_auth_file.c
AuthUserFile "$state/proftpd.passwd"
AuthGroupFile "$state/proftpd.group"
RequireValidShell off
RootLogin on
DefaultRoot ~
AllowOverwrite on
ModulePath "$proftpd_dir/usr/lib/proftpd"
LoadModule mod_tls.c
TLSEngine on
TLSRequired on
TLSRSACertificateFile "$tls_cert"
TLSRSACertificateKeyFile "$tls_key"
TLSVerifyClient off
TLSLog "$state/$name-tls.log"
$extra
EOF
    setsid unshare --user --map-root-user "$proftpd" --nodaemon --config "$state/$name.conf" \
        >"$state/$name.log" 2>&1 </dev/null &
    record "$name" $!
}

# start_proftpd_tls ROOT: two proftpd on 127.0.0.1 that require TLS for the log-in and the data,
# with the run's certificate. mod_tls refuses a data connection that does not resume the control
# connection's TLS session, as vsftpd does; the second instance waives that for Wine's SChannel,
# which keeps no session cache. Sets proftpd_tls_port, proftpd_tls_lenient_port and
# proftpd_pass.
start_proftpd_tls() {
    local root=$1
    proftpd_pass=Tavo-Pass-2024
    local hash
    hash=$(openssl passwd -6 "$proftpd_pass") || return 1
    # mod_auth_file refuses files others may read. Uid 0 is the namespace's root (run_proftpd);
    # it cannot set supplementary groups there, which proftpd logs as an error and gets over.
    (
        umask 077
        printf 'tavo:%s:0:0::%s:/bin/false\n' "$hash" "$root" >"$state/proftpd.passwd"
        printf 'tavo:x:0:\n' >"$state/proftpd.group"
    ) || return 1
    proftpd_tls_port=$(free_port)
    run_proftpd proftpd-tls "$root" "$proftpd_tls_port" || return 1
    proftpd_tls_lenient_port=$(free_port)
    run_proftpd proftpd-tls-lenient "$root" "$proftpd_tls_lenient_port" \
        "TLSOptions NoSessionReuseRequired" || return 1
    wait_for_greeting "$proftpd_tls_port" || server_failed proftpd-tls || return 1
    wait_for_greeting "$proftpd_tls_lenient_port" || server_failed proftpd-tls-lenient || return 1
}

# start_pyftpd ROOT [6]: on 127.0.0.1, or with 6 on ::1. Sets pyftpd_port or pyftpd6_port.
start_pyftpd() {
    local root=$1 v=${2:-}
    local host=127.0.0.1
    [ "$v" = 6 ] && host=::1
    pyftpd_pass=Tavo-Pass-2024
    rm -f "$state/pyftpd$v.port"
    setsid "$python" "$here/pyftpd_server.py" --root "$root" --user tavo --host "$host" \
        --password "$pyftpd_pass" --port-file "$state/pyftpd$v.port" \
        >"$state/pyftpd$v.log" 2>&1 </dev/null &
    record pyftpd$v $!
    local waited=0
    while [ ! -s "$state/pyftpd$v.port" ] && [ $waited -lt 100 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    local port
    port=$(cat "$state/pyftpd$v.port" 2>/dev/null || true)
    if [ -z "$port" ] || ! wait_for_greeting "$port" "$host"; then
        echo "servers.sh: pyftpdlib did not start on $host; its log:" >&2
        cat "$state/pyftpd$v.log" >&2
        return 1
    fi
    if [ "$v" = 6 ]; then pyftpd6_port=$port; else pyftpd_port=$port; fi
}

# export_server NAME HOST PORT USER PASSWORD ROOT [FILE]: the variables a test reads of a server
# (TAVO_NAME_HOST and so on), added to FILE (default: the env.sh being written).
export_server() {
    local name=TAVO_$1 file=${7:-$state/env.sh.new}
    printf "export ${name}_%s='%s'\n" HOST "$2" PORT "$3" USER "$4" PASS "$5" ROOT "$6" >>"$file"
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
    vsftpd6_port=
    vsftpd_tls_port=
    vsftpd_tls_lenient_port=
    vsftpd_tls_implicit_port=
    proftpd_tls_port=
    pyftpd6_port=
    "$python" "$here/make_tree.py" "$state/pyftpd-root" --big-bytes "$big_bytes" --cache "$cache"
    : >"$state/env.sh.new"
    make_tls_certificate
    if [ "$(id -u)" -eq 0 ]; then
        "$python" "$here/make_tree.py" "$state/vsftpd-root" --read-only-root \
            --big-bytes "$big_bytes" --cache "$cache"
        start_vsftpd "$state/vsftpd-root"
        start_vsftpd_tls "$state/vsftpd-root"
        if have_ipv6_loopback; then
            start_vsftpd "$state/vsftpd-root" 6
            export_server VSFTPD6 '[::1]' "$vsftpd6_port" anonymous '' "$state/vsftpd-root"
        fi
        export_server VSFTPD 127.0.0.1 "$vsftpd_port" anonymous '' "$state/vsftpd-root"
        export_server VSFTPDTLS 127.0.0.1 "$vsftpd_tls_port" anonymous '' "$state/vsftpd-root"
        cat >>"$state/env.sh.new" <<EOF
export TAVO_VSFTPD_LOG='$state/vsftpd-protocol.log'
export TAVO_VSFTPDTLS_LENIENT_PORT=$vsftpd_tls_lenient_port
export TAVO_VSFTPDTLS_IMPLICIT_PORT=$vsftpd_tls_implicit_port
export TAVO_VSFTPDTLS_CERT='$tls_cert'
export TAVO_VSFTPDTLS_SHA256=$tls_sha256
EOF
    else
        echo "servers.sh: vsftpd confines a session to its tree only when started by root;" \
            "not started, its tests skip" >&2
    fi
    if proftpd_usable; then
        "$python" "$here/make_tree.py" "$state/proftpd-root" --small
        start_proftpd_tls "$state/proftpd-root"
        export_server PROFTPDTLS 127.0.0.1 "$proftpd_tls_port" tavo "$proftpd_pass" \
            "$state/proftpd-root"
        cat >>"$state/env.sh.new" <<EOF
export TAVO_PROFTPDTLS_LENIENT_PORT=$proftpd_tls_lenient_port
export TAVO_PROFTPDTLS_SHA256=$tls_sha256
EOF
    else
        echo "servers.sh: proftpd is not unpacked in $proftpd_dir (scripts/setup.sh does it) or" \
            "no user namespace can be made here; not started, its tests skip" >&2
    fi
    start_pyftpd "$state/pyftpd-root"
    if have_ipv6_loopback; then
        start_pyftpd "$state/pyftpd-root" 6
        export_server PYFTPD6 '[::1]' "$pyftpd6_port" tavo "$pyftpd_pass" "$state/pyftpd-root"
    else
        echo "servers.sh: no IPv6 loopback here; the [::1] servers and their tests are left out" >&2
    fi
    trap - ERR
    export_server PYFTPD 127.0.0.1 "$pyftpd_port" tavo "$pyftpd_pass" "$state/pyftpd-root"
    echo "export TAVO_BIG_FILE_BYTES=$big_bytes" >>"$state/env.sh.new"
    mv "$state/env.sh.new" "$state/env.sh"
    echo "servers.sh: ${vsftpd_port:+vsftpd on 127.0.0.1:$vsftpd_port (TLS: $vsftpd_tls_port, implicit $vsftpd_tls_implicit_port), }${proftpd_tls_port:+proftpd (TLS) on 127.0.0.1:$proftpd_tls_port, }pyftpdlib on 127.0.0.1:$pyftpd_port${vsftpd6_port:+, vsftpd on [::1]:$vsftpd6_port}${pyftpd6_port:+, pyftpdlib on [::1]:$pyftpd6_port} ($state/env.sh)"
    ;;
demo)
    stop_all
    trap 'stop_all' ERR
    "$python" "$here/make_tree.py" "$state/demo-root" --demo
    start_pyftpd "$state/demo-root"
    trap - ERR
    : >"$state/env.sh"
    export_server PYFTPD 127.0.0.1 "$pyftpd_port" tavo "$pyftpd_pass" "$state/demo-root" \
        "$state/env.sh"
    echo "servers.sh: pyftpdlib on 127.0.0.1:$pyftpd_port serving $state/demo-root"
    ;;
stop)
    stop_all
    ;;
*)
    usage
    ;;
esac
