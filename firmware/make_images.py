#!/usr/bin/env python3
"""Writes the tool's two built-in firmware images, QRT08_D0.dfu (resource 2000, image A) and
s132_QRT08_D0.dfu (resource 2001, image B), into the folder of this script.

Each image is: the 16-byte start block, the first data packet (whose bytes 21 to 24 hold the image
length less 328, big-endian), a deterministic body, and a closing packet of 0x03 and fifteen zero
bytes. The body comes from a fixed-seed xorshift generator, so running the script again gives the
same bytes. The build uses the committed files and never runs this script.

    python3 firmware/make_images.py [--check]

With --check the script compares the files on disk with what it would write and exits non-zero
when they differ.
"""

import pathlib
import struct
import sys

HERE = pathlib.Path(__file__).resolve().parent
PACKET = 16
LENGTH_OFFSET = 328

# name, first byte, total length, bytes 16 to 20 of the first data packet, body seed
IMAGES = [
    ("QRT08_D0.dfu", 0x01, 79_120, bytes([0x01, 0x00, 0x01, 0xF0, 0x00]), 2000),
    ("s132_QRT08_D0.dfu", 0x02, 121_216, bytes([0x01, 0x00, 0x05, 0x10, 0x00]), 2001),
]


def body_bytes(seed, count):
    state = seed
    out = bytearray()
    while len(out) < count:
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        out += struct.pack("<I", state)
    return bytes(out[:count])


def build_image(first_byte, length, packet_head, seed):
    assert length % PACKET == 0
    start_block = bytes([first_byte, 0x01]) + b"QRT08_D0".ljust(10, b"\0") + bytes(4)
    first_packet = packet_head + struct.pack(">I", length - LENGTH_OFFSET)
    first_packet += bytes(PACKET - len(first_packet))
    closing_packet = bytes([0x03]) + bytes(PACKET - 1)
    body = body_bytes(seed, length - 3 * PACKET)
    image = start_block + first_packet + body + closing_packet
    assert len(image) == length
    return image


def main():
    check = "--check" in sys.argv[1:]
    status = 0
    for name, first_byte, length, packet_head, seed in IMAGES:
        image = build_image(first_byte, length, packet_head, seed)
        path = HERE / name
        if check:
            if not path.exists() or path.read_bytes() != image:
                print(f"{name}: differs from what make_images.py writes", file=sys.stderr)
                status = 1
        else:
            path.write_bytes(image)
            print(f"{name}: {length} bytes")
    return status


if __name__ == "__main__":
    sys.exit(main())
