#!/usr/bin/python3
"""Saves the whole X display (24-bit Xvfb) as a PNG, as ImageMagick's `import -window root`
would, and prints how many colours it shows: a display with no window on it shows one."""
import struct
import sys
import zlib

from Xlib import X, display


def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def main():
    root = display.Display().screen().root
    geometry = root.get_geometry()
    width, height = geometry.width, geometry.height
    pixels = root.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF).data
    rows, colours = [], set()
    for y in range(height):
        line = pixels[y * width * 4:(y + 1) * width * 4]  # B, G, R, unused
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
        colours.update(struct.unpack(f"<{width}I", line))
        rows.append(b"\0" + bytes(rgb))
    with open(sys.argv[1], "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 6)))
        out.write(chunk(b"IEND", b""))
    print(len(colours))


if __name__ == "__main__":
    main()
