#!/usr/bin/env python3
"""Draw the Tevrolin icon from pixel art and write tevrolin.ico plus the hicolor PNGs.

Standard library only, so the icons can be regenerated on any machine with Python 3:

    python3 make-icons.py

Run it from anywhere; outputs land next to this script. With --web FOLDER it writes only the web page's icons
there instead, icon-192.png and icon-512.png.
"""

import pathlib
import struct
import sys
import zlib

# The standard 16-colour palette: every 4-bit icon viewer renders these faithfully.
PALETTE16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
PALETTE2 = [(0x00, 0x00, 0x00), (0xFF, 0xFF, 0xFF)]

# Art character -> palette index; '.' is transparent.
COLOUR = {"k": 0, "g": 2, "s": 7, "d": 8, "r": 9, "L": 10, "w": 15}
# The monochrome icon keeps the same shapes: white case, black display with a white trace, black keys.
MONO = {"k": 0, "g": 0, "s": 0, "d": 1, "r": 0, "L": 1, "w": 0}

# A pocket calculator whose display shows a serial frame as a square wave.
ART32 = [
    "................................",
    "...kkkkkkkkkkkkkkkkkkkkkkkkkk...",
    "..kddddddddddddddddddddddddddk..",
    "..kdkkkkkkkkkkkkkkkkkkkkkkkkdk..",
    "..kdkggggggggggggggggggggggkdk..",
    "..kdkLLLLgggLLLLLggLLLLLgggkdk..",
    "..kdkgggLgggLgggLggLgggLgggkdk..",
    "..kdkgggLgggLgggLggLgggLgggkdk..",
    "..kdkgggLgggLgggLggLgggLgggkdk..",
    "..kdkgggLgggLgggLggLgggLgggkdk..",
    "..kdkgggLLLLLgggLLLLgggLLLLkdk..",
    "..kdkggggggggggggggggggggggkdk..",
    "..kdkkkkkkkkkkkkkkkkkkkkkkkkdk..",
    "..kddddddddddddddddddddddddddk..",
    "..kddddddddddddddddddddddddddk..",
    "..kddwwwwddwwwwddwwwwddwwwwddk..",
    "..kddssssddssssddssssddssssddk..",
    "..kddssssddssssddssssddssssddk..",
    "..kddkkkkddkkkkddkkkkddkkkkddk..",
    "..kddddddddddddddddddddddddddk..",
    "..kddwwwwddwwwwddwwwwddwwwwddk..",
    "..kddssssddssssddssssddssssddk..",
    "..kddssssddssssddssssddssssddk..",
    "..kddkkkkddkkkkddkkkkddkkkkddk..",
    "..kddddddddddddddddddddddddddk..",
    "..kddwwwwddwwwwddwwwwddwwwwddk..",
    "..kddssssddssssddssssddrrrrddk..",
    "..kddssssddssssddssssddrrrrddk..",
    "..kddkkkkddkkkkddkkkkddkkkkddk..",
    "..kddddddddddddddddddddddddddk..",
    "...kkkkkkkkkkkkkkkkkkkkkkkkkk...",
    "................................",
]

# At 16 pixels the case fills the frame so the wave keeps two clear pulses.
ART16 = [
    ".kkkkkkkkkkkkkk.",
    "kddddddddddddddk",
    "kdkkkkkkkkkkkkdk",
    "kdkLLLggLLLLgkdk",
    "kdkggLggLggLgkdk",
    "kdkggLggLggLgkdk",
    "kdkggLLLLggLLkdk",
    "kdkkkkkkkkkkkkdk",
    "kddddddddddddddk",
    "kddssddssddssddk",
    "kddssddssddssddk",
    "kddddddddddddddk",
    "kddssddssddrrddk",
    "kddssddssddrrddk",
    "kddddddddddddddk",
    ".kkkkkkkkkkkkkk.",
]

PNG_SIZES = [16, 32, 48, 64, 128, 256]
WEB_SIZES = [192, 512]  # what a web app's manifest offers for its installation


