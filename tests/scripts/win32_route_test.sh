#!/usr/bin/env bash
# How scripts/win32-route.sh decides the way the i686 flavour's tests run, with stand-in
# loaders: one the kernel refuses ("Exec format error") unless it runs under emulation, one
# that fails for another reason, and stand-in emulation that works or is not there.
#
#   win32_route_test.sh REPO WORK_DIR
set -uo pipefail
repo=$1
work=$2
rm -rf "$work"
mkdir -p "$work/bin"

# wine-run.sh starts a real wineserver for the stand-in prefix; one that no program ever used
# stays until it is stopped, and -k does not always reach it.
stop_servers() {
    local pid
    for pid in $(pgrep -f wineserver); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$work/prefix" &&
            kill "$pid" 2>/dev/null
    done
}
trap stop_servers EXIT

# A prefix marked as made (under emulation, so no run makes it anew): the stand-ins need no
# real one, and making one costs seconds.
ready_prefix() {
    stop_servers
    rm -rf "$work/prefix"
    mkdir -p "$work/prefix"
    echo emulated >"$work/prefix/.tavo-ready"
}

cat >"$work/bin/refused-unless-emulated" <<'STANDIN'
#!/bin/bash
[ "${TAVO_I386_EMULATED:-}" = 1 ] && { echo "tavo i686 probe: ok"; exit 0; }
echo "$0: 1: Syntax error: \"(\" unexpected" >&2
exit 2
STANDIN
cat >"$work/bin/always-refused" <<'STANDIN'
#!/bin/bash
echo "$0: cannot execute binary file: Exec format error" >&2
exit 126
STANDIN
cat >"$work/bin/broken" <<'STANDIN'
#!/bin/bash
echo "wine: could not load kernel32.dll, status c0000135" >&2
exit 1
STANDIN
cat >"$work/bin/fine" <<'STANDIN'
#!/bin/bash
echo "tavo i686 probe: ok"
STANDIN
cat >"$work/bin/emulation" <<'STANDIN'
#!/bin/bash
TAVO_I386_EMULATED=1 exec "$@"
STANDIN
cat >"$work/bin/no-emulation" <<'STANDIN'
#!/bin/bash
echo "i386-emulation: not available (run: i386-emulation.sh fetch)" >&2
exit 125
STANDIN
chmod +x "$work"/bin/*

failures=0
# expect LOADER WRAPPER EXIT_STATUS OUTPUT_PATTERN
expect() {
    ready_prefix
    local output status
    output=$(TAVO_WINE32_LOADER=$work/bin/$1 TAVO_I386_EMULATION_WRAPPER=$work/bin/$2 \
        TAVO_PROBE_TIMEOUT=30 bash "$repo/scripts/win32-route.sh" "$work/prefix" "$work/probe")
    status=$?
    if [ "$status" -ne "$3" ] || ! grep -qE "$4" <<<"$output"; then
        echo "FAILED: loader $1, emulation $2: exit $status, printed: $output"
        echo "        expected exit $3 and a line matching: $4"
        failures=$((failures + 1))
    else
        echo "ok: loader $1, emulation $2: $output"
    fi
}

expect fine emulation 0 '^native$'
expect refused-unless-emulated emulation 0 '^emulated$'
expect always-refused no-emulation 0 '^skipped: .*Exec format error.*not available'
expect always-refused emulation 0 '^skipped: '
expect broken emulation 1 '^failed: .*kernel32'
exit $((failures > 0))
