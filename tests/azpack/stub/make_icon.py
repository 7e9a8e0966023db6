"""Writes a small 16x16, 32-bit icon file: the icon resource of the test stub."""
import struct
import sys


def icon_bytes():
    width = height = 16
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            # A blue square with a lighter diagonal, fully opaque.
            light = 0xC0 if x == y or x + y == width - 1 else 0x40
            pixels += bytes((0xE0, light, light // 2, 0xFF))
    mask = bytes(4 * height)  # 1 bit per pixel, rows padded to 32 bits
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + bytes(pixels) + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(icon_bytes())
