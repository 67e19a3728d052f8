#!/usr/bin/env python3
"""Checks that every import slot the code of a 32-bit PE file reads holds an address.

    import_slots.py OBJDUMP FILE

A slot of the import section is filled either by the loader (it belongs to an
entry of the import directory) or by the file itself (a delay-loaded
function's slot holds the address of its loading thunk until the first call).
A slot that is neither stays 0, and code that calls through it jumps to
address 0 at its first call, which is what the 32-bit linker leaves for a
delay-loaded function declared dllimport. Runs natively on the file, so a
machine that cannot run the program still finds the fault. Exits 1 on such a
slot, 2 when the file cannot be read.
"""
import re
import struct
import subprocess
import sys


def read_pe(data):
    """Image base, sections [(name, rva, virtual size, raw offset, raw size)], import directory RVA."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections_count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x10B:
        raise ValueError("not a 32-bit PE file")
    image_base = struct.unpack_from("<I", data, optional + 28)[0]
    import_rva = struct.unpack_from("<I", data, optional + 96 + 8)[0]
    sections = []
    for i in range(sections_count):
        at = optional + optional_size + 40 * i
        name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
        vsize, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, at + 8)
        sections.append((name, rva, vsize, raw_offset, raw_size))
    return image_base, sections, import_rva


def offset_of(sections, rva):
    for _, start, vsize, raw, raw_size in sections:
        if start <= rva < start + max(vsize, raw_size):
            return raw + (rva - start) if rva - start < raw_size else None
    return None


def loader_filled_slots(data, sections, import_rva):
    """RVAs of the slots the loader fills: every entry of every import descriptor's address table."""
    slots = set()
    at = offset_of(sections, import_rva) if import_rva else None
    while at is not None:
        original, _, _, name, first = struct.unpack_from("<IIIII", data, at)
        if name == 0 and first == 0:
            break
        table = offset_of(sections, original or first)
        k = 0
        while table is not None and struct.unpack_from("<I", data, table + 4 * k)[0] != 0:
            slots.add(first + 4 * k)
            k += 1
        at += 20
    return slots


# An absolute memory operand in AT&T syntax: "*0x4dcd04" or "0x4dcd04,%eax",
# not an immediate ("$0x...") nor a displacement from a register ("0x10(%ebp)").
OPERAND = re.compile(r"(?<![$\w])\*?0x([0-9a-f]+)(?![\w(])")


def main(objdump, path):
    data = open(path, "rb").read()
    image_base, sections, import_rva = read_pe(data)
    idata = [(rva, vsize) for name, rva, vsize, _, _ in sections if name == ".idata"]
    if not idata:
        print(f"{path}: no import section")
        return 0
    idata_start, idata_size = idata[0]
    filled = loader_filled_slots(data, sections, import_rva)
    listing = subprocess.run([objdump, "-d", "--no-show-raw-insn", path], check=True,
                             capture_output=True, text=True).stdout
    empty = {}
    for line in listing.splitlines():
        code = line.split(":", 1)[1] if ":" in line else ""
        for match in OPERAND.finditer(code):
            rva = int(match.group(1), 16) - image_base
            if not idata_start <= rva < idata_start + idata_size or rva in filled:
                continue
            at = offset_of(sections, rva)
            if at is None or struct.unpack_from("<I", data, at)[0] == 0:
                empty.setdefault(rva, line.strip())
    for rva, line in sorted(empty.items()):
        print(f"slot {image_base + rva:#x} holds 0 and no import fills it: {line}")
    print(f"{path}: {len(filled)} loader-filled slots; {len(empty)} empty slots read by the code")
    return 1 if empty else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        sys.exit(2)
    try:
        sys.exit(main(sys.argv[1], sys.argv[2]))
    except (OSError, ValueError, struct.error, subprocess.CalledProcessError) as error:
        print(f"{sys.argv[2]}: {error}", file=sys.stderr)
        sys.exit(2)
