#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a fresh Debian 12 machine
# (as root, without a terminal). Safe to run again: only what is missing gets installed, and
# the i386 architecture (for wine32) is added once.
#
# A package mirror in the middle of a sync can fail one index of `apt-get update` ("File has
# unexpected size ... Mirror sync in progress?"). The update goes on without it; when the
# install then fails, it is tried once more with a private source list that holds only the
# main suites (the machine's apt configuration stays as it is). Only when that fails too does
# the script fail, naming the packages it could not install.
#
# On a machine whose kernel cannot run 32-bit x86 programs it also fetches user-mode
# emulation for them (scripts/i386-emulation.sh), which the tests use to run the Windows
# i686 flavour.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
    # native build and tests (GnuTLS is the native builds' TLS)
    cmake make g++ libgtest-dev libgmock-dev googletest libbenchmark-dev clang-format
    libgnutls28-dev
    # fuzzing and sanitizer reports
    clang libclang-rt-14-dev llvm-14
    # Windows cross builds, run under Wine (wine32 runs the 32-bit flavour)
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev
    wine64 wine32:i386
    # a display for Windows programs that open windows, and a font with Chinese glyphs for
    # the Chinese edition's texts under Wine
    xvfb fonts-wqy-microhei
    # the real FTP servers of the tests and the demo (openssl makes the TLS server's
    # certificate), and peers for benchmarks
    vsftpd openssl python3 python3-pyftpdlib curl lftp
    # used by the scripts
    coreutils util-linux time file
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

missing_packages() {
    local p
    for p in "${packages[@]}"; do
        installed "$p" || echo "$p"
    done
}

export DEBIAN_FRONTEND=noninteractive
apt_quiet=(-o Acquire::Retries=3 -qq)
mapfile -t missing < <(missing_packages)

# The main suites only: the machine's deb822 sources less the security suite's stanza.
main_only_options() {
    local dir=/tmp/tavo-apt-main
    mkdir -p "$dir/lists/partial"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        awk -v RS= -v ORS='\n\n' '!/-security/' /etc/apt/sources.list.d/debian.sources \
            >"$dir/main.sources"
    else
        grep -hv -- '-security' /etc/apt/sources.list 2>/dev/null >"$dir/main.list"
    fi
    echo "-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts=$dir -o Dir::State::Lists=$dir/lists"
}

if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" = 1 ]; then
    apt-get "${apt_quiet[@]}" update ||
        echo "setup.sh: apt-get update failed for some index; going on with what it fetched"
fi
if [ "${#missing[@]}" -gt 0 ]; then
    echo "setup.sh: installing ${missing[*]}"
    if ! apt-get "${apt_quiet[@]}" install -y --no-install-recommends "${missing[@]}" </dev/null; then
        echo "setup.sh: the install failed; trying again with the main suites only"
        read -ra main_only <<<"$(main_only_options)"
        apt-get "${apt_quiet[@]}" "${main_only[@]}" update ||
            echo "setup.sh: apt-get update of the main suites failed for some index"
        mapfile -t missing < <(missing_packages)
        apt-get "${apt_quiet[@]}" "${main_only[@]}" install -y --no-install-recommends \
            "${missing[@]}" </dev/null
    fi
    mapfile -t missing < <(missing_packages)
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "setup.sh: these packages could not be installed: ${missing[*]}" >&2
        exit 1
    fi
fi

python_ok=$(/usr/bin/python3 -c 'import pyftpdlib; print("ok")' 2>/dev/null || true)
if [ "$python_ok" != ok ]; then
    echo "setup.sh: /usr/bin/python3 cannot import pyftpdlib" >&2
    exit 1
fi

if ! bash "$root/scripts/i386-emulation.sh" native-ok >/dev/null 2>&1; then
    echo "setup.sh: this kernel cannot run 32-bit x86 programs; fetching user-mode emulation"
    bash "$root/scripts/i386-emulation.sh" fetch ||
        echo "setup.sh: no emulation for 32-bit programs; the tests will skip the i686 flavour"
fi
echo "setup.sh: everything is installed"