def check_art(art):
    size = len(art)
    for row in art:
        if len(row) != size:
            raise ValueError(f"art row {row!r} is not {size} pixels wide")
        unknown = set(row) - set(COLOUR) - {"."}
        if unknown:
            raise ValueError(f"unknown art characters {sorted(unknown)}")
    return size


def pack_rows(rows, bits):
    """Pack pixel rows bottom-up at `bits` per pixel, each row padded to 32 bits as DIBs require."""
    per_byte = 8 // bits
    out = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for start in range(0, len(row), per_byte):
            byte = 0
            for i, value in enumerate(row[start:start + per_byte]):
                byte |= value << (8 - bits * (i + 1))
            line.append(byte)
        line.extend(b"\0" * (-len(line) % 4))
        out += line
    return bytes(out)


def dib_image(art, mapping, palette, bits):
    """One icon image: BITMAPINFOHEADER, palette, XOR (colour) bitmap, AND (transparency) mask."""
    size = check_art(art)
    # Transparent pixels are 0 in the XOR bitmap so that the AND-then-XOR blit leaves the screen alone.
    colours = [[0 if ch == "." else mapping[ch] for ch in row] for row in art]
    mask = [[1 if ch == "." else 0 for ch in row] for row in art]
    xor_bits = pack_rows(colours, bits)
    and_bits = pack_rows(mask, 1)
    header = struct.pack(
        "<IiiHHIIiiII",
        40,  # biSize
        size,
        size * 2,  # an icon DIB counts the XOR and AND halves together
        1,  # biPlanes
        bits,
        0,  # BI_RGB
        len(xor_bits) + len(and_bits),
        0,
        0,
        0,
        0,
    )
    quads = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + quads + xor_bits + and_bits


def write_ico(path, images):
    """images: list of (size, colour count, bits per pixel, DIB bytes), in directory order."""
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, colours, bits, data in images:
        # bColorCount is 0 for 256 or more colours; ours are 2 and 16.
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours % 256, 0, 1, bits, len(data), offset)
        offset += len(data)
    path.write_bytes(directory + b"".join(data for *_, data in images))


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def write_png(path, art, size):
    """Write the art as an RGBA PNG scaled to `size` by nearest neighbour."""
    source = check_art(art)
    raw = bytearray()
    for y in range(size):
        row = art[y * source // size]
        raw.append(0)  # filter type: none
        for x in range(size):
            ch = row[x * source // size]
            raw += bytes((0, 0, 0, 0)) if ch == "." else bytes(PALETTE16[COLOUR[ch]] + (255,))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    data = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
    data += png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b"")
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


def write_indexed_png(path, art, size):
    """Write the art as a PNG of palette indices scaled to `size`: the 16 colours and a transparent 17th. For the
    large icons, where it is a quarter of the RGBA one's size."""
    source = check_art(art)
    transparent = len(PALETTE16)
    raw = bytearray()
    for y in range(size):
        row = art[y * source // size]
        raw.append(0)  # filter type: none
        raw += bytes(transparent if ch == "." else COLOUR[ch] for ch in (row[x * source // size] for x in range(size)))
    palette = b"".join(bytes(colour) for colour in PALETTE16) + bytes(3)
    alpha = bytes([255] * len(PALETTE16) + [0])
    header = struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0)  # 8-bit palette indices
    data = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"PLTE", palette) + png_chunk(b"tRNS", alpha)
    data += png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b"")
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


def main():
    if sys.argv[1:2] == ["--web"] and len(sys.argv) == 3:
        for size in WEB_SIZES:
            write_indexed_png(pathlib.Path(sys.argv[2]) / f"icon-{size}.png", ART32, size)
        return
    here = pathlib.Path(__file__).resolve().parent
    write_ico(
        here / "tevrolin.ico",
        [
            (32, 2, 1, dib_image(ART32, MONO, PALETTE2, 1)),
            (32, 16, 4, dib_image(ART32, COLOUR, PALETTE16, 4)),
            (16, 16, 4, dib_image(ART16, COLOUR, PALETTE16, 4)),
        ],
    )
    for size in PNG_SIZES:
        write_png(here / "icons" / f"{size}x{size}" / "tevrolin.png", ART16 if size == 16 else ART32, size)


if __name__ == "__main__":
    main()
