#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own (the build tree's), bounded in time.
#
#   wine-run.sh <loader> <prefix> <program.exe> [args...]   run a program (CMAKE_CROSSCOMPILING_EMULATOR)
#   wine-run.sh --init <prefix>                             make the prefix now (done lazily otherwise)
#   wine-run.sh --kill <prefix>                             stop the prefix's wineserver
#
# The loader is /usr/lib/wine/wine for 32-bit programs and /usr/lib/wine/wine64 for 64-bit ones.
# TAVO_WINE_TIMEOUT (seconds, default 900) bounds one run.
set -uo pipefail

export WINEDEBUG=-all
# Without these an unhandled exception opens the debugger dialog and hangs, and a fresh prefix
# tries to install .NET and Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe=d"

wineserver=/usr/lib/wine/wineserver

# A prefix made where the kernel could not run 32-bit programs lacks its 32-bit half, so the
# mark says how the prefix was made, and a run under emulation makes it anew when needed.
made_as=${TAVO_I386_EMULATED:+emulated}
made_as=${made_as:-native}
prefix_ready() {
    [ -f "$1/.tavo-ready" ] && { [ "$made_as" = native ] || grep -qx emulated "$1/.tavo-ready"; }
}

# Chinese texts under code page 936 draw as boxes unless a font with CJK glyphs backs the
# fonts the form asks for: put Debian's WenQuanYi Micro Hei into the prefix's Fonts folder,
# link it behind the Western UI fonts (used for the glyphs they lack) and let the Chinese
# face names the form asks for resolve to it.
cjk_font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
add_cjk_font() {
    local prefix=$1 face="WenQuanYi Micro Hei" reg name
    [ -f "$cjk_font" ] || return 0
    cp "$cjk_font" "$prefix/drive_c/windows/Fonts/" || return 1
    reg=$prefix/cjk-font.reg
    # The link list is a multi-string: "file,face", an empty string, as UTF-16 bytes.
    local link
    link=$(printf 'wqy-microhei.ttc,%s\0\0' "$face" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 |
        tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/ /,/g')
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
        for name in "Tahoma" "Tahoma Bold" "MS Sans Serif" "Microsoft Sans Serif" "MS Shell Dlg" \
            "MS Shell Dlg 2" "Arial" "Segoe UI" "Lucida Sans Unicode" "Courier New"; do
            printf '"%s"=hex(7):%s\r\n' "$name" "$link"
        done
        printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
        for name in "SimSun" "宋体" "NSimSun" "新宋体" "SimHei" "黑体" "Microsoft YaHei" "微软雅黑"; do
            printf '"%s"="%s"\r\n' "$name" "$face"
        done
    } | iconv -f UTF-8 -t UTF-16 >"$reg" || return 1
    WINEPREFIX=$prefix timeout -k 10 120 /usr/lib/wine/wine64 regedit /S "Z:${reg//\//\\}" \
        >/dev/null 2>&1 </dev/null
    local rc=$?
    WINEPREFIX=$prefix timeout 60 "$wineserver" -w
    [ $rc -eq 0 ] || echo "wine-run: could not register the CJK font in $prefix (exit $rc)" >&2
    return $rc
}

make_prefix() {
    local prefix=$1
    mkdir -p "$(dirname "$prefix")"
    (
        # ctest may start several Windows tests at once; only one makes the prefix.
        flock -w 300 9 || { echo "wine-run: timed out waiting for $prefix.lock" >&2; exit 1; }
        prefix_ready "$prefix" && exit 0
        [ -d "$prefix" ] && WINEPREFIX=$prefix timeout 30 "$wineserver" -k >/dev/null 2>&1 9>&-
        rm -rf "$prefix"
        mkdir -p "$prefix"
        # A prefix made by the 64-bit loader (with wine32 installed too) runs both kinds of program.
        WINEPREFIX=$prefix timeout -k 10 300 /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 9>&-
        rc=$?
        WINEPREFIX=$prefix timeout 60 "$wineserver" -w 9>&-
        if [ $rc -ne 0 ] || [ ! -f "$prefix/system.reg" ]; then
            echo "wine-run: wineboot failed for $prefix (exit $rc)" >&2
            exit 1
        fi
        add_cjk_font "$prefix" 9>&- || exit 1
        echo "$made_as" >"$prefix/.tavo-ready"
    ) 9>"$prefix.lock"
}

case "${1:-}" in
--init)
    make_prefix "$2"
    exit $?
    ;;
--kill)
    [ -d "$2" ] && WINEPREFIX=$2 timeout 30 "$wineserver" -k >/dev/null 2>&1
    exit 0
    ;;
"" | -h | --help)
    sed -n '2,10p' "$0"
    exit 2
    ;;
esac

loader=$1
prefix=$2
shift 2
prefix_ready "$prefix" || make_prefix "$prefix" || exit 125
export WINEPREFIX=$prefix
# Start the prefix's wineserver and Wine's own background programs (services.exe, explorer.exe,
# ...) detached from our output: started by the test program they would inherit ctest's pipe
# and keep the test "running" until the last Wine program of the run ends. The server lingers
# 60 s after the last program; starting it while it runs fails (exit 2) and does nothing. The
# linger must outlast a loader's start: one found running in its last seconds may be gone when a
# slow loader (under emulation, several seconds) looks for it, and the loader then starts a
# server and background programs of its own that hold the test's output open (ctest waits on it
# until the test's timeout). The test command stops the server when a flavour's tests end.
(
    flock -w 120 9
    # (the server must not inherit the lock's descriptor: it would hold the lock for its life)
    if "$wineserver" -p60 </dev/null >/dev/null 2>&1 9>&-; then
        timeout -k 5 60 "$loader" cmd /c exit </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$prefix.lock"
[ -t 1 ] && exec timeout -k 10 "${TAVO_WINE_TIMEOUT:-900}" "$loader" "$@"
# Output into files, shown when the program ends: a Wine service the program starts on demand
# (rpcss for COM, say) inherits its output and outlives it while the server runs; holding a
# pipe, it would keep the reader (ctest) waiting for the program's end until its timeout.
out=$(mktemp "${TMPDIR:-/tmp}/wine-run-out.XXXXXX")
err=$(mktemp "${TMPDIR:-/tmp}/wine-run-err.XXXXXX")
trap 'rm -f "$out" "$err"' EXIT
timeout -k 10 "${TAVO_WINE_TIMEOUT:-900}" "$loader" "$@" >"$out" 2>"$err"
rc=$?
cat "$out"
cat "$err" >&2
exit $rc
