#!/usr/bin/env python3
"""Builds the combined hub-and-device flash images for an external programmer from their
layout, independently of the station: hub_image_builder.py 521|522 HUB DEVICE OUT."""
import sys

LAYOUTS = {
    # image size, hub limit, device offset, device limit
    "521": (0x1C000, 0x10000, 0x10000, 0xC000),
    "522": (0x40000, 0x10000, 0x20000, 0x10000),
}


def build(kind, hub, device):
    size, hub_limit, device_offset, device_limit = LAYOUTS[kind]
    hub = hub[:hub_limit]
    device = device[:device_limit]
    image = bytearray(b"\xff" * size)
    image[0:len(hub)] = hub
    image[device_offset:device_offset + len(device)] = device
    if kind == "522":
        second = 0x28000 if len(device) <= 0x8000 else 0x30000
        image[second:second + len(device)] = device
    assert len(image) == size
    return bytes(image)


def main():
    kind, hub_path, device_path, out_path = sys.argv[1:5]
    with open(hub_path, "rb") as f:
        hub = f.read()
    with open(device_path, "rb") as f:
        device = f.read()
    with open(out_path, "wb") as f:
        f.write(build(kind, hub, device))


if __name__ == "__main__":
    main()
