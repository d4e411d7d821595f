#!/usr/bin/env bash
# Runs a command with the real test servers up, then stops them whatever happens:
#   bash scripts/with-servers.sh ctest --test-dir build/native -R support
#   bash scripts/with-servers.sh build/native/tests/support/support_tests --gtest_filter='Vsftpd*'
# The command sees the TAVO_VSFTPD_* / TAVO_PYFTPD_* variables (tests/support/real_servers.h).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
state=${TAVO_BUILD_DIR:-$root/build}/servers-manual
[ $# -gt 0 ] || { sed -n '2,5p' "$0" >&2; exit 2; }

trap 'bash "$root/tests/servers/servers.sh" stop "$state"' EXIT
trap 'exit 130' INT TERM
bash "$root/tests/servers/servers.sh" start "$state" || exit 1
# shellcheck disable=SC1091
source "$state/env.sh"
"$@"
