#!/usr/bin/env python3
"""Writes the wait window's animation: an uncompressed 8-bit AVI without
sound, as the animate control plays it. A ring of twelve dots of which one
runs round with a fading tail, 32 x 32 pixels, twelve frames at 12 frames a
second. Palette entry 0 is the background, which the control's transparent
style replaces with the window's own colour; entries 1 to 255 blend from the
background to the dot colour, for smooth dot edges.

usage: wait_avi.py OUTPUT.avi
"""
import math
import struct
import sys

SIZE = 32
FRAMES = 12
RATE = 12
DOTS = 12
RING = 11.0  # radius of the ring of dot centres
DOT = 2.4  # radius of a dot
BACKGROUND = (240, 240, 240)
COLOUR = (16, 84, 160)
# Strength of each dot by its distance behind the running one.
TAIL = [1.0, 0.78, 0.58, 0.42, 0.3]
REST = 0.18


def palette():
    entries = []
    for k in range(256):
        t = k / 255.0
        r, g, b = (round(bg + (c - bg) * t) for bg, c in zip(BACKGROUND, COLOUR))
        entries.append(struct.pack("<BBBB", b, g, r, 0))
    return b"".join(entries)


def coverage(px, py, cx, cy):
    """Share of the pixel (px, py) that the dot at (cx, cy) covers (4x4 samples)."""
    inside = 0
    for sy in range(4):
        for sx in range(4):
            x = px + (sx + 0.5) / 4.0
            y = py + (sy + 0.5) / 4.0
            if (x - cx) ** 2 + (y - cy) ** 2 <= DOT * DOT:
                inside += 1
    return inside / 16.0


def frame(index):
    """Pixel rows of one frame, bottom row first, as a device-independent bitmap stores them."""
    level = [[0.0] * SIZE for _ in range(SIZE)]
    centre = SIZE / 2.0
    for dot in range(DOTS):
        behind = (index - dot) % DOTS
        strength = TAIL[behind] if behind < len(TAIL) else REST
        angle = 2.0 * math.pi * dot / DOTS - math.pi / 2.0  # dot 0 at the top, clockwise
        cx = centre + RING * math.cos(angle)
        cy = centre + RING * math.sin(angle)
        for py in range(int(cy - DOT) - 1, int(cy + DOT) + 2):
            for px in range(int(cx - DOT) - 1, int(cx + DOT) + 2):
                if 0 <= px < SIZE and 0 <= py < SIZE:
                    level[py][px] = max(level[py][px], coverage(px, py, cx, cy) * strength)
    rows = []
    for y in reversed(range(SIZE)):
        rows.append(bytes(min(255, round(v * 255)) for v in level[y]))
    return b"".join(rows)  # 32 bytes a row: already a multiple of 4


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, fourcc, data):
    return kind + struct.pack("<I", len(data) + 4) + fourcc + data


def avi():
    frame_bytes = SIZE * SIZE
    frames = [frame(i) for i in range(FRAMES)]
    avih = struct.pack(
        "<14I",
        1000000 // RATE,  # microseconds a frame
        frame_bytes * RATE,  # bytes a second at most
        0,  # padding granularity
        0x10,  # has an index
        FRAMES,
        0,  # initial frames
        1,  # streams
        frame_bytes,  # suggested buffer size
        SIZE,
        SIZE,
        0, 0, 0, 0,
    )
    strh = b"vids" + b"DIB " + struct.pack(
        "<IHHIIIIIIII4h",
        0,  # flags
        0, 0,  # priority, language
        0,  # initial frames
        1, RATE,  # scale, rate
        0, FRAMES,  # start, length
        frame_bytes,  # suggested buffer size
        0xFFFFFFFF,  # quality: default
        0,  # sample size: varies
        0, 0, SIZE, SIZE,
    )
    strf = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 8, 0, frame_bytes, 0, 0, 256, 0)
    strf += palette()
    strl = riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", strf))
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + strl)
    movi_data = b""
    index = b""
    for data in frames:
        offset = 4 + len(movi_data)  # from the "movi" type code
        movi_data += chunk(b"00db", data)
        index += b"00db" + struct.pack("<III", 0x10, offset, len(data))  # key frames
    movi = riff_list(b"LIST", b"movi", movi_data)
    return riff_list(b"RIFF", b"AVI ", hdrl + movi + chunk(b"idx1", index))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(avi())


if __name__ == "__main__":
    main()
