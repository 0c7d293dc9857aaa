#!/usr/bin/env python3
"""Draws the setup program's icon: a quill-blue bar with a light stripe, 32x32
and 16x16, 16 colours. Writes resources/setup.ico."""
import struct
import sys

PALETTE = [(0, 0, 0), (0x1f, 0x4e, 0x8c), (0xf2, 0xc1, 0x4e), (0xff, 0xff, 0xff)] + [(0, 0, 0)] * 12


def pixel(x, y, size):
    unit = size / 32.0
    if y < 6 * unit or y >= 26 * unit or x < 2 * unit or x >= 30 * unit:
        return None  # transparent
    if 14 * unit <= y < 18 * unit:
        return 2
    if 6 * unit + 4 * unit <= x < 6 * unit + 8 * unit:
        return 3
    return 1


def image(size):
    rows_xor, rows_and = [], []
    for y in range(size - 1, -1, -1):  # bottom-up
        nibbles = []
        mask_bits = []
        for x in range(size):
            p = pixel(x, y, size)
            nibbles.append(p or 0)
            mask_bits.append(1 if p is None else 0)
        row = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        rows_xor.append(row + b"\0" * ((4 - len(row) % 4) % 4))
        mask = bytearray((size + 31) // 32 * 4)
        for x, bit in enumerate(mask_bits):
            if bit:
                mask[x // 8] |= 0x80 >> (x % 8)
        rows_and.append(bytes(mask))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return header + palette + b"".join(rows_xor) + b"".join(rows_and)


def main(path):
    images = [image(32), image(16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/setup.ico")
