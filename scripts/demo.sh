#!/usr/bin/env bash
# The main job (after scripts/setup.sh): builds natively, starts an embedded pyftpdlib on
# 127.0.0.1 with a small demo tree (a few files, one with spaces in its name, a subfolder, a
# writable "incoming"), runs the control's logic against it through the scripted host with
# tools/tavo_host/scripts/demo.tavo (log-in, listing, a download, navigation, a refused and an
# accepted new folder, the share list and the page's side of it, disconnect), and stops the
# server whatever happens. Everything the user would see is printed, one line per event.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVO_BUILD_DIR:-$root/build}
state=$build/demo-server
jobs=${TAVO_JOBS:-2}
host=$build/native/tools/tavo_host/tavo_host

mkdir -p "$build/logs"
echo "=== building (native)"
if ! cmake -S "$root" -B "$build/native" >"$build/logs/demo-configure.log" 2>&1; then
    tail -n 40 "$build/logs/demo-configure.log"
    exit 1
fi
if ! cmake --build "$build/native" -j "$jobs" --target tavo_host >"$build/logs/demo-build.log" 2>&1; then
    grep -E "error|\*\*\*|undefined reference" "$build/logs/demo-build.log" | head -n 40
    exit 1
fi

trap 'echo "=== stopping the server"; bash "$root/tests/servers/servers.sh" stop "$state"' EXIT
trap 'exit 130' INT TERM
echo "=== starting the demo server"
bash "$root/tests/servers/servers.sh" demo "$state" || exit 1
# shellcheck disable=SC1091
source "$state/env.sh"

export DEMO_HOST=$TAVO_PYFTPD_HOST DEMO_PORT=$TAVO_PYFTPD_PORT DEMO_USER=$TAVO_PYFTPD_USER
DEMO_PASSWORD_BASE64=$(printf %s "$TAVO_PYFTPD_PASS" | base64)
export DEMO_PASSWORD_BASE64
export DEMO_DOWNLOAD=$state/downloaded.txt
rm -f "$DEMO_DOWNLOAD"
echo "=== $host $root/tools/tavo_host/scripts/demo.tavo"
timeout -k 5 120 "$host" "$root/tools/tavo_host/scripts/demo.tavo"
rc=$?
if cmp -s "$DEMO_DOWNLOAD" "$TAVO_PYFTPD_ROOT/name with spaces.txt"; then
    echo "=== the downloaded file matches the server's"
else
    echo "=== the downloaded file differs from the server's"
    rc=1
fi
echo "=== the scripted host exited with $rc"
exit $rc
