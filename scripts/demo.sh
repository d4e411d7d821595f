#!/usr/bin/env bash
# The main job (after scripts/setup.sh). It starts an embedded pyftpdlib on 127.0.0.1 with a
# small demo tree (a few files, one with spaces in its name, a subfolder, a writable
# "incoming") and then:
#  1. runs the control's logic against it through the native scripted host with
#     tools/tavo_host/scripts/demo.tavo (log-in, listing, a download, navigation, a refused and
#     an accepted new folder, the share list and the page's side of it, disconnect), printing
#     everything the user would see, one line per event;
#  2. runs the real control: builds TavoProj1.ocx and our container for Windows, registers the
#     control in a Wine prefix of its own, and opens the container with the control in it,
#     which logs in through SetLogin and shows the server's listing. On the user's display
#     (DISPLAY set) the window stays until the user closes it; otherwise it runs on an Xvfb of
#     its own and writes a screenshot whose path it prints.
# The server and the display are stopped whatever happens. Settings: TAVO_DEMO_SECONDS (how
# long the control is given to log in before the screenshot, default 6).
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

# shellcheck source=scripts/display.sh
source "$root/scripts/display.sh"
stop_all() {
    echo "=== stopping the server"
    bash "$root/tests/servers/servers.sh" stop "$state"
    [ -n "${prefix:-}" ] && bash "$root/cmake/wine-run.sh" --kill "$prefix" 2>/dev/null
    tavo_stop_display
}
trap stop_all EXIT
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

# ---- The real control, in our container under Wine.
# The i686 flavour is the control's own target; a machine that cannot run 32-bit programs
# shows the x86_64 build instead.
route=$(bash "$root/scripts/win32-route.sh" "$build/demo-probe-wine" "$build/demo-probe" 2>&1 | tail -n 1)
if [ "$route" = native ]; then
    flavour=win32 loader=/usr/lib/wine/wine toolchain=i686
else
    echo "=== 32-bit route: $route; showing the x86_64 control"
    flavour=win64 loader=/usr/lib/wine/wine64 toolchain=x86_64
fi
echo "=== building the control and the container ($flavour)"
if ! cmake -S "$root" -B "$build/$flavour" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$toolchain.cmake" \
        >"$build/logs/demo-configure-$flavour.log" 2>&1 ||
    ! cmake --build "$build/$flavour" -j "$jobs" --target tavo_control_cn tavo_container \
        >"$build/logs/demo-build-$flavour.log" 2>&1; then
    grep -E "error|\*\*\*|undefined reference" "$build/logs/demo-build-$flavour.log" | head -n 40
    exit 1
fi
prefix=$build/demo-wine-$flavour
wine=(bash "$root/cmake/wine-run.sh" "$loader" "$prefix")
ocx="Z:$build/$flavour/control/cn/TavoProj1.ocx"
container="$build/$flavour/tools/tavo_container/tavo_container.exe"
# Wine's desktop process takes the display it first sees in a prefix: choose it before
# anything runs there.
own_display=
if [ -z "${DISPLAY:-}" ]; then
    tavo_start_display "$build/logs" || exit 1
    own_display=1
fi
echo "=== registering $ocx"
"${wine[@]}" regsvr32 /s "$ocx" || { echo "=== regsvr32 failed"; exit 1; }

screenshot=$build/results/demo/control-listing.png
mkdir -p "$(dirname "$screenshot")"
rm -f "$screenshot"
steps=(--size 700x480 --call "SetLogin($DEMO_HOST,$DEMO_USER,$DEMO_PASSWORD_BASE64,$DEMO_PORT)"
       --wait "$((${TAVO_DEMO_SECONDS:-6} * 1000))" --screenshot "Z:$screenshot")
if [ -z "$own_display" ]; then
    echo "=== the control on your display $DISPLAY: close its window to end"
    timeout -k 5 3600 "${wine[@]}" "$container" TavoProj1.Tavo "${steps[@]}"
else
    echo "=== the control on Xvfb $DISPLAY"
    timeout -k 5 120 "${wine[@]}" "$container" TavoProj1.Tavo "${steps[@]}" \
        --get GoToFlag --release --exit
fi
container_rc=$?
if [ -s "$screenshot" ]; then
    echo "=== screenshot of the control with the server's listing: $screenshot"
else
    echo "=== no screenshot was written"
    container_rc=1
fi
echo "=== the container exited with $container_rc"
[ $rc -eq 0 ] && rc=$container_rc
exit $rc
