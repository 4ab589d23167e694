#!/usr/bin/python3
"""Checks every caption the skin paints into its bitmaps: legible and whole.

    check_skin_text.py RESOURCE_DIR [OUT_PNG]

Draws the bitmaps of RESOURCE_DIR/skinBitmaps.json the way make_resources.py does and, for every text
painted into a framed box, checks that the glyphs stay inside the box (two pixels clear of its
top and bottom edges and one of its sides, where the bevel is) and that the text colour against the box's face has a contrast ratio of at least 4.5:1
(WCAG). Prints one line per fault and exits 1 when there is any; OUT_PNG, when given, gets a sheet of
every checked box (faulty ones framed in red) to look at.
"""
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_resources as mr  # noqa: E402
from PIL import Image, ImageDraw  # noqa: E402


def luminance(rgb):
    def lin(c):
        c = c / 255.0
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = rgb[:3]
    return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b)


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    hi, lo = max(la, lb), min(la, lb)
    return (hi + 0.05) / (lo + 0.05)


def final_size(image, text, size, bold, condensed, w):
    """The type size make_resources.skin_text ends with for this text and box width."""
    d = ImageDraw.Draw(image)
    while True:
        left, _, right, _ = d.textbbox((0, 0), text, font=mr.skin_font(size, bold, condensed))
        if w <= 0 or right - left <= w - 4 or (size <= 9 and not bold):
            return size
        if bold:
            bold = False
        else:
            size -= 1


def main():
    if len(sys.argv) not in (2, 3):
        raise SystemExit(__doc__)
    src = sys.argv[1]
    with open(os.path.join(src, "skin.json")) as f:
        skin = json.load(f)
    with open(os.path.join(src, "skinBitmaps.json")) as f:
        manifest = json.load(f)
    pal = {k: mr.colour(v) for k, v in skin["palette"].items()}
    seen = []      # (bitmap id, text, fault or "", crop)
    current = {"id": 0, "sizes": set()}
    original = mr.skin_text

    def checked_text(image, box, text, pal_, size=11, colour="text", bold=False, condensed=False, align="centre"):
        if not text:
            return
        x, y, w, h = box
        before = image.copy()
        original(image, box, text, pal_, size, colour, bold, condensed, align)
        # The glyphs are the pixels the text changed; the face is what was there before, in the box.
        diff = [(px, py) for py in range(max(0, y - 3), min(image.height, y + h + 3))
                for px in range(max(0, x - 3), min(image.width, (x + w if w > 0 else image.width) + 3))
                if image.getpixel((px, py)) != before.getpixel((px, py))]
        fault = ""
        if diff:
            top = min(p[1] for p in diff)
            bottom = max(p[1] for p in diff)
            left = min(p[0] for p in diff)
            right = max(p[0] for p in diff)
            # A framed box (a face with its bevel) keeps its text two pixels clear above and below, so
            # no glyph touches the bevel; free text (no width) has no frame to stay clear of.
            if w > 0 and (top < y + 2 or bottom > y + h - 3 or left < x + 1 or right > x + w - 2):
                fault = "clipped: glyphs at (%d..%d, %d..%d) in a box (%d..%d, %d..%d)" % (
                    left, right, top, bottom, x, x + w - 1, y, y + h - 1)
            faces = [before.getpixel(p) for p in diff]
            face = max(set(faces), key=faces.count)
            ratio = contrast(mr.rgba(pal_[colour]), face)
            if ratio < 4.5:
                fault = (fault + "; " if fault else "") + "contrast %.1f:1" % ratio
        crop = image.crop((max(0, x - 2), max(0, y - 2), min(image.width, x + (min(w, 150) if w > 0 else 80) + 2),
                           min(image.height, y + h + 2)))
        seen.append((current["id"], text, fault, crop))
        current["sizes"].add(final_size(image, text, size, bold, condensed, w))

    mr.skin_text = checked_text
    for entry in manifest["bitmaps"]:
        current["id"] = entry["id"]
        current["sizes"] = set()
        mr.skin_bitmap(entry, pal, skin["style"])
        # A row of tabs reads as one: every tab's caption in one type size.
        if entry.get("cellLook") == "tab" and len(current["sizes"]) > 1:
            seen.append((entry["id"], "tabs", "captions in sizes %s" % sorted(current["sizes"]), Image.new("RGB", (4, 4))))
    faults = [s for s in seen if s[2]]
    for bid, text, fault, _ in faults:
        print("bitmap %d, \"%s\": %s" % (bid, text, fault))
    print("%d captions checked, %d faulty" % (len(seen), len(faults)))
    if len(sys.argv) == 3:
        scale, pad, cols = 3, 6, 6
        cells = [(c.resize((c.width * scale, c.height * scale), Image.NEAREST), f) for _, _, f, c in seen]
        cw = max(c.width for c, _ in cells) + pad
        ch = max(c.height for c, _ in cells) + pad
        rows = (len(cells) + cols - 1) // cols
        sheet = Image.new("RGB", (cw * cols, ch * rows), (255, 255, 255))
        d = ImageDraw.Draw(sheet)
        for i, (c, f) in enumerate(cells):
            px, py = (i % cols) * cw, (i // cols) * ch
            sheet.paste(c.convert("RGB"), (px + pad // 2, py + pad // 2))
            if f:
                d.rectangle([px, py, px + cw - 2, py + ch - 2], outline=(255, 0, 0), width=2)
        sheet.save(sys.argv[2])
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
