#!/usr/bin/env python3
"""Writes helper.ico: one 16x16 32-bit image, a dark square with a light bar.

The icon only has to exist (the window class names resource 101); it is kept
in the repository, and this script says how it was made.
"""
import struct
import sys

SIZE = 16


def pixel(x, y):
    # BGRA; rows are stored bottom-up in an icon bitmap.
    if 6 <= y <= 9 and 2 <= x <= 13:
        return (0xE0, 0xE0, 0xE0, 0xFF)
    return (0x60, 0x30, 0x10, 0xFF)


def main(path):
    xor = b"".join(bytes(pixel(x, y)) for y in reversed(range(SIZE)) for x in range(SIZE))
    and_mask = b"\x00" * (4 * SIZE)  # 16 bits a row, padded to 32: all opaque
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "helper.ico")
