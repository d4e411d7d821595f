#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a fresh Debian 12 machine
# (as root, without a terminal). Safe to run again: only what is missing gets installed, and
# the i386 architecture (for wine32) is added once.
set -euo pipefail

packages=(
    # native build and tests
    cmake make g++ libgtest-dev libgmock-dev googletest libbenchmark-dev clang-format
    # fuzzing and sanitizer reports
    clang libclang-rt-14-dev llvm-14
    # Windows cross builds, run under Wine (wine32 runs the 32-bit flavour)
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev
    wine64 wine32:i386
    # a display for Windows programs that open windows
    xvfb
    # the real FTP servers of the tests and the demo, and peers for benchmarks
    vsftpd python3 python3-pyftpdlib curl lftp
    # used by the scripts
    coreutils util-linux time
)

if [ "$(id -u)" -ne 0 ]; then
    echo "setup.sh installs packages and must run as root" >&2
    exit 1
fi

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
fi

installed() {
    [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done

export DEBIAN_FRONTEND=noninteractive
if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" = 1 ]; then
    apt-get -o Acquire::Retries=3 update -qq
fi
if [ "${#missing[@]}" -gt 0 ]; then
    echo "setup.sh: installing ${missing[*]}"
    apt-get -o Acquire::Retries=3 install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

python_ok=$(/usr/bin/python3 -c 'import pyftpdlib; print("ok")' 2>/dev/null || true)
if [ "$python_ok" != ok ]; then
    echo "setup.sh: /usr/bin/python3 cannot import pyftpdlib" >&2
    exit 1
fi
echo "setup.sh: everything is installed"
