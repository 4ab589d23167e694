#!/usr/bin/env python3
"""Writes the small bitmaps the control-kit tests load as resources, and the .rc that embeds them.

usage: make_test_bitmaps.py OUTDIR
"""
import os
import struct
import sys


def bmp(path, w, h, pixel):
    """24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y counted from the top."""
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for x in range(w):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - w * 3)
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def solid(rgb):
    return lambda x, y: rgb


def rounded(size, radius):
    """Black inside a rounded square, white in the corners outside the rounding."""
    def px(x, y):
        cx = min(max(x, radius), size - 1 - radius)
        cy = min(max(y, radius), size - 1 - radius)
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        return (0, 0, 0) if d2 <= radius * radius else (255, 255, 255)
    return px


# id: (width, height, pixel function)
BITMAPS = {
    2900: (60, 40, solid((255, 0, 0))),          # red background panel
    # masked button, one state: normal, pressed, disabled, disabled pressed, mask
    2910: (20, 20, solid((0, 0, 255))),
    2911: (20, 20, solid((0, 160, 0))),
    2912: (20, 20, solid((128, 128, 128))),
    2913: (20, 20, solid((64, 64, 64))),
    2914: (20, 20, rounded(20, 8)),
    # a button of three states without masks: 2920 + 8 * state (+1 pressed)
    2920: (16, 16, solid((0, 0, 200))), 2921: (16, 16, solid((0, 200, 0))),
    2928: (16, 16, solid((0, 0, 201))), 2929: (16, 16, solid((0, 201, 0))),
    2936: (16, 16, solid((0, 0, 202))), 2937: (16, 16, solid((0, 202, 0))),
    # a button whose mask is missing
    2950: (20, 20, solid((0, 0, 255))),
    # frame strip: base, frame 1; frame 2 missing; frame 3
    2960: (10, 10, solid((255, 255, 0))),
    2961: (10, 10, solid((0, 255, 255))),
    2963: (10, 10, solid((255, 0, 255))),
    # pads and faders: background, handle, filled track, handle pressed
    2700: (60, 40, lambda x, y: (x * 4, y * 4, 100)),   # a pad background whose pixels tell where they are
    2701: (10, 10, solid((255, 0, 0))),
    2702: (60, 40, solid((0, 255, 0))),
    2703: (10, 10, solid((255, 0, 255))),
    2710: (200, 10, solid((0, 0, 128))),
    2711: (10, 10, solid((255, 255, 0))),
    2712: (200, 10, solid((0, 255, 0))),
    2713: (10, 10, solid((255, 0, 255))),
    # list rows: normal, selected, spare; and a whole-list picture with its selected look
    2720: (80, 12, solid((40, 40, 40))),
    2721: (80, 12, solid((0, 0, 200))),
    2722: (80, 12, solid((40, 40, 40))),
    2725: (80, 60, solid((40, 40, 40))),
    2726: (80, 60, lambda x, y: (0, 0, 100 + y)),
    2727: (80, 60, solid((40, 40, 40))),
    # scrollbars: inactive, track, back arrow, pressed, forward arrow, pressed, thumb
    2730: (12, 20, solid((128, 128, 128))),
    2731: (12, 20, solid((60, 60, 60))),
    2732: (12, 12, solid((0, 200, 0))),
    2733: (12, 12, solid((0, 100, 0))),
    2734: (12, 12, solid((200, 0, 0))),
    2735: (12, 12, solid((100, 0, 0))),
    2736: (12, 16, solid((255, 255, 255))),
    2740: (20, 12, solid((128, 128, 128))),
    2741: (20, 12, solid((60, 60, 60))),
    2742: (12, 12, solid((0, 200, 0))),
    2743: (12, 12, solid((0, 100, 0))),
    2744: (12, 12, solid((200, 0, 0))),
    2745: (12, 12, solid((100, 0, 0))),
    2746: (16, 12, solid((255, 255, 255))),
    # a striped panel for displays drawn over a picture
    2970: (160, 40, lambda x, y: (40 + (x % 8) * 20, 90, 160 - (y % 5) * 20)),
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    lines = []
    for rid, (w, h, px) in sorted(BITMAPS.items()):
        name = "tb%d.bmp" % rid
        bmp(os.path.join(out, name), w, h, px)
        lines.append('%d BITMAP "%s"' % (rid, name))
    with open(os.path.join(out, "controlsTestBitmaps.rc"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
