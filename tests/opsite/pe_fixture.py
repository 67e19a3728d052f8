"""The smallest PE images that carry a version resource, for the tests of the
publishing tool and the operator site: DOS header, PE header, one .rsrc
section with the tree RT_VERSION / 1 / 0x409 and a VS_VERSIONINFO block."""

import struct

PE32, PE32_PLUS = 0x10B, 0x20B


def _directory(entries):
    return struct.pack("<IIHHHH", 0, 0, 0, 0, 0, len(entries)) + b"".join(
        struct.pack("<II", ident, target) for ident, target in entries)


def version_block(version):
    a, b, c, d = version
    key = "VS_VERSION_INFO\0".encode("utf-16-le")
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x00010000, (a << 16) | b, (c << 16) | d,
                        (a << 16) | b, (c << 16) | d, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    head = struct.pack("<HHH", 0, len(fixed), 0) + key
    head += b"\0" * (-len(head) % 4)
    block = head + fixed
    return struct.pack("<H", len(block)) + block[2:]


def pe_with_version(version=(15, 1, 23, 3), magic=PE32, tail=b"", resource=True):
    section_rva, section_raw = 0x1000, 0x200
    rsrc = b""
    if resource:
        block = version_block(version)
        data_at = 96
        rsrc = (_directory([(16, 0x80000000 | 24)]) + _directory([(1, 0x80000000 | 48)]) +
                _directory([(0x409, 72)]) + struct.pack("<IIII", section_rva + data_at, len(block), 0, 0))
        rsrc += b"\0" * (data_at - len(rsrc)) + block
    optional_size = (96 if magic == PE32 else 112) + 16 * 8
    machine = 0x14C if magic == PE32 else 0x8664
    pe = b"PE\0\0" + struct.pack("<HHIIIHH", machine, 1, 0, 0, 0, optional_size, 0x0102)
    optional = bytearray(optional_size)
    struct.pack_into("<H", optional, 0, magic)
    count_at = 92 if magic == PE32 else 108
    struct.pack_into("<I", optional, count_at, 16)
    if resource:
        struct.pack_into("<II", optional, count_at + 4 + 8 * 2, section_rva, len(rsrc))
    raw_size = (len(rsrc) + 0x1FF) & ~0x1FF
    section = struct.pack("<8sIIIIIIHHI", b".rsrc", len(rsrc), section_rva, raw_size, section_raw, 0, 0, 0, 0,
                          0x40000040)
    head = b"MZ" + b"\0" * 58 + struct.pack("<I", 64) + pe + bytes(optional) + section
    image = head + b"\0" * (section_raw - len(head)) + rsrc + b"\0" * (raw_size - len(rsrc))
    return image + tail
