#!/usr/bin/env bash
# The container hosts the Chinese edition as a page would: a preset parameter, a read, a
# write, a picture of the window, and a release that leaves nothing behind; a member the
# control lacks fails with its HRESULT and makes the exit code 1.
#
#   container_test.sh <with_control.sh arguments up to the control> <tavo_container.exe> <png>
set -uo pipefail
container=${*: -2:1}
picture=${*: -1}
registration=("${@:1:$#-2}")

rm -f "$picture"
mkdir -p "$(dirname "$picture")"
output=$(bash "$(dirname "$0")/with_control.sh" "${registration[@]}" "$container" TavoProj1.Tavo \
    --param GoToFlag=7 --get GoToFlag --put GoToFlag=3 --get GoToFlag --get NoSuchMember \
    --screenshot "Z:$picture" --release --exit)
rc=$?
printf '%s\n' "$output"

failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}
[ $rc -eq 1 ] || fail "exit code $rc, not 1"
expected="activated TavoProj1.Tavo 640x480
get GoToFlag = 7
put GoToFlag=3 ok
get GoToFlag = 3
get NoSuchMember failed: 0x80020006
screenshot Z:$picture ok (640x480)
release 0
exit 1"
# (the description after the HRESULT is the system's, in its language)
steps=$(grep -v '^event ' <<<"$output" | sed 's/^\(get NoSuchMember failed: 0x[0-9A-F]*\).*/\1/')
[ "$steps" = "$expected" ] || fail "steps printed otherwise than:
$expected"
[ "$(grep -cx 'event OnCreate' <<<"$output")" = 1 ] || fail "OnCreate not printed exactly once"

# The control drew itself into the window: a blank client area has one or two colours.
colours=$(/usr/bin/python3 - "$picture" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
width, height = struct.unpack(">II", data[16:24])
at, idat = 8, b""
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    if kind == b"IDAT":
        idat += data[at + 8:at + 8 + length]
    at += 12 + length
raw = zlib.decompress(idat)
row = 1 + width * 3  # filter byte, then RGB
print(len({raw[y * row + 1 + x * 3:y * row + 4 + x * 3] for y in range(height) for x in range(width)}))
PY
)
[ "${colours:-0}" -ge 8 ] || fail "the screenshot holds ${colours:-no} colours: the control did not draw"
exit $failed
