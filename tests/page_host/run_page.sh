#!/usr/bin/env bash
# Registers the control in the flavour's Wine prefix, then runs the page host on a page and
# prints its exit status after its output, so that a test's expected output can name both.
#   run_page.sh WINE-RUN... -- OCX PAGE_HOST PAGE [--vsftpd] [ARGS...]
# With --vsftpd the page's address gets ?host=&port=&user=&password= of the test vsftpd and
# the clicks that open its root folder come first (the control starts in "/", and vsftpd as
# the tests start it does not chroot); without the server the test is skipped (exit 77).
set -uo pipefail
wine=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do wine+=("$1"); shift; done
shift
ocx=$1 host=$2 page=$3
shift 3
args=()
if [ "${1:-}" = --vsftpd ]; then
    shift
    if [ -z "${TAVO_VSFTPD_PORT:-}" ]; then
        echo "SKIPPED: no test vsftpd (run under scripts/with-servers.sh)"
        exit 77
    fi
    page="$page?host=$TAVO_VSFTPD_HOST&port=$TAVO_VSFTPD_PORT&user=$TAVO_VSFTPD_USER&password=${TAVO_VSFTPD_PASS:-}"
    IFS=/ read -r -a folders <<<"${TAVO_VSFTPD_ROOT#/}"
    for folder in "${folders[@]}"; do args+=(--click "open:$folder"); done
fi
"${wine[@]}" regsvr32 /s "Z:$ocx" || { echo "regsvr32 failed"; exit 1; }
"${wine[@]}" "$host" "Z:$page" "${args[@]}" "$@" 2>&1
echo "tavo_page exited with $?"
