#!/usr/bin/env python3
"""The LUN image trailer, read and written on its own: 17 bytes at the end of an image,
the magic "Bravion" and a NUL, the type byte, then the start LBA and the sector count as
little-endian 32-bit numbers.

  image_trailer.py read IMAGE
      prints "type=0xTT start=N sectors=N image=BYTES" (BYTES: the size without the
      trailer), or "none" when the image does not end with a trailer
  image_trailer.py append IMAGE TYPE START SECTORS
"""
import os
import struct
import sys

LAYOUT = struct.Struct("<8sBII")
MAGIC = b"Bravion\0"


def read(path):
    size = os.path.getsize(path)
    if size < LAYOUT.size:
        return "none"
    with open(path, "rb") as image:
        image.seek(size - LAYOUT.size)
        magic, fs_type, start, sectors = LAYOUT.unpack(image.read(LAYOUT.size))
    if magic != MAGIC:
        return "none"
    return "type=0x%02X start=%d sectors=%d image=%d" % (fs_type, start, sectors, size - LAYOUT.size)


def main(argv):
    if len(argv) == 3 and argv[1] == "read":
        print(read(argv[2]))
        return 0
    if len(argv) == 6 and argv[1] == "append":
        with open(argv[2], "ab") as image:
            image.write(LAYOUT.pack(MAGIC, int(argv[3], 0), int(argv[4], 0), int(argv[5], 0)))
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
