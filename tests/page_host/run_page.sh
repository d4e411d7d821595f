#!/usr/bin/env bash
# Registers the control in the flavour's Wine prefix, then runs the page host on a page and
# prints its exit status after its output, so that a test's expected output can name both.
#   run_page.sh WINE-RUN... -- OCX PAGE_HOST PAGE [--vsftpd|--pyftpd] [ARGS...]
# With --vsftpd or --pyftpd the page's address gets ?host=&port=&user=&password= of that test
# server, whose tree the control finds at "/". Without the server the test is skipped
# (exit 77).
set -uo pipefail
wine=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do wine+=("$1"); shift; done
shift
ocx=$1 host=$2 page=$3
shift 3
case "${1:-}" in
--vsftpd | --pyftpd)
    server=$(tr a-z A-Z <<<"${1#--}")
    shift
    port_var=TAVO_${server}_PORT
    if [ -z "${!port_var:-}" ]; then
        echo "SKIPPED: no test server (run under scripts/with-servers.sh)"
        exit 77
    fi
    var() { local name="TAVO_${server}_$1"; printf %s "${!name:-}"; }
    page="$page?host=$(var HOST)&port=$(var PORT)&user=$(var USER)&password=$(var PASS)"
    ;;
esac
"${wine[@]}" regsvr32 /s "Z:$ocx" || { echo "regsvr32 failed"; exit 1; }
"${wine[@]}" "$host" "Z:$page" "$@" 2>&1
echo "tavo_page exited with $?"
