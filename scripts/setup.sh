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
# proftpd, the tests' second TLS server, is unpacked into a folder of its own
# (TAVO_PROFTPD_DIR, default /opt/tavo-proftpd) instead of installed: Debian's proftpd-core
# and vsftpd both provide "ftp-server" and conflict, so installing one removes the other.
# Unpacking runs none of its maintainer scripts either (no system account, no daemon on port
# 21). Its libraries are installed as packages; its TLS module comes in proftpd-mod-crypto.
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
    # the libraries of proftpd (unpacked below) that a base system lacks
    libhiredis0.14 libmemcached11 libmemcachedutil2 libpcre2-posix3 libsodium23
    # used by the scripts
    coreutils util-linux time file
)

if [ "$(id -u)" -ne 0 ]; then
    echo "setup.sh installs packages and must run as root" >&2
    exit 1
fi

proftpd_dir=${TAVO_PROFTPD_DIR:-/opt/tavo-proftpd}
proftpd_packages=(proftpd-core proftpd-mod-crypto)

proftpd_unpacked() {
    [ -x "$proftpd_dir/usr/sbin/proftpd" ] && [ -f "$proftpd_dir/usr/lib/proftpd/mod_tls.so" ]
}

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
fi
proftpd_unpacked || need_update=1

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

# Sets main_only to the options for the main suites and updates their lists (once).
main_only=()
use_main_suites() {
    [ "${#main_only[@]}" -gt 0 ] && return 0
    read -ra main_only <<<"$(main_only_options)"
    apt-get "${apt_quiet[@]}" "${main_only[@]}" update ||
        echo "setup.sh: apt-get update of the main suites failed for some index"
}

# unpack_proftpd [APT OPTIONS]: downloads proftpd's packages and unpacks them.
unpack_proftpd() {
    local archives=$proftpd_dir/archives deb
    rm -rf "$archives"
    mkdir -p "$archives" || return 1
    (cd "$archives" && apt-get "${apt_quiet[@]}" -o APT::Sandbox::User=root "$@" download \
        "${proftpd_packages[@]}") || return 1
    for deb in "$archives"/*.deb; do
        dpkg-deb -x "$deb" "$proftpd_dir" || return 1
    done
    proftpd_unpacked
}

if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" = 1 ]; then
    apt-get "${apt_quiet[@]}" update ||
        echo "setup.sh: apt-get update failed for some index; going on with what it fetched"
fi
if [ "${#missing[@]}" -gt 0 ]; then
    echo "setup.sh: installing ${missing[*]}"
    if ! apt-get "${apt_quiet[@]}" install -y --no-install-recommends "${missing[@]}" </dev/null; then
        echo "setup.sh: the install failed; trying again with the main suites only"
        use_main_suites
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

if ! proftpd_unpacked; then
    echo "setup.sh: unpacking ${proftpd_packages[*]} into $proftpd_dir"
    if ! unpack_proftpd; then
        echo "setup.sh: the download failed; trying again with the main suites only"
        use_main_suites
        if ! unpack_proftpd "${main_only[@]}"; then
            echo "setup.sh: these packages could not be fetched: ${proftpd_packages[*]}" >&2
            exit 1
        fi
    fi
fi
# A library the unpacked programs need but no installed package gives.
unresolved=$(ldd "$proftpd_dir/usr/sbin/proftpd" "$proftpd_dir/usr/lib/proftpd/mod_tls.so" |
    awk '/not found/ { print $1 }' | sort -u | tr '\n' ' ')
if [ -n "$unresolved" ]; then
    echo "setup.sh: proftpd in $proftpd_dir lacks these libraries: $unresolved" >&2
    exit 1
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
