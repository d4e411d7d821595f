#!/usr/bin/env bash
# The control's transfer speed as its users meet it: one vsftpd on 127.0.0.1 (the test
# servers' own, tests/servers/servers.sh) and, in one run, a download and an upload of the
# same large file by each client, each transfer a run of its own:
#   curl                      the peer every figure is divided by
#   native                    the scripted host on Linux (engine and controller, no screen)
#   wine headless             the Windows scripted host under Wine, the same code as the OCX
#   wine form                 the same host driving the real form (--window)
#   ocx                       TavoProj1.ocx in our container, driven by clicks in its form and
#                             its file choosers, as a page's user downloads and uploads
# For each: the seconds of the transfer itself (curl's own total; the scripted host's from the
# transfer's begin event to its end event; the OCX's from the user's OK in the file chooser to
# the end of the command), that speed as a ratio to curl's, the whole run's seconds (start-up,
# log-in and the chooser included) and the run's peak resident memory. The OCX also reports
# what a download adds to its working set (its peak during the download less its size before).
# Beside the clients' own times, the server's: vsftpd times every client's transfer alike.
#
#   run_bench.sh [BYTES] [FLAVOURS] [REPEAT]
#
# BYTES defaults to 268435456 (256 MiB). FLAVOURS: the Windows build trees to measure
# (default "win64"; add win32 where 32-bit programs run natively). Each client runs REPEAT
# times (default 3); the table shows medians. Builds what it needs in
# TAVO_BUILD_DIR (default <repo>/build). Needs what scripts/setup.sh installs and a display
# for the windows: it starts an Xvfb of its own when DISPLAY is not set.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bytes=${1:-268435456}
flavours=${2:-win64}
repeat=${3:-3}
build=${TAVO_BUILD_DIR:-$root/build}
state=$(mktemp -d "${TMPDIR:-/tmp}/tavo-control-bench.XXXXXX")
chmod 755 "$state"
work=$state/work
mkdir -p "$work"
# The servers' files sit in memory where the machine has a tmpfs, the clients' on disk as a
# user's would. vsftpd truncates a file it receives and ext4 writes such a file out when it
# is closed: on disk, the listing the control asks for after an upload waits about 0.1 s for
# the server's close, a cost of the server's disk that curl, quitting, never meets.
served=$state
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    served=$(mktemp -d /dev/shm/tavo-control-bench.XXXXXX)
    chmod 755 "$served"
fi
# shellcheck disable=SC1091
. "$root/scripts/display.sh"

cleanup() {
    bash "$root/tests/servers/servers.sh" stop "$served/servers" >/dev/null 2>&1 || true
    [ "$served" = "$state" ] || rm -rf "$served"
    for flavour in $flavours; do
        bash "$root/cmake/wine-run.sh" --kill "$build/bench-$flavour" >/dev/null 2>&1 || true
    done
    tavo_stop_display
    [ -n "${TAVO_BENCH_KEEP:-}" ] || rm -rf "$state"
}
trap cleanup EXIT

configure() {
    local dir=$build/$1
    shift
    [ -f "$dir/CMakeCache.txt" ] || cmake -S "$root" -B "$dir" "$@" >/dev/null
}
configure native -DCMAKE_BUILD_TYPE=Release
cmake --build "$build/native" -j2 --target tavo_host >/dev/null
for flavour in $flavours; do
    arch=x86_64
    [ "$flavour" = win32 ] && arch=i686
    configure "$flavour" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release
    cmake --build "$build/$flavour" -j2 --target tavo_host tavo_container tavo_control_cn >/dev/null
done

[ -n "${DISPLAY:-}" ] || tavo_start_display "$state/display" >/dev/null || exit 1

TAVO_BIG_FILE_BYTES=$bytes TAVO_SERVER_CACHE=$served/cache \
    bash "$root/tests/servers/servers.sh" start "$served/servers" >/dev/null
