#!/usr/bin/env python3
"""Stores a flash-part database text as the station keeps it on disk.

Each byte of the text is raised by its index in the file, modulo 256, and 16384 bytes of
noise follow the text.

    scramble_fdb.py PLAIN STORED [TAIL]

TAIL is the number of noise bytes (16384 unless given).
"""
import os
import sys


def main():
    plain, stored = sys.argv[1], sys.argv[2]
    tail = int(sys.argv[3]) if len(sys.argv) > 3 else 16384
    with open(plain, "rb") as source:
        text = source.read()
    scrambled = bytes((byte + index) % 256 for index, byte in enumerate(text))
    with open(stored, "wb") as target:
        target.write(scrambled + os.urandom(tail))


if __name__ == "__main__":
    main()
