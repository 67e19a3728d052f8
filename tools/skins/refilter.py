#!/usr/bin/env python3
"""Writes a PNG again, losslessly, with the Sub filter on every row.

    tools/skins/refilter.py IN.png OUT.png

The login frame's picture is decoded at every start, before the first window.
Undoing the Sub filter is one addition per byte; the Paeth filter that
encoders prefer costs several comparisons per byte and was the larger part of
the decoding time. For this picture the Sub rows also compress a little
smaller. Only 8-bit RGB and RGBA pictures, not interlaced, are taken; every
chunk but the header, the data and the end is dropped.
"""
import struct
import sys
import zlib


def chunks(data):
    at = 8
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        yield kind, data[at + 8:at + 8 + length]
        at += 12 + length


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def unfiltered_rows(raw, width, height, bpp):
    size = width * bpp
    above = bytearray(size)
    for y in range(height):
        start = y * (size + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + size])
        for i in range(size):
            left = row[i - bpp] if i >= bpp else 0
            corner = above[i - bpp] if i >= bpp else 0
            row[i] = (row[i] + (0, left, above[i], (left + above[i]) >> 1,
                                paeth(left, above[i], corner))[kind]) & 255
        yield row
        above = row


def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))


def main(source, target):
    data = open(source, 'rb').read()
    header = b''
    compressed = b''
    for kind, body in chunks(data):
        if kind == b'IHDR':
            header = body
        elif kind == b'IDAT':
            compressed += body
    width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', header)
    if depth != 8 or colour not in (2, 6) or interlace:
        sys.exit('only 8-bit RGB or RGBA pictures, not interlaced')
    bpp = 4 if colour == 6 else 3
    out = bytearray()
    for row in unfiltered_rows(zlib.decompress(compressed), width, height, bpp):
        out.append(1)
        out += bytes((row[i] - (row[i - bpp] if i >= bpp else 0)) & 255 for i in range(len(row)))
    packer = zlib.compressobj(9, zlib.DEFLATED, 15, 9)
    stream = packer.compress(bytes(out)) + packer.flush()
    with open(target, 'wb') as f:
        f.write(data[:8] + chunk(b'IHDR', header) + chunk(b'IDAT', stream) + chunk(b'IEND', b''))


if __name__ == '__main__':
    main(*sys.argv[1:3])
