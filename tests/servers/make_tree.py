#!/usr/bin/python3
"""Builds the tree a test FTP server serves.

    make_tree.py ROOT [--big-bytes N] [--cache DIR] [--read-only-root] [--demo | --small]

The full tree (tests/support/real_servers.h names it for the C++ tests):
    small.txt              "Hello from the test tree.\\r\\n"
    name with spaces.txt
    empty.bin              0 bytes
    medium.bin             1 MiB + 123 bytes, pseudo-random
    big.bin                N bytes (default 256 MiB), pseudo-random, made once in the cache
                           and copied into the tree
    empty-dir/
    link-to-small.txt  ->  small.txt
    many/                  10,000 empty files f00000 .. f09999
    sub/nested.txt         "nested\\n"
    incoming/              writable by anyone (mode 777)
--read-only-root leaves ROOT itself at mode 555 (vsftpd's anonymous uploads need that).
--demo makes a small tree for the demo instead (no big.bin, no many/).
--small makes the full tree less big.bin and many/, for a server whose tests need no more.
Everything but the cached big file is made anew on each call; the contents are the same on
every machine.
"""
import argparse
import os
import random
import shutil
import stat

MIB = 1 << 20


def pseudo_random_bytes(seed, size):
    rng = random.Random(seed)
    whole, rest = divmod(size, MIB)
    for _ in range(whole):
        yield rng.randbytes(MIB)
    if rest:
        yield rng.randbytes(rest)


def write_pseudo_random(path, seed, size):
    with open(path, "wb") as out:
        for block in pseudo_random_bytes(seed, size):
            out.write(block)


def cached_big_file(cache, size):
    os.makedirs(cache, exist_ok=True)
    path = os.path.join(cache, "big-%d-v1.bin" % size)
    if not os.path.exists(path) or os.path.getsize(path) != size:
        partial = path + ".partial"
        write_pseudo_random(partial, 20241209, size)
        os.replace(partial, path)
    return path


def clear(root):
    if os.path.lexists(root):
        for folder, dirs, _ in os.walk(root):
            os.chmod(folder, 0o755)
        shutil.rmtree(root)


def write(path, text):
    with open(path, "wb") as out:
        out.write(text)
    os.chmod(path, 0o644)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--big-bytes", type=int, default=256 * MIB)
    parser.add_argument("--cache", default=None)
    parser.add_argument("--read-only-root", action="store_true")
    parser.add_argument("--demo", action="store_true")
    parser.add_argument("--small", action="store_true")
    args = parser.parse_args()

    # vsftpd serves the tree as its unprivileged account: every folder and file must be
    # readable by others, whatever umask the run started with.
    os.umask(0o022)
    root = os.path.abspath(args.root)
    clear(root)
    os.makedirs(root)
    write(os.path.join(root, "small.txt"), b"Hello from the test tree.\r\n")
    write(os.path.join(root, "name with spaces.txt"), b"A file whose name has spaces.\r\n")
    os.makedirs(os.path.join(root, "sub"))
    write(os.path.join(root, "sub", "nested.txt"), b"nested\n")
    incoming = os.path.join(root, "incoming")
    os.makedirs(incoming)
    os.chmod(incoming, 0o777)

    if args.demo:
        write(os.path.join(root, "readme.txt"), b"A small demo tree.\r\n")
        with open(os.path.join(root, "data.bin"), "wb") as out:
            out.writelines(pseudo_random_bytes(3, 100000))
    else:
        write(os.path.join(root, "empty.bin"), b"")
        write_pseudo_random(os.path.join(root, "medium.bin"), 7, MIB + 123)
        os.makedirs(os.path.join(root, "empty-dir"))
        os.symlink("small.txt", os.path.join(root, "link-to-small.txt"))
    if not args.demo and not args.small:
        many = os.path.join(root, "many")
        os.makedirs(many)
        for i in range(10000):
            open(os.path.join(many, "f%05d" % i), "wb").close()
        cache = args.cache or os.path.join(os.path.dirname(root), "cache")
        big = cached_big_file(cache, args.big_bytes)
        # A copy, not a link: a test that overwrites big.bin must not change the cache.
        target = os.path.join(root, "big.bin")
        shutil.copyfile(big, target)
        os.chmod(target, 0o644)

    if args.read_only_root:
        os.chmod(root, 0o555)
    else:
        os.chmod(root, 0o755)


if __name__ == "__main__":
    main()