# shellcheck disable=SC1091
. "$served/servers/env.sh"
host=$TAVO_VSFTPD_HOST
port=$TAVO_VSFTPD_PORT
big=$TAVO_VSFTPD_ROOT/big.bin
cp "$big" "$work/upload.bin"

# Runs a command; its output goes to $state/run, the seconds and the peak resident KiB of the
# whole run to $whole and $peak. A command that fails ends the benchmark with its output.
# Every run starts with no dirty pages: a client that came after others would otherwise be
# slowed by the kernel writing back their 256 MiB files.
server_log=$TAVO_VSFTPD_LOG
run_measured() {
    sync
    log_mark=$(stat -c %s "$server_log")
    if /usr/bin/python3 - "$@" >"$state/run" <<'EOF'
import resource, subprocess, sys, time
start = time.monotonic()
done = subprocess.run(sys.argv[1:], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
took = time.monotonic() - start
sys.stdout.write(done.stdout.decode("utf-8", "replace"))
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"{took:.3f} {peak}")
sys.exit(done.returncode)
EOF
    then
        read -r whole peak < <(tail -n 1 "$state/run")
    else
        cat "$state/run" >&2
        exit 1
    fi
}

# The server's own time for the run's transfer in that direction: vsftpd logs each finished
# transfer with its bytes and rate, timed alike for every client from its first byte to its
# last, whatever the client does before and after.
server_seconds() {
    local word=DOWNLOAD
    [ "$1" = upload ] && word=UPLOAD
    tail -c +"$((log_mark + 1))" "$server_log" | grep -m1 "OK $word:" |
        sed 's/.*, \([0-9]*\) bytes, \([0-9.]*\)Kbyte\/sec.*/\1 \2/' |
        awk '{ printf "%.3f", $1 / 1024 / $2 }'
}

# One measurement: client, direction, transfer seconds, whole seconds, peak KiB, extra text;
# the server's seconds are added here.
row() {
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" "$5" "${6:-}" \
        "$(server_seconds "$2")" >>"$state/rows.tsv"
}

check_same() {
    cmp -s "$1" "$2" || {
        echo "run_bench.sh: $3 is not byte-exact" >&2
        exit 1
    }
}

after_chooser() { grep "^click $1 ok" "$state/run" | tr -d '\r' | sed 's/.*, \([0-9.]*\) s after the chooser.*/\1/'; }
# The last transfer of a direction, from the session's "transfers" line.
transfer_of() { grep '^transfers ' "$state/run" | tr -d '\r' | awk -v d="$1" 'd == "read" { print $3 } d == "write" { print $5 }'; }

# curl: its own total time, start-up included (a few milliseconds).
for _ in $(seq "$repeat"); do
    run_measured curl -s -o "$work/curl.bin" -w '%{time_total}\n' "ftp://$host:$port/big.bin"
    check_same "$work/curl.bin" "$big" "curl's download"
    row curl download "$(head -n 1 "$state/run")" "$whole" "$peak"
    rm -f "$work/curl.bin"
    run_measured curl -s -T "$work/upload.bin" -w '%{time_total}\n' \
        "ftp://$host:$port/incoming/curl.bin"
    check_same "$TAVO_VSFTPD_ROOT/incoming/curl.bin" "$big" "curl's upload"
    rm -f "$TAVO_VSFTPD_ROOT/incoming/curl.bin"
    row curl upload "$(head -n 1 "$state/run")" "$whole" "$peak"
done

# Each download and each upload is a run of its own, as curl's are: a download written just
# before would otherwise still be going to disk while the upload runs.
# host_run CLIENT DIRECTION COMMAND...: one session ($state/session.tavo) and its row.
host_run() {
    local client=$1 direction=$2
    shift 2
    run_measured "$@"
    if [ "$direction" = upload ]; then
        check_same "$TAVO_VSFTPD_ROOT/incoming/upload.bin" "$big" "$client's upload"
        rm -f "$TAVO_VSFTPD_ROOT/incoming/upload.bin"
        row "$client" upload "$(transfer_of write)" "$whole" "$peak"
    else
        check_same "$work/$client.bin" "$big" "$client's $direction"
        rm -f "$work/$client.bin"
        row "$client" "$direction" "$(transfer_of read)" "$whole" "$peak"
    fi
}

