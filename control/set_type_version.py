"""Sets the version of one type in a type library widl wrote.

widl refuses a version attribute on a dispinterface, yet containers read the event
interface's version from the type library like any other type's. This writes it into the
library's own type table:

    set_type_version.py LIBRARY.tlb {GUID} MAJOR.MINOR
"""
import struct
import sys
import uuid

HEADER_SIZE = 0x54
HELP_DLL_FLAG = 0x100
TYPE_INFO_SIZE = 0x64
GUID_FIELD, VERSION_FIELD = 0x2C, 0x38


def main():
    path, guid, version = sys.argv[1], uuid.UUID(sys.argv[2]), sys.argv[3]
    major, minor = (int(part) for part in version.split("."))
    data = bytearray(open(path, "rb").read())
    magic, _, _, _, _, varflags, _, _, count = struct.unpack_from("<9i", data, 0)
    if magic != 0x5446534D:  # "MSFT"
        sys.exit("%s: not a type library" % path)
    segments = HEADER_SIZE + (4 if varflags & HELP_DLL_FLAG else 0) + 4 * count
    type_infos = struct.unpack_from("<i", data, segments)[0]  # segment 0: the type table
    guids = struct.unpack_from("<i", data, segments + 16 * 5)[0]  # segment 5: the GUIDs
    for index in range(count):
        base = type_infos + TYPE_INFO_SIZE * index
        position = struct.unpack_from("<i", data, base + GUID_FIELD)[0]
        if position < 0:
            continue
        if uuid.UUID(bytes_le=bytes(data[guids + position:guids + position + 16])) == guid:
            struct.pack_into("<HH", data, base + VERSION_FIELD, major, minor)
            open(path, "wb").write(data)
            return
    sys.exit("%s: no type %s" % (path, guid))


if __name__ == "__main__":
    main()
