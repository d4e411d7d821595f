#!/usr/bin/env bash
# Registers the control in the flavour's Wine prefix, then runs the page host on a page and
# prints its exit status after its output, so that a test's expected output can name both.
#   run_page.sh WINE-RUN... -- OCX PAGE_HOST PAGE [--vsftpd|--vsftpd-tls|--pyftpd] [ARGS...]
# With a server option the page's address gets ?host=&port=&user=&password= of that test
# server, whose tree the control finds at "/"; --vsftpd-tls gives the host as ftpes://HOST and
# the TLS server's port whose data connections need not resume the control connection's TLS
# session (Wine's SChannel keeps no session cache). Without the server the test is skipped
# (exit 77).
set -uo pipefail
wine=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do wine+=("$1"); shift; done
shift
ocx=$1 host=$2 page=$3
shift 3
case "${1:-}" in
--vsftpd | --pyftpd | --vsftpd-tls)
    server=$(tr -d - <<<"${1#--}" | tr a-z A-Z)
    port=PORT scheme=
    [ "$1" = --vsftpd-tls ] && port=LENIENT_PORT scheme=ftpes%3A%2F%2F
    shift
    port_var=TAVO_${server}_$port
    if [ -z "${!port_var:-}" ]; then
        echo "SKIPPED: no test server (run under scripts/with-servers.sh)"
        exit 77
    fi
    var() { local name="TAVO_${server}_$1"; printf %s "${!name:-}"; }
    page="$page?host=$scheme$(var HOST)&port=$(var $port)&user=$(var USER)&password=$(var PASS)"
    ;;
esac
"${wine[@]}" regsvr32 /s "Z:$ocx" || { echo "regsvr32 failed"; exit 1; }
"${wine[@]}" "$host" "Z:$page" "$@" 2>&1
echo "tavo_page exited with $?"
