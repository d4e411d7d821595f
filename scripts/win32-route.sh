#!/usr/bin/env bash
# Finds out how this machine runs the i686 flavour's Windows programs, by running a tiny i686
# program under Wine with a short time limit.
#
#   win32-route.sh PREFIX WORK_DIR
#
# Prints one line and exits 0:
#   native            Wine's 32-bit loader runs it as it is
#   emulated          the kernel cannot execute 32-bit programs, but user-mode emulation can
#                     (scripts/i386-emulation.sh run)
#   skipped: REASON   neither way can run it, and the reason is that the machine cannot
#                     execute 32-bit programs
# or prints "failed: OUTPUT" and exits 1 when the program fails for any other reason (Wine
# itself is broken, say); that is a real failure, never a skip.
#
# Settings: TAVO_WINE32_LOADER (default /usr/lib/wine/wine), TAVO_I386_EMULATION_WRAPPER (a
# program that runs the command it is given under emulation, its path taken whole, spaces and
# all; default "bash scripts/i386-emulation.sh run"),
# TAVO_PROBE_TIMEOUT (seconds, default 120: a first Wine start in a new prefix is slow).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=$1
work=$2
loader=${TAVO_WINE32_LOADER:-/usr/lib/wine/wine}
wrapper=(bash "$root/scripts/i386-emulation.sh" run)
[ -n "${TAVO_I386_EMULATION_WRAPPER:-}" ] && wrapper=("$TAVO_I386_EMULATION_WRAPPER")
ok_line="tavo i686 probe: ok"

mkdir -p "$work"
probe=$work/probe.exe
if ! i686-w64-mingw32-gcc-posix -O2 -s -o "$probe" "$root/scripts/i386-emulation/probe.c" \
    >"$work/probe-build.log" 2>&1; then
    echo "failed: the probe does not build: $(head -c 300 "$work/probe-build.log")"
    exit 1
fi

run_probe() {
    TAVO_WINE_TIMEOUT=${TAVO_PROBE_TIMEOUT:-120} "$@" bash "$root/cmake/wine-run.sh" \
        "$loader" "$prefix" "$probe" >"$work/probe.log" 2>&1 </dev/null
    grep -q "$ok_line" "$work/probe.log"
}

# The loader is a 32-bit ELF file: the kernel refuses it ("Exec format error"), and the exec
# of timeout or env then hands it to /bin/sh, which reports a syntax error in the binary.
cannot_execute() {
    grep -qE 'Exec format error|cannot execute binary file|Syntax error: "\(" unexpected' \
        "$work/probe.log"
}

one_line() { tr '\n' ' ' <"$work/probe.log" | tr -s ' ' | head -c 300; }

if run_probe; then
    echo native
    exit 0
fi
if ! cannot_execute; then
    echo "failed: $(one_line)"
    exit 1
fi
refusal="the kernel refuses 32-bit x86 programs: Exec format error"

if run_probe "${wrapper[@]}"; then
    echo emulated
elif cannot_execute || grep -q "i386-emulation: not available" "$work/probe.log"; then
    echo "skipped: $refusal; user-mode emulation: $(one_line)"
else
    echo "failed: under user-mode emulation: $(one_line)"
    exit 1
fi