# host_client CLIENT SAVE SOURCE COMMAND...: the scripted host, REPEAT times, run by COMMAND
# on $state/session.tavo (the host's own form of the paths). With a SOURCE: a session that
# downloads big.bin to SAVE ($work/CLIENT.bin), then one that uploads SOURCE into incoming;
# with SOURCE "-": the download alone, over TLS ($tls_port), answering Yes to the
# certificate box.
host_client() {
    local client=$1 save=$2 source=$3
    shift 3
    local login="setlogin $host anonymous \"\" $port" download=download
    if [ "$source" = - ]; then
        login="answer yes
setlogin ftpes://$host anonymous \"\" $tls_port"
        download="download (TLS)"
    fi
    for _ in $(seq "$repeat"); do
        printf '%s\n' "$login" 'select big.bin' "choose \"$save\"" download transfers \
            >"$state/session.tavo"
        host_run "$client" "$download" "$@"
        [ "$source" = - ] && continue
        printf '%s\n' "$login" 'select incoming' dblclick "choose \"$source\"" upload transfers \
            >"$state/session.tavo"
        host_run "$client" upload "$@"
    done
}

host_client native "$work/native.bin" "$work/upload.bin" \
    "$build/native/tools/tavo_host/tavo_host" "$state/session.tavo"

