#!/usr/bin/env bash
# Registers the control in the build tree's Wine prefix, then runs a Windows program there.
#
#   with_control.sh <wine-run.sh> <loader> <prefix> <regsvr32> <control.ocx> <program> [args...]
#
# <regsvr32>: plain regsvr32 runs the loader's own bitness, as the control needs.
set -uo pipefail
wine_run=$1 loader=$2 prefix=$3 regsvr32=$4 control=$5
shift 5

bash "$wine_run" "$loader" "$prefix" "$regsvr32" /s "Z:$control"
rc=$?
if [ $rc -ne 0 ]; then
    # regsvr32 /s: 3 when the library cannot load, 5 when DllRegisterServer fails
    echo "with_control: regsvr32 /s $control failed with exit code $rc" >&2
    exit 1
fi
exec bash "$wine_run" "$loader" "$prefix" "$@"
