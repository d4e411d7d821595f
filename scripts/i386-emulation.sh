#!/usr/bin/env bash
# Runs 32-bit x86 programs (the i686 flavour's Wine) on a kernel that cannot execute them.
#
#   i386-emulation.sh native-ok      exit 0 when this kernel runs 32-bit x86 programs itself
#   i386-emulation.sh fetch          fetch qemu user-mode emulation and build its helpers
#   i386-emulation.sh available      exit 0 when fetch has run and user namespaces work
#   i386-emulation.sh run CMD ARG..  run CMD where every 32-bit x86 program it starts is emulated
#
# Some machines of this project's kind boot a kernel without 32-bit emulation: there every
# 32-bit program, /lib/ld-linux.so.2 and Wine's 32-bit loader among them, fails with "Exec
# format error". qemu-user 10 (Debian's bookworm-backports suite) runs them. Debian 12's own
# qemu 7.2 starts a Wine process in a minute and breaks Winsock's connect, so it is no help.
#
# fetch downloads the package without touching the machine's apt configuration (a private
# source list, lists and cache) and unpacks it into the emulation folder. run registers
# qemu-i386 for i386 ELF files in a binfmt_misc of a private user and mount namespace
# (Linux 6.7 or later), so nothing changes for the rest of the machine, and preloads a small
# library into every process that mends the fault codes qemu hands to Wine's signal
# handlers (trapno_mend.c).
#
# TAVO_I386_EMULATION_DIR: the emulation folder (default /opt/tavo-i386-emulation).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
dir=${TAVO_I386_EMULATION_DIR:-/opt/tavo-i386-emulation}
qemu=$dir/usr/bin/qemu-i386
qemu_version=1:10.0.2+ds-2+deb13u1~bpo12+1

native_ok() {
    [ -e /lib/ld-linux.so.2 ] || return 2
    timeout 10 /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

archive_address() {
    local address
    address=$(awk '/^URIs:/ && $2 !~ /security/ { print $2; exit }' \
        /etc/apt/sources.list.d/*.sources 2>/dev/null)
    [ -n "$address" ] || address=$(awk '$1 == "deb" && $3 !~ /security/ { print $2; exit }' \
        /etc/apt/sources.list 2>/dev/null)
    echo "${address:-http://deb.debian.org/debian}"
}

fetch_qemu() {
    [ -x "$qemu" ] && return 0
    local apt=$dir/apt
    mkdir -p "$apt/lists/partial" "$apt/archives/partial"
    echo "deb $(archive_address) bookworm-backports main" >"$apt/backports.list"
    local options=(-o "Dir::Etc::SourceList=$apt/backports.list" -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache::Archives=$apt/archives"
        -o APT::Architectures::=amd64 -o APT::Sandbox::User=root -o Acquire::Retries=3 -qq)
    apt-get "${options[@]}" update || return 1
    # The version that was tried; a later backport when that one has left the archive.
    (cd "$apt/archives" && { apt-get "${options[@]}" download "qemu-user=$qemu_version" ||
        apt-get "${options[@]}" download qemu-user; }) || return 1
    local deb
    deb=$(ls -t "$apt"/archives/qemu-user_*.deb | head -n 1)
    dpkg-deb -x "$deb" "$dir" && [ -x "$qemu" ]
}

# The mend as a 32-bit library, and a 64-bit one that does nothing: LD_PRELOAD names both
# through $LIB, and each process loads the one of its own architecture.
build_mend() {
    local lib32 lib64
    lib32=$dir/$(preload_lib_dir i386)
    lib64=$dir/$(preload_lib_dir x86_64)
    [ -f "$lib32/trapno_mend.so" ] && [ -f "$lib64/trapno_mend.so" ] && return 0
    mkdir -p "$lib32" "$lib64" || return 1
    gcc -m32 -O2 -fPIC -fno-stack-protector -c "$here/i386-emulation/trapno_mend.c" \
        -o "$dir/trapno_mend.o" &&
        ld -m elf_i386 -shared -o "$lib32/trapno_mend.so" "$dir/trapno_mend.o" \
            /lib/i386-linux-gnu/libc.so.6 &&
        echo 'void tavo_trapno_mend_not_needed(void) {}' |
        gcc -shared -fPIC -x c - -o "$lib64/trapno_mend.so"
}

# What ld.so makes of $LIB on Debian: the multiarch folder.
preload_lib_dir() { echo "lib/$1-linux-gnu"; }

available() {
    [ -x "$qemu" ] && [ -f "$dir/$(preload_lib_dir i386)/trapno_mend.so" ] &&
        unshare --user --map-root-user --mount true 2>/dev/null
}

# Inside the namespaces: a binfmt_misc of our own that hands i386 ELF files to qemu-i386.
# Flag F opens the interpreter now, so it works whatever the later mounts see.
enter() {
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || exit 125
    printf '%s' ':tavo-qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
        >/proc/sys/fs/binfmt_misc/register || exit 125
    export TAVO_I386_EMULATED=1
    export LD_PRELOAD="$dir/"'$LIB'"/trapno_mend.so${LD_PRELOAD:+ $LD_PRELOAD}"
    exec "$@"
}

case "${1:-}" in
native-ok) native_ok ;;
fetch) fetch_qemu && build_mend ;;
available) available ;;
run)
    shift
    available || { echo "i386-emulation: not available (run: $0 fetch)" >&2; exit 125; }
    exec unshare --user --map-root-user --mount --propagation private \
        bash "${BASH_SOURCE[0]}" --enter "$@"
    ;;
--enter)
    shift
    enter "$@"
    ;;
*)
    sed -n '2,8p' "$0"
    exit 2
    ;;
esac