winpath() { echo "Z:${1//\//\\}"; }
# ocx STEP...: the flavour's container ($container, run by $wine) with the OCX logged in,
# taking STEP... as a page's user would.
ocx() {
    run_measured "${wine[@]}" "$container" TavoProj1.Tavo --size 800x600 \
        --call "SetLogin($host, anonymous, , $port)" "$@" --exit
}
for flavour in $flavours; do
    loader=/usr/lib/wine/wine64
    [ "$flavour" = win32 ] && loader=/usr/lib/wine/wine
    # A prefix of the benchmark's own: its windows are not handed to a window manager, since
    # on a bare Xvfb Wine waits two seconds for one each time a chooser is hidden.
    prefix=$build/bench-$flavour
    wine=(bash "$root/cmake/wine-run.sh" "$loader" "$prefix")
    bash "$root/cmake/wine-run.sh" --init "$prefix" >/dev/null
    "${wine[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
    exe=$(winpath "$build/$flavour/tools/tavo_host/tavo_host.exe")
    host_client "wine-$flavour" "$(winpath "$work/wine-$flavour.bin")" \
        "$(winpath "$work/upload.bin")" "${wine[@]}" "$exe" "$(winpath "$state/session.tavo")"
    host_client "form-$flavour" "$(winpath "$work/form-$flavour.bin")" \
        "$(winpath "$work/upload.bin")" "${wine[@]}" "$exe" --window \
        "$(winpath "$state/session.tavo")"

    # The OCX, registered in the prefix as a page author does, in our container.
    "${wine[@]}" regsvr32 /s "$(winpath "$build/$flavour/control/cn/TavoProj1.ocx")"
    container=$(winpath "$build/$flavour/tools/tavo_container/tavo_container.exe")
    for _ in $(seq "$repeat"); do
        ocx --memory --choose "$(winpath "$work/ocx-$flavour.bin")" --click open:big.bin --memory
        check_same "$work/ocx-$flavour.bin" "$big" "the OCX's download"
        rm -f "$work/ocx-$flavour.bin"
        # Growth: the peak after the download less the working set before it.
        growth=$(grep '^memory' "$state/run" | /usr/bin/python3 -c '
import re, sys
lines = sys.stdin.read().splitlines()
before = float(re.search(r"working set ([0-9.]+)", lines[0]).group(1))
after = float(re.search(r"peak ([0-9.]+)", lines[1]).group(1))
print(f"{after - before:.1f}")')
        row "ocx-$flavour" download "$(after_chooser open:big.bin)" "$whole" "$peak" "$growth"
        ocx --click open:incoming --choose "$(winpath "$work/upload.bin")" --click upload
        check_same "$TAVO_VSFTPD_ROOT/incoming/upload.bin" "$big" "the OCX's upload"
        rm -f "$TAVO_VSFTPD_ROOT/incoming/upload.bin"
        row "ocx-$flavour" upload "$(after_chooser upload)" "$whole" "$peak"
    done
done

# Over TLS (explicit, AUTH TLS): downloads by curl, the native host and the Windows host,
# headless and with the form, from the test servers' TLS vsftpd that lets data connections
# start afresh (Wine's SChannel cannot resume a session). Its certificate is self-signed:
# curl is told not to check it, the hosts' users answer Yes in the certificate box.
if [ -n "${TAVO_VSFTPDTLS_LENIENT_PORT:-}" ]; then
    server_log=$served/servers/vsftpd-tls-lenient-protocol.log
    tls_port=$TAVO_VSFTPDTLS_LENIENT_PORT
    for _ in $(seq "$repeat"); do
        run_measured curl -s --ssl-reqd -k -o "$work/curl.bin" -w '%{time_total}\n' \
            "ftp://$host:$tls_port/big.bin"
        check_same "$work/curl.bin" "$big" "curl's download over TLS"
        rm -f "$work/curl.bin"
        row curl "download (TLS)" "$(head -n 1 "$state/run")" "$whole" "$peak"
    done
    host_client native "$work/native.bin" - "$build/native/tools/tavo_host/tavo_host" \
        "$state/session.tavo"
    for flavour in $flavours; do
        loader=/usr/lib/wine/wine64
        [ "$flavour" = win32 ] && loader=/usr/lib/wine/wine
        wine=(bash "$root/cmake/wine-run.sh" "$loader" "$build/bench-$flavour")
        exe=$(winpath "$build/$flavour/tools/tavo_host/tavo_host.exe")
        host_client "wine-$flavour" "$(winpath "$work/wine-$flavour.bin")" - \
            "${wine[@]}" "$exe" "$(winpath "$state/session.tavo")"
        host_client "form-$flavour" "$(winpath "$work/form-$flavour.bin")" - \
            "${wine[@]}" "$exe" --window "$(winpath "$state/session.tavo")"
    done
fi

/usr/bin/python3 - "$state/rows.tsv" "$bytes" "$repeat" <<'EOF'
import statistics, sys
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1])]
order, runs = [], {}
for client, direction, seconds, whole, peak, extra, server in rows:
    key = (client, direction)
    if key not in runs:
        order.append(key)
        runs[key] = []
    runs[key].append((float(seconds), float(whole), int(peak), extra, float(server)))
median = lambda values: statistics.median(values)
directions = [d for c, d in order if c == "curl"]
curl = {d: median([r[0] for r in runs[("curl", d)]]) for d in directions}
curl_server = {d: median([r[4] for r in runs[("curl", d)]]) for d in directions}
print(f"{int(sys.argv[2]) >> 20} MiB over 127.0.0.1 from vsftpd, median of {sys.argv[3]} runs; "
      "ratio = curl's seconds / the client's; server s = the transfer as vsftpd timed it")
print(f"{'client':<12} {'direction':<14} {'seconds':>8} {'ratio':>6} {'server s':>9} {'ratio':>6} "
      f"{'run s':>7} {'peak MiB':>9}")
for key in order:
    got = runs[key]
    seconds = median([r[0] for r in got])
    server = median([r[4] for r in got])
    line = (f"{key[0]:<12} {key[1]:<14} {seconds:8.3f} {curl[key[1]] / seconds:6.2f} "
            f"{server:9.3f} {curl_server[key[1]] / server:6.2f} "
            f"{median([r[1] for r in got]):7.2f} {max(r[2] for r in got) / 1024:9.1f}")
    growth = [float(r[3]) for r in got if r[3]]
    if growth:
        line += f"  a download adds at most {max(growth):.1f} MiB to the working set"
    print(line)
EOF
