#!/usr/bin/python3
"""Builds the program's resource files from the readable descriptions in resources/.

    make_resources.py RESOURCE_DIR OUT_DIR

Writes into OUT_DIR: picture_<id>.tga, pm_<id>.pm, fm_<id>.fm, fnt_<id>.fnt, frm_<id>.frm and
morvane_resources.rc, which embeds them as "PICTURE", "PM", "FM", "FNT" and "FRM" resources,
skinPalette.h, the palette for the code's own drawing, and skinBitmaps.h, the bitmaps' named ids.
Every record is little-endian and begins with its version word; strings are a u32 length and bytes.
Pictures are drawn at a multiple of their size and scaled down, so edges are smooth; glyph strips are
rasterised from DejaVu Sans at a pinned pixel size with FreeType's basic layout, so the output is the
same on every run.
"""
import math
import json
import os
import re
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"


# ------------------------------------------------------------------------------------------------
# Records

def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def i32(v):
    return struct.pack("<i", v)


def u8(v):
    return struct.pack("<B", v)


def string(text):
    data = text.encode("cp1252")
    return u32(len(data)) + data


def colour(text, palette=None):
    """'#RRGGBB' (opaque), '#AARRGGBB' or a palette name -> 0xAARRGGBB."""
    if palette and text in palette:
        text = palette[text]
    h = text.lstrip("#")
    if len(h) == 6:
        return 0xFF000000 | int(h, 16)
    return int(h, 16)


def picture_format(f):
    top, bottom, left, right = f["insets"]
    return (u32(1) + u8(f["alpha"]) + u32(f["mode"]) + u32(f["count"]) + u32(f["flags"]) +
            i32(top) + i32(bottom) + i32(left) + i32(right))


def picture_map(pictures):
    out = u32(3) + i32(len(pictures))
    for pid, fmt in sorted(pictures):
        out += u32(pid) + picture_format(fmt)
    return out


def font_map(ids):
    out = u32(3) + i32(len(ids))
    for fid in sorted(ids):
        out += u32(fid) + u32(0)
    return out


def fnt(font):
    return (u32(1) + u32(font["kind"]) + u32(1) + u32(font["glyphs"]) + u32(1) + u32(font["highlightGlyphs"]) +
            u32(1) + u32(font["caret"]) + u32(colour(font["highlightColour"])) + u32(colour(font["caretColour"])))


def background(kind, rgba, picture):
    return u32(1) + u32(kind) + u32(rgba) + u32(1) + u32(picture)


def text_record(font_id, h_align, v_align, text):
    return u32(1) + u32(1) + u32(font_id) + u32(h_align) + u32(v_align) + string(text)


def widget_base(w):
    """The widget base record (version 6): rectangle, transparent flag, anchor, layer."""
    left, top, right, bottom = w["rect"]
    return u32(6) + i32(left) + i32(top) + i32(right) + i32(bottom) + u8(1) + u32(0) + u32(w.get("layer", 3))


def text_style(style, text, form_bg_colour):
    """A text style record (version 2): background, text, margins left, right, top, bottom."""
    kind, picture = style["background"]
    bg_colour = colour(style["colour"]) if "colour" in style else form_bg_colour
    h_align, v_align = style["align"]
    out = u32(2) + background(kind, bg_colour, picture) + text_record(style["font"], h_align, v_align, text)
    for m in style["margins"]:
        out += i32(m)
    return out


def switch_record(w, form_bg_colour, styles):
    if "style" in w:
        style = text_style(styles[w["style"]], w.get("text", ""), form_bg_colour)
    else:
        style = (u32(2) + background(3, form_bg_colour, w["picture"]) +
                 text_record(1001, 1, 1, w["text"]) + i32(1) + i32(1) + i32(1) + i32(1))
    part = (u32(10) + style + u32(0) +           # state
            u8(0) + u8(0) + u8(w.get("pressedFrames", 0)) + u8(0) + u8(1) +  # toggle, hover, pressed, disabled, left only
            u32(w.get("action", 1)) + u32(0) + u32(1) +  # action (1: notify on press and release); repeat period, delay
            u8(0) + string(""))                  # double click as press, link text
    return widget_base(w) + part


def label_record(w, form_bg_colour, styles):
    return widget_base(w) + u32(2) + text_style(styles[w["style"]], w.get("text", ""), form_bg_colour) + u32(0)


def f32(v):
    return struct.pack("<f", v)


def selector_record(w, form_bg_colour, styles):
    s = styles[w["style"]]
    kind, picture = s["background"]
    bg_colour = colour(s["colour"]) if "colour" in s else form_bg_colour
    low, high = w["range"]
    return (widget_base(w) + u32(12) + u32(1) + u32(s["knob"]) + background(kind, bg_colour, picture) +
            f32(low) + f32(high) + u32(w["steps"]) +
            u8(0) + u8(0) + u8(0) + u8(0) +      # frames mode, vertical, keyboard, disabled frame
            u32(1) + f32(1.0) + u32(s["trackInset"]) + i32(0) + i32(0) +  # pointing; factor, inset, centre
            u8(0) + f32(0.2) + f32(low) + u32(0))  # free turning, fine factor, default, reset mode


def list_record(w, form_bg_colour, styles):
    """The list record, version 9."""
    s = styles[w["style"]]
    out = widget_base(w) + u32(9)
    out += text_style(styles[s["headerStyle"]], "", form_bg_colour)
    out += text_style(styles[s["cellStyle"]], "", form_bg_colour)
    out += i32(s["selectionMode"]) + i32(s["cellGap"]) + i32(s["rowSpacing"]) + i32(s["iconGap"])
    out += (u32(colour(s["background"])) + u32(colour(s["scrollBar"])) + u32(colour(s["selected"])) +
            u32(colour(s["marked"])) + u32(colour(s["band"])) + u8(s["gridLines"]) + u32(colour(s["grid"])))
    out += u32(w.get("icon1", 0)) + u32(w.get("icon2", 0)) + u8(s["sortable"]) + u8(s["selectionUnderText"])
    return out


def subform_record(w, form_bg_colour, styles):
    """A sub-form (version 1): the class of its inner form (empty: a plain form, or what the widget's
    own class makes) and the FRM id it loads (0: none, the inner form takes the widget's size)."""
    return widget_base(w) + u32(1) + string(w.get("formClass", "")) + u32(w.get("form", 0))


WRITERS = {"Switch": switch_record, "Label": label_record, "Selector": selector_record, "List": list_record,
           "SubForm": subform_record, "AboutContentSubForm": subform_record}


def frm(form, styles):
    bg = form["background"]
    bg_colour = colour(bg["colour"])
    out = u32(4) + background(bg["kind"], bg_colour, bg["picture"])
    out += i32(form["size"][0]) + i32(form["size"][1])
    widgets = [w for w in form["widgets"] if w["id"] >= 0]
    out += i32(len(widgets))
    for w in widgets:
        writer = WRITERS.get(w["class"])
        if writer is None:
            raise SystemExit("form %d: no writer for class %s" % (form["id"], w["class"]))
        out += u32(1) + u32(w["id"]) + string(w["class"]) + string(w.get("alternativeClass", ""))
        out += writer(w, bg_colour, styles)
    return out


# ------------------------------------------------------------------------------------------------
# Pictures

def tga(image):
    """An uncompressed 32-bit true-colour TGA, rows top first."""
    image = image.convert("RGBA")
    w, h = image.size
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, w, h, 32, 0x28)
    r, g, b, a = image.split()
    return header + Image.merge("RGBA", (b, g, r, a)).tobytes()


def rgba(value):
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255, (value >> 24) & 255)


class Painter:
    """Draws one frame at `scale` times its size; `done` scales it down with a box filter."""

    def __init__(self, size, scale):
        self.w, self.h = size
        self.s = scale
        self.image = Image.new("RGBA", (self.w * scale, self.h * scale), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.image)

    def box(self, inset, fill, radius, outline=None, width=1):
        s = self.s
        self.draw.rounded_rectangle([inset * s, inset * s, (self.w - inset) * s - 1, (self.h - inset) * s - 1],
                                    radius=radius * s, fill=fill, outline=outline, width=width * s)

    def done(self):
        return self.image.resize((self.w, self.h), Image.BOX)


def bevel_box(size, scale, pal, style, face, sunken=False, edge=None):
    """The one bevel style: a dark outline, a light upper-left and a dark lower-right inner edge."""
    r = style["radius"]
    p = Painter(size, scale)
    light, dark = rgba(pal["bevelLight"]), rgba(pal["bevelDark"])
    if sunken:
        light, dark = dark, light
    p.box(0, rgba(pal["bevelDark"]) if edge is None else edge, r)
    p.box(1, dark, max(r - 1, 0))
    s = scale
    # the light edge: the same box shifted up-left, then the face covers all but the bevels
    p.draw.rounded_rectangle([1 * s, 1 * s, (p.w - 2) * s - 1, (p.h - 2) * s - 1], radius=max(r - 1, 0) * s, fill=light)
    p.draw.rounded_rectangle([2 * s, 2 * s, (p.w - 2) * s - 1, (p.h - 2) * s - 1], radius=max(r - 2, 0) * s, fill=face)
    return p.done()


def draw_frames(pic, pal, style):
    scale = style["supersample"]
    kind = pic["draw"]
    size = tuple(pic.get("frame", (1, 1)))
    frames = []
    for n in range(pic.get("frames", 1)):
        if kind == "button":
            face = rgba(pal["panelLight"]) if n == 0 else rgba(pal["panelDark"])
            frames.append(bevel_box(size, scale, pal, style, face, sunken=(n == 1)))
        elif kind == "tab":
            face = rgba(pal["panelLight"]) if n == 0 else rgba(pal["accentLight"])
            edge = None if n == 0 else rgba(pal["accent"])
            frames.append(bevel_box(size, scale, pal, style, face, sunken=False, edge=edge))
        elif kind == "field":
            img = bevel_box(size, scale, pal, dict(style, radius=0), rgba(pal["field"]), sunken=True)
            frames.append(img)
        elif kind == "thumb":
            frames.append(bevel_box(size, scale, pal, style, rgba(pal["panelDark"])))
        elif kind == "panel":
            img = Image.new("RGBA", size, rgba(pal["panel"]))
            d = ImageDraw.Draw(img)
            w, h = size
            d.line([(0, 0), (w - 1, 0)], fill=rgba(pal["bevelLight"]))
            d.line([(0, 0), (0, h - 1)], fill=rgba(pal["bevelLight"]))
            d.line([(0, h - 1), (w - 1, h - 1)], fill=rgba(pal["panelDark"]))
            d.line([(w - 1, 0), (w - 1, h - 1)], fill=rgba(pal["panelDark"]))
            frames.append(img)
        elif kind == "groove":
            w, h = size
            img = Image.new("RGBA", size, rgba(pal["bevelLight"]))
            ImageDraw.Draw(img).line([(0, 0), (w - 1, 0)], fill=rgba(pal["panelDark"]))
            frames.append(img)
        elif kind == "check":
            img = bevel_box(size, scale, pal, dict(style, radius=2), rgba(pal["field"]), sunken=True)
            if n == 1:
                p = Painter(size, scale)
                s = scale
                p.draw.line([(3.5 * s, 7 * s), (6 * s, 10 * s), (10.5 * s, 3.5 * s)], fill=rgba(pal["accent"]),
                            width=2 * s, joint="curve")
                img = Image.alpha_composite(img, p.done())
            frames.append(img)
        elif kind == "radio":
            p = Painter(size, scale)
            s = scale
            w, h = size
            p.draw.ellipse([0, 0, w * s - 1, h * s - 1], fill=rgba(pal["bevelDark"]))
            p.draw.ellipse([1 * s, 1 * s, (w - 1) * s - 1, (h - 1) * s - 1], fill=rgba(pal["field"]))
            if n == 1:
                p.draw.ellipse([4 * s, 4 * s, (w - 4) * s - 1, (h - 4) * s - 1], fill=rgba(pal["accent"]))
            frames.append(p.done())
        elif kind == "menubutton":
            face = rgba(pal["panelLight"]) if n == 0 else rgba(pal["panelDark"])
            img = bevel_box(size, scale, pal, style, face, sunken=(n == 1))
            p = Painter(size, scale)
            s = scale
            w, h = size
            cx, cy = w / 2.0, h / 2.0
            p.draw.polygon([((cx - 4) * s, (cy - 2) * s), ((cx + 4) * s, (cy - 2) * s), (cx * s, (cy + 2) * s)],
                           fill=rgba(pal["text"]))
            frames.append(Image.alpha_composite(img, p.done()))
        elif kind == "arrow":
            p = Painter(size, scale)
            s = scale
            w, h = size
            p.draw.polygon([(0, 0), (w * s, 0), (w * s / 2, h * s)], fill=rgba(pal["text"]))
            frames.append(p.done())
        else:
            raise SystemExit("picture %d: unknown drawing %s" % (pic["id"], kind))
    w, h = frames[0].size
    vertical = pic["format"]["mode"] == 1
    strip = Image.new("RGBA", (w, h * len(frames)) if vertical else (w * len(frames), h), (0, 0, 0, 0))
    for n, f in enumerate(frames):
        strip.paste(f, (0, n * h) if vertical else (n * w, 0))
    return strip


def glyph_strip(spec, pal):
    """256 glyphs of code page 1252 side by side under a marker row: a non-zero pixel in row 0 where
    each glyph starts, zero elsewhere. Ink is the text colour with the coverage as alpha."""
    font = ImageFont.truetype(os.path.join(FONT_DIR, spec["file"]), spec["pixelSize"],
                              layout_engine=ImageFont.Layout.BASIC)
    ascent, descent = font.getmetrics()
    height = ascent + descent
    ink = rgba(colour(spec["colour"], pal))
    cells = []
    for code in range(256):
        try:
            ch = bytes([code]).decode("cp1252")
        except UnicodeDecodeError:
            ch = None
        if ch is None or code < 32 or code == 127:
            cells.append((None, 1))        # unused codes: one blank column
            continue
        if code == 0xA0:
            ch = " "
        advance = max(int(round(font.getlength(ch))), 1)
        cells.append((ch, advance))
    total = sum(w for _, w in cells)
    strip = Image.new("RGBA", (total, height + 1), (0, 0, 0, 0))
    x = 0
    for ch, w in cells:
        strip.putpixel((x, 0), ink[:3] + (255,))
        if ch is not None and ch != " ":
            mask = Image.new("L", (w, height), 0)
            ImageDraw.Draw(mask).text((0, 0), ch, font=font, fill=255)
            cell = Image.new("RGBA", (w, height), ink[:3] + (0,))
            cell.putalpha(mask)
            # fully clear pixels carry no colour, so the picture holds zeros where there is no ink
            cell = Image.composite(cell, Image.new("RGBA", (w, height), (0, 0, 0, 0)), mask)
            strip.paste(cell, (x, 1))
        x += w
    return strip


def contact_sheet(out, written, pal):
    """All pictures side by side on the panel colour, doubled, in contact_sheet.png (not embedded):
    differences of palette and bevel between pictures show at a glance."""
    images = [Image.open(os.path.join(out, name)).convert("RGBA") for kind, _, name in written if kind == "PICTURE"]
    width = max(im.size[0] for im in images) + 8
    height = sum(im.size[1] + 6 for im in images) + 6
    sheet = Image.new("RGBA", (width, height), rgba(pal["panel"]))
    y = 6
    for im in images:
        sheet.alpha_composite(im, (4, y))
        y += im.size[1] + 6
    sheet.resize((width * 2, height * 2), Image.NEAREST).save(os.path.join(out, "contact_sheet.png"))


# ------------------------------------------------------------------------------------------------

def bmp24(image):
    """A 24-bit bottom-up BMP of an RGB(A) image, as LoadBitmap reads it."""
    image = image.convert("RGB")
    w, h = image.size
    row = (w * 3 + 3) & ~3
    px = image.load()
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for x in range(w):
            r, g, b = px[x, y]
            line += bytes((b, g, r))
        data += line + b"\0" * (row - w * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


# ------------------------------------------------------------------------------------------------
# Faders, list rows and scrollbars of the control kit (manifest looks fader*, list*, scroll*)

def _groove(img, pal, box, face):
    """A sunken channel: dark upper-left edge, light lower-right edge, `face` inside."""
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box
    d.rectangle(box, fill=face)
    d.line([(x0, y0), (x1, y0)], fill=rgba(pal["bevelDark"]))
    d.line([(x0, y0), (x0, y1)], fill=rgba(pal["bevelDark"]))
    d.line([(x0, y1), (x1, y1)], fill=rgba(pal["bevelLight"]))
    d.line([(x1, y0), (x1, y1)], fill=rgba(pal["bevelLight"]))


def _fader(entry, pal, style):
    w, h = entry["size"]
    look = entry["look"]
    if look in ("faderTrack", "faderFill"):
        img = Image.new("RGBA", (w, h), rgba(pal["panel"]))
        mid = h // 2
        face = rgba(pal["accent"]) if look == "faderFill" else rgba(pal["panelDark"])
        _groove(img, pal, (0, mid - 3, w - 1, mid + 2), face)
        return img
    face = rgba(pal["accentLight"]) if look == "faderHandlePressed" else rgba(pal["panelLight"])
    img = bevel_box((w, h), style["supersample"], pal, dict(style, radius=2), face)
    ImageDraw.Draw(img).line([(w // 2, 3), (w // 2, h - 4)], fill=rgba(pal["bevelDark"]))
    return img


def _list_rows(entry, pal, style):
    """Row pictures for light text: a dark row, the accent for the selected look; a whole-list
    picture repeats the row every `row` pixels."""
    w, h = entry["size"]
    row = entry.get("row", h)
    look = entry["look"]
    dark, stripe = (0x2A, 0x2E, 0x35, 255), (0x33, 0x38, 0x40, 255)
    if look == "listRowSelected":
        dark = stripe = rgba(pal["accent"])
    img = Image.new("RGBA", (w, h), dark)
    d = ImageDraw.Draw(img)
    for n, top in enumerate(range(0, h, row)):
        if n % 2:
            d.rectangle((0, top, w - 1, min(top + row, h) - 1), fill=stripe)
        d.line([(0, min(top + row, h) - 1), (w - 1, min(top + row, h) - 1)], fill=(0x22, 0x25, 0x2B, 255))
    return img


def _scroll(entry, pal, style):
    w, h = entry["size"]
    look = entry["look"]
    scale = style["supersample"]
    if look == "scrollInactive":
        img = Image.new("RGBA", (w, h), rgba(pal["panel"]))
        ImageDraw.Draw(img).rectangle((0, 0, w - 1, h - 1), outline=rgba(pal["panelDark"]))
        return img
    if look == "scrollTrack":
        img = Image.new("RGBA", (w, h), rgba(pal["panelDark"]))
        d = ImageDraw.Draw(img)
        d.rectangle((0, 0, w - 1, h - 1), outline=rgba(pal["bevelDark"]))
        return img
    if look == "scrollThumb":
        return bevel_box((w, h), scale, pal, dict(style, radius=2), rgba(pal["panelLight"]))
    pressed = entry.get("pressed", False)
    face = rgba(pal["accentLight"]) if pressed else rgba(pal["panelLight"])
    img = bevel_box((w, h), scale, pal, dict(style, radius=2), face, sunken=pressed)
    p = Painter((w, h), scale)
    s = scale
    cx, cy, r = w * s / 2, h * s / 2, min(w, h) * s * 0.22
    points = {"up": [(cx, cy - r), (cx + r * 1.2, cy + r * 0.7), (cx - r * 1.2, cy + r * 0.7)],
              "down": [(cx, cy + r), (cx + r * 1.2, cy - r * 0.7), (cx - r * 1.2, cy - r * 0.7)],
              "left": [(cx - r, cy), (cx + r * 0.7, cy - r * 1.2), (cx + r * 0.7, cy + r * 1.2)],
              "right": [(cx + r, cy), (cx - r * 0.7, cy - r * 1.2), (cx - r * 0.7, cy + r * 1.2)]}
    p.draw.polygon(points[entry["direction"]], fill=rgba(pal["text"]))
    return Image.alpha_composite(img.convert("RGBA"), p.done())


CONTROL_LOOKS = {
    "faderTrack": _fader, "faderHandle": _fader, "faderFill": _fader, "faderHandlePressed": _fader,
    "listRow": _list_rows, "listRowSelected": _list_rows,
    "scrollInactive": _scroll, "scrollTrack": _scroll, "scrollArrow": _scroll, "scrollThumb": _scroll,
}


def _piano_key(entry, pal, style):
    """A piano key: ivory or ebony with a dark edge and a shaded tip; pressed keys take the accent."""
    w, h = entry["size"]
    black = entry.get("colour") == "black"
    pressed = entry.get("pressed", False)
    if black:
        face = rgba(pal["accent"]) if pressed else (28, 30, 34, 255)
    else:
        face = rgba(pal["accentLight"]) if pressed else (250, 250, 246, 255)
    img = Image.new("RGBA", (w, h), face)
    d = ImageDraw.Draw(img)
    edge = (40, 40, 44, 255)
    if black:
        d.rectangle((0, 0, w - 1, h - 1), outline=(0, 0, 0, 255))
        d.line([(2, h - 4), (w - 3, h - 4)], fill=(90, 92, 98, 255) if not pressed else rgba(pal["accentLight"]))
    else:
        d.line([(0, 0), (0, h - 1)], fill=edge)
        d.line([(w - 1, 0), (w - 1, h - 1)], fill=(200, 200, 196, 255))
        d.line([(0, h - 1), (w - 1, h - 1)], fill=edge)
        d.line([(1, h - 5), (w - 2, h - 5)], fill=(215, 215, 210, 255) if not pressed else rgba(pal["accent"]))
    return img


def _xy_pad(entry, pal, style):
    """The XY pad of a controller slot: a sunken field with a cross, a round handle, the field lit."""
    w, h = entry["size"]
    look = entry["look"]
    if look in ("xyField", "xyFieldLit"):
        img = Image.new("RGBA", (w, h), (43, 47, 54, 255) if look == "xyField" else (36, 60, 96, 255))
        _groove(img, pal, (0, 0, w - 1, h - 1), img.getpixel((1, 1)))
        d = ImageDraw.Draw(img)
        d.line([(w // 2, 2), (w // 2, h - 3)], fill=(70, 76, 86, 255))
        d.line([(2, h // 2), (w - 3, h // 2)], fill=(70, 76, 86, 255))
        return img
    p = Painter((w, h), 4)
    fill = rgba(pal["accentLight"]) if look == "xyHandlePressed" else rgba(pal["panelLight"])
    p.draw.ellipse((2, 2, w * 4 - 3, h * 4 - 3), fill=fill, outline=rgba(pal["bevelDark"]), width=4)
    return p.done()


def _marker(entry, pal, style):
    """A graph marker: a triangle pointing down (or up) in one palette colour, on transparent black
    turned into the panel colour behind it, drawn at 4x and reduced."""
    w, h = entry["size"]
    scale = 4
    big = Image.new("RGBA", (w * scale, h * scale), rgba(pal[entry.get("back", "field")]))
    d = ImageDraw.Draw(big)
    ink = rgba(pal[entry.get("colour", "accent")])
    if entry.get("dir", "down") == "down":
        d.polygon([(0, 0), (w * scale - 1, 0), (w * scale / 2, h * scale - 1)], fill=ink)
    else:
        d.polygon([(w * scale / 2, 0), (w * scale - 1, h * scale - 1), (0, h * scale - 1)], fill=ink)
    return big.resize((w, h), Image.LANCZOS)


CONTROL_LOOKS.update({"pianoKey": _piano_key, "xyField": _xy_pad, "xyFieldLit": _xy_pad, "xyHandle": _xy_pad,
                      "xyHandlePressed": _xy_pad, "marker": _marker})


def skin_font(size, bold=False, condensed=False):
    name = "DejaVuSans" + ("Condensed" if condensed else "") + ("-Bold" if bold else "") + ".ttf"
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


def skin_text(image, box, text, pal, size=11, colour="text", bold=False, condensed=False, align="centre"):
    """Text centred (or left-aligned) in box = (x, y, w, h), drawn at 1x so glyphs stay hinted."""
    if not text:
        return
    x, y, w, h = box
    d = ImageDraw.Draw(image)
    # A caption never spills over its box's edges: smaller type (down to 9 px) before clipping.
    while True:
        font = skin_font(size, bold, condensed)
        left, top, right, bottom = d.textbbox((0, 0), text, font=font)
        if w <= 0 or right - left <= w - 4 or (size <= 9 and not bold):
            break
        if bold:
            bold = False
        else:
            size -= 1
    tx = x + 3 - left if align == "left" else x + (w - (right - left)) / 2 - left
    # Every caption of one type size stands on one baseline, whatever its letters: the box centres the
    # capitals and ascenders ("Hd"), and descenders hang below them as in print (one is lifted only as
    # far as it must to keep two rows clear of the box's lower bevel).
    _, cap_top, _, cap_bottom = d.textbbox((0, 0), "Hd", font=font)
    ty = y + (h - (cap_bottom - cap_top)) / 2 - cap_top
    if h > 0:
        ty = min(ty, y + h - 2 - bottom)
    d.text((round(tx), round(ty)), text, font=font, fill=rgba(pal[colour]))


def dimmed(image, pal):
    """The disabled look: the same drawing at half contrast against the panel."""
    flat = Image.new("RGBA", image.size, rgba(pal["panel"]))
    return Image.blend(image.convert("RGBA"), flat, 0.55)


def button_face(size, pal, style, pressed, lit=False, shape="rect"):
    """A raised face; pressed sinks it (a switch with lit=True lights it in the accent colour)."""
    scale = style["supersample"]
    if shape == "round":
        w, h = size
        p = Painter(size, scale)
        s = scale
        p.draw.ellipse([0, 0, w * s - 1, h * s - 1], fill=rgba(pal["bevelDark"]))
        top, low = (pal["bevelDark"], pal["bevelLight"]) if pressed else (pal["bevelLight"], pal["bevelDark"])
        p.draw.ellipse([1 * s, 1 * s, (w - 1) * s - 1, (h - 1) * s - 1], fill=rgba(low))
        p.draw.ellipse([1 * s, 1 * s, (w - 2) * s - 1, (h - 2) * s - 1], fill=rgba(top))
        face = pal["accentLight"] if (pressed and lit) else (pal["panelDark"] if pressed else pal["panelLight"])
        p.draw.ellipse([2 * s, 2 * s, (w - 2) * s - 1, (h - 2) * s - 1], fill=rgba(face))
        return p.done()
    face = pal["accentLight"] if (pressed and lit) else (pal["panelDark"] if pressed else pal["panelLight"])
    edge = rgba(pal["accent"]) if (pressed and lit) else None
    return bevel_box(size, scale, pal, style, rgba(face), sunken=pressed and not lit, edge=edge)


# Line symbols of switches: lists of strokes, each a list of points in the unit box.
WAVE_GLYPHS = {
    "rampUp": [[(0, 1), (1, 0)]],
    "rampDown": [[(0, 0), (1, 1)]],
    "triangle": [[(0, 1), (0.25, 0), (0.5, 1), (0.75, 0), (1, 1)]],
    "steps": [[(0, 1), (0, 0.3), (0.25, 0.3), (0.25, 0.8), (0.5, 0.8), (0.5, 0), (0.75, 0), (0.75, 0.6),
               (1, 0.6)]],
    "arrowsParallel": [[(0, y), (1, y)] for y in (0.0, 0.5, 1.0)]
                      + [[(0.7, y - 0.2), (1, y), (0.7, y + 0.2)] for y in (0.0, 0.5, 1.0)],
    "arrowsMerge": [[(0, 0), (1, 0.5)], [(0, 0.5), (1, 0.5)], [(0, 1), (1, 0.5)],
                    [(0.7, 0.3), (1, 0.5), (0.7, 0.7)]],
    # The wave editor's drawing tools and harmonics modes.
    "toolLine": [[(0, 0.8), (1, 0.1)]],
    "toolCosine": [[(i / 12, 0.85 - 0.7 * (1 - math.cos(math.pi * i / 12)) / 2) for i in range(13)]],
    "toolHalfSine": [[(0, 0.9)] + [(0.1 + 0.8 * i / 12, 0.9 - 0.8 * math.sin(math.pi * i / 12)) for i in range(13)]
                     + [(1, 0.9)]],
    "barSingle": [[(0.5, 1), (0.5, 0.1)], [(0.3, 0.1), (0.7, 0.1)]],
    "barsSweep": [[(x, 1), (x, 1 - h)] for x, h in ((0, 0.9), (0.25, 0.65), (0.5, 0.45), (0.75, 0.3), (1, 0.2))],
}


def skin_glyph(image, box, glyph, pal, lit):
    """The transport and page symbols, drawn at 4x and reduced."""
    x, y, w, h = box
    scale = 4
    layer = Painter((image.size[0], image.size[1]), scale)
    d, s = layer.draw, scale
    cx, cy = (x + w / 2) * s, (y + h / 2) * s
    r = min(w, h) * s * 0.24
    ink = rgba(pal["warning"]) if glyph == "record" else rgba(pal["text"])
    if glyph == "stop":
        d.rectangle([cx - r, cy - r, cx + r, cy + r], fill=ink)
    elif glyph == "play":
        d.polygon([(cx - r * 0.8, cy - r * 1.1), (cx - r * 0.8, cy + r * 1.1), (cx + r * 1.2, cy)], fill=ink)
    elif glyph == "record":
        d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=ink)
    elif glyph == "info":
        d.ellipse([cx - r * 1.5, cy - r * 1.5, cx + r * 1.5, cy + r * 1.5], outline=ink, width=s)
    elif glyph in WAVE_GLYPHS:
        # A stroke through points given in the glyph's box (0..1 across, 0..1 down), inset by a pixel
        # or two so that it clears the bevel.
        left, top = (x + 3) * s, (y + 3) * s
        gw, gh = (w - 6) * s, (h - 6) * s
        for stroke in WAVE_GLYPHS[glyph]:
            d.line([(left + px * gw, top + py * gh) for px, py in stroke], fill=ink, width=s, joint="curve")
    image.alpha_composite(layer.done())
    if glyph == "info":
        skin_text(image, box, "i", pal, size=12, bold=True)


def skin_led(image, box, text, pal, lit):
    """A switch: a small lamp and its caption on a flat face; pressed lights the lamp."""
    x, y, w, h = box
    d = ImageDraw.Draw(image)
    lamp = max(5, min(8, h - 5))
    lx = x + 3
    if not text:
        # A switch without a caption: the lamp alone, centred, with face showing between it and the bevel.
        lamp = min(lamp, w - 6)
        lx = x + (w - lamp) // 2
    ly = y + (h - lamp) // 2
    d.rounded_rectangle([lx, ly, lx + lamp - 1, ly + lamp - 1], radius=2,
                        fill=rgba(pal["accentLight"] if lit else pal["panelDark"]), outline=rgba(pal["bevelDark"]))
    # Low switches take the smallest type, so the caption stays clear of the bevel below it.
    skin_text(image, (x + lamp + 3, y, w - lamp - 3, h), text, pal, size=9 if h < 13 else 10, condensed=True,
              align="left")


def skin_cell(image, cell, look, pressed, pal, style, text_size=None):
    """One part of a bitmap: a button face, a switch, a tab or a sunken well, with its caption."""
    x, y, w, h = cell[:4]
    text = cell[4] if len(cell) > 4 else ""
    if look in ("well", "wellDark"):
        # wellDark: a dark field for light text (the preset grid), the accent when selected.
        if look == "wellDark":
            face = rgba(pal["accent"]) if pressed else (43, 47, 54, 255)
        else:
            face = rgba(pal["accentLight"] if pressed else pal["field"])
        image.paste(bevel_box((w, h), style["supersample"], pal, dict(style, radius=0), face, sunken=True), (x, y))
        skin_text(image, (x, y, w, h), text, pal, size=10, align="left",
                  colour="field" if look == "wellDark" else "text")
        return
    if look == "switch":
        image.paste(button_face((w, h), pal, style, False), (x, y))
        skin_led(image, (x, y, w, h), text, pal, pressed)
        return
    lit = look in ("tab", "toggle")
    image.paste(button_face((w, h), pal, style, pressed, lit=lit), (x, y))
    if text:
        size = text_size or (9 if h < 14 else 10)   # low faces: the caption stays clear of the bevel
        skin_text(image, (x, y + (1 if pressed and not lit else 0), w, h), text, pal, size=size, condensed=True)


def skin_bitmap(entry, pal, style):
    """One bitmap of the manifest. Looks: panel (a bevelled panel), field (a sunken field), mask (a
    hit mask, dark inside), button (a face in one of the four states), bar (a flat strip of one
    palette colour, edged dark above and light below; "bottomEdge": false leaves the light edge out
    where a caption stands on the strip's last rows), flat (one palette colour, the panel's unless
    given), panelColumn (a panel's inner column, repeated), popup (a raised face with a menu arrow: a selector whose choice is its caption). A panel takes
    "face" (a palette colour in place of the panel's).
    Any look takes "circles" (guide rings), "wells" (sunken fields, lit when pressed), "cells"
    (parts drawn as faces, switches or tabs in the state of the bitmap), "texts" (captions painted
    in) and "glyph" (a symbol in the middle)."""
    w, h = entry["size"]
    look = entry["look"]
    if look in CONTROL_LOOKS:
        return CONTROL_LOOKS[look](entry, pal, style)
    special = control_bitmap(entry, pal)
    if special is not None:
        return special
    if look == "mask":
        # Dark (red below 127) inside, white outside a rounded rectangle or a circle: drawn large
        # and reduced, then thresholded so the edge pixels are plainly in or out.
        scale = 4
        big = Image.new("L", (w * scale, h * scale), 255)
        r = entry.get("radius", 4) * scale
        if entry.get("shape") == "round":
            ImageDraw.Draw(big).ellipse((0, 0, w * scale - 1, h * scale - 1), fill=0)
        else:
            ImageDraw.Draw(big).rounded_rectangle((0, 0, w * scale - 1, h * scale - 1), radius=r, fill=0)
        small = big.resize((w, h), Image.LANCZOS).point(lambda v: 0 if v < 127 else 255)
        return small.convert("RGB")
    state = entry.get("state", "normal")
    pressed = state in ("pressed", "disabledPressed")
    disabled = state.startswith("disabled")
    if look == "button":
        kind = entry.get("kind", "push")
        if kind == "switch":
            image = Image.new("RGBA", (w, h), rgba(pal["panel"]))
            skin_cell(image, [0, 0, w, h, entry.get("text", "")], "switch", pressed, pal, style)
        else:
            image = Image.new("RGBA", (w, h), rgba(pal["panel"]))
            image.alpha_composite(button_face((w, h), pal, style, pressed, lit=(kind == "toggle"),
                                              shape=entry.get("shape", "rect")))
            sink = 1 if pressed and kind == "push" else 0
            skin_text(image, (0, sink, w, h), entry.get("text", ""), pal, size=10, condensed=True)
    elif look == "flat":
        image = Image.new("RGBA", (w, h), rgba(pal[entry.get("colour", "panel")]))
    elif look == "panelColumn":
        # One inner column of a panel of this height, repeated: it continues a panel to the right
        # without an edge where the two meet, drawn at its own size or stretched.
        column = bevel_box((8, h), 1, pal, style, rgba(pal["panel"])).convert("RGBA").crop((4, 0, 5, h))
        image = column.resize((w, h), Image.NEAREST)
    elif look == "bar":
        image = Image.new("RGBA", (w, h), rgba(pal[entry.get("colour", "panelDark")]))
        d = ImageDraw.Draw(image)
        d.line([(0, 0), (w - 1, 0)], fill=rgba(pal["bevelDark"]))
        if entry.get("bottomEdge", True):
            d.line([(0, h - 1), (w - 1, h - 1)], fill=rgba(pal["bevelLight"]))
    elif look == "popup":
        # A popup selector whose choice is its caption: a raised face with the menu arrow at its right
        # end, so it reads as a button that opens a menu rather than as a field to type in.
        image = Image.new("RGBA", (w, h), rgba(pal["panel"]))
        image.alpha_composite(button_face((w, h), pal, style, pressed))
        arrow = Painter((w, h), 4)
        cx, cy = w - 6.5, h / 2.0
        arrow.draw.polygon([((cx - 3) * 4, (cy - 1.5) * 4), ((cx + 3) * 4, (cy - 1.5) * 4), (cx * 4, (cy + 2) * 4)],
                           fill=rgba(pal["text"]))
        image.alpha_composite(arrow.done())
    else:
        face = pal[entry.get("face", "panel")] if look == "panel" else pal["field"]
        image = bevel_box((w, h), 1, pal, style, rgba(face), sunken=(look == "field")).convert("RGBA")
    for cx, cy, r in entry.get("circles", []):
        ImageDraw.Draw(image).ellipse((cx - r, cy - r, cx + r, cy + r), outline=rgba(pal["panelDark"]))
    for well in entry.get("wells", []):
        skin_cell(image, well, entry.get("wellLook", "well"), pressed, pal, style)
    for cell in entry.get("cells", []):
        # A sixth element gives the cell a look of its own.
        # "cellTextSize" gives every caption of the bitmap one size (a row of tabs reads as one).
        skin_cell(image, cell, cell[5] if len(cell) > 5 else entry.get("cellLook", "push"), pressed, pal, style,
                  entry.get("cellTextSize"))
    for columnX in entry.get("columns", []):
        d = ImageDraw.Draw(image)
        d.line([(columnX - 1, 4), (columnX - 1, h - 5)], fill=rgba(pal["panelDark"]))
        d.line([(columnX, 4), (columnX, h - 5)], fill=rgba(pal["bevelLight"]))
    for grooveY in entry.get("grooves", []):
        d = ImageDraw.Draw(image)
        d.line([(4, grooveY), (w - 5, grooveY)], fill=rgba(pal["panelDark"]))
        d.line([(4, grooveY + 1), (w - 5, grooveY + 1)], fill=rgba(pal["bevelLight"]))
    for x, y, text, size in entry.get("texts", []):
        skin_text(image, (x, y, 0, size + 4), text, pal, size=size, bold=True, align="left")
    if "glyph" in entry:
        skin_glyph(image, (0, 0, w, h), entry["glyph"], pal, pressed)
    for gx, gy, gw, gh, glyph in entry.get("glyphs", []):
        # A strip of symbols, one in each box (x, y, w, h).
        skin_glyph(image, (gx, gy, gw, gh), glyph, pal, pressed)
    if disabled:
        image = dimmed(image, pal)
    return image


def icon_image(size, pal):
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    d.rounded_rectangle((1, 1, size - 2, size - 2), radius=size // 6, fill=rgba(pal["accent"]),
                        outline=rgba(pal["bevelDark"]))
    # A sine stroke across the face.
    import math
    points = [(x, size / 2 - math.sin((x - 4) / (size - 8) * 2 * math.pi) * size / 4)
              for x in range(4, size - 3)]
    d.line(points, fill=rgba(pal["field"]), width=max(2, size // 12))
    return image


def cursor_image(shape, pal):
    image = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    ink, rim = (20, 20, 20, 255), (255, 255, 255, 255)
    if shape == "arrow":
        poly = [(0, 0), (0, 17), (4, 13), (8, 21), (11, 20), (7, 12), (12, 12)]
        d.polygon(poly, fill=ink, outline=rim)
    elif shape == "cross":
        d.rectangle((14, 2, 16, 28), fill=ink, outline=rim)
        d.rectangle((2, 14, 28, 16), fill=ink, outline=rim)
    elif shape == "updown":
        d.polygon([(15, 1), (8, 9), (22, 9)], fill=ink, outline=rim)
        d.polygon([(15, 29), (8, 21), (22, 21)], fill=ink, outline=rim)
        d.rectangle((14, 9, 16, 21), fill=ink)
    elif shape == "leftright":
        d.polygon([(1, 15), (9, 8), (9, 22)], fill=ink, outline=rim)
        d.polygon([(29, 15), (21, 8), (21, 22)], fill=ink, outline=rim)
        d.rectangle((9, 14, 21, 16), fill=ink)
    elif shape == "hand":
        d.rounded_rectangle((9, 12, 23, 28), radius=4, fill=ink, outline=rim)
        d.rectangle((13, 2, 16, 14), fill=ink, outline=rim)
    else:
        d.ellipse((10, 10, 20, 20), fill=ink, outline=rim)
    return image


def ico(image, cursor=False, hotspot=(0, 0)):
    """A one-image .ico or .cur file: 32-bit colour plus the 1-bit AND mask from the alpha."""
    image = image.convert("RGBA")
    w, h = image.size
    px = image.load()
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            xor += bytes((b, g, r, a))
    mask_row = ((w + 31) // 32) * 4
    andmask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_row)
        for x in range(w):
            if px[x, y][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        andmask += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    body = info + bytes(xor) + bytes(andmask)
    a, b = (hotspot if cursor else (1, 32))
    head = struct.pack("<HHH", 0, 2 if cursor else 1, 1)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, a, b, len(body), 6 + 16)
    return head + entry + body


def skin_sheet(out, images):
    """Every skin bitmap in manifest order, wrapped into rows 1300 pixels wide, in skin_sheet.png
    (not embedded): looks that do not match each other show at a glance."""
    width, x, y, row, places = 1300, 4, 4, 0, []
    for im in images:
        if x + im.size[0] > width and x > 4:
            x, y, row = 4, y + row + 6, 0
        places.append((x, y))
        x += im.size[0] + 6
        row = max(row, im.size[1])
    sheet = Image.new("RGB", (width, y + row + 4), (40, 40, 40))
    for im, place in zip(images, places):
        sheet.paste(im, place)
    sheet.save(os.path.join(out, "skin_sheet.png"))



# --- Looks of the number boxes, popup selectors and level meters ------------------------------------
# Value text of the number boxes and the choice text of the selectors are light, so their fields are
# dark; the arrow sections are raised (sunken and accented while held); meter bars light from green
# through yellow to red, with the top rows as the clip light.

VALUE_FIELD = (43, 47, 54)
VALUE_EDGE = (20, 22, 26)


def control_bitmap(entry, pal):
    w, h = entry["size"]
    look = entry["look"]
    part = entry.get("part", "")
    pressed = entry.get("pressed", False)
    accent = rgba(pal["accent"])[:3]
    if look == "arrows":
        scale = 4
        p = Painter((w, h), scale)
        face = accent if pressed else rgba(pal["panelLight"])[:3]
        p.draw.rectangle([0, 0, w * scale - 1, h * scale - 1], fill=rgba(pal["bevelDark"]))
        p.draw.rectangle([scale, scale, (w - 1) * scale - 1, (h - 1) * scale - 1],
                         fill=rgba(pal["bevelDark"] if pressed else pal["bevelLight"]))
        p.draw.rectangle([2 * scale if not pressed else scale, 2 * scale if not pressed else scale,
                          (w - 2) * scale - 1, (h - 2) * scale - 1], fill=face + (255,))
        ink = (255, 255, 255, 255) if pressed else (20, 20, 20, 255)
        cx, s = w * scale / 2, scale
        p.draw.polygon([(cx, 2.5 * s), (cx - 2.5 * s, 5 * s), (cx + 2.5 * s, 5 * s)], fill=ink)
        p.draw.polygon([(cx, (h - 2.5) * s), (cx - 2.5 * s, (h - 5) * s), (cx + 2.5 * s, (h - 5) * s)], fill=ink)
        return p.done().convert("RGB")
    if look == "valueBox":
        image = Image.new("RGB", (w, h), VALUE_FIELD)
        d = ImageDraw.Draw(image)
        edge = accent if pressed else VALUE_EDGE
        d.line([(0, 0), (w - 1, 0)], fill=edge)
        d.line([(0, h - 1), (w - 1, h - 1)], fill=rgba(pal["bevelLight"])[:3])
        if part == "left":
            d.line([(0, 0), (0, h - 1)], fill=edge)
            if pressed:
                d.line([(1, 1), (1, h - 2)], fill=accent)
        if part == "right":
            d.line([(w - 1, 1), (w - 1, h - 1)], fill=rgba(pal["bevelLight"])[:3])
        return image
    if look == "selector":
        field = (58, 62, 70) if not pressed else accent
        image = Image.new("RGB", (w, h), rgba(pal["panel"])[:3])
        d = ImageDraw.Draw(image)
        d.rectangle([0, 0, w - 1, h - 1], fill=field)
        d.line([(0, 0), (w - 1, 0)], fill=VALUE_EDGE)
        d.line([(0, h - 1), (w - 1, h - 1)], fill=rgba(pal["bevelLight"])[:3])
        if part == "left":
            d.line([(0, 0), (0, h - 1)], fill=VALUE_EDGE)
        if part == "right":
            d.line([(w - 1, 0), (w - 1, h - 1)], fill=rgba(pal["bevelLight"])[:3])
            d.line([(1, 3), (1, h - 4)], fill=(90, 95, 105))
            cx, cy = w / 2 + 1, h / 2
            big = Image.new("RGBA", (w * 4, h * 4), (0, 0, 0, 0))
            ImageDraw.Draw(big).polygon([((cx - 3.5) * 4, (cy - 1.5) * 4), ((cx + 3.5) * 4, (cy - 1.5) * 4),
                                         (cx * 4, (cy + 2.5) * 4)], fill=(240, 240, 225, 255))
            image.paste(big.resize((w, h), Image.BOX), (0, 0), big.resize((w, h), Image.BOX))
        return image
    if look == "meter":
        lit = entry.get("lit", False)
        image = Image.new("RGB", (w, h), (18, 20, 24))
        d = ImageDraw.Draw(image)
        for y in range(1, h - 1):
            if y % 2 == 0:
                continue   # a dark gap every other row makes the segments
            t = (h - 1 - y) / (h - 2)   # 0 at the bottom, 1 at the top
            if y < 5:
                c = (235, 40, 30)
            elif t > 0.75:
                c = (240, 200, 40)
            else:
                c = (60, 200, 90)
            if not lit:
                c = tuple(v // 5 + 14 for v in c)
            d.line([(0, y), (w - 1, y)], fill=c)
        return image
    return None


def write_skin_manifest(src, out, put, pal, style):
    path = os.path.join(src, "skinBitmaps.json")
    if not os.path.exists(path):
        return
    with open(path) as f:
        manifest = json.load(f)
    # Two entries under one id would leave one picture silently replaced by the other.
    for group in ("bitmaps", "cursors"):
        seen = {}
        for entry in manifest[group]:
            rid = entry["id"]
            if rid in seen:
                raise SystemExit("%s: %s id %d is defined twice (\"%s\" and \"%s\")"
                                 % (path, group, rid, seen[rid], entry.get("name", entry.get("shape", ""))))
            seen[rid] = entry.get("name", entry.get("shape", ""))
    images = []
    for entry in manifest["bitmaps"]:
        image = skin_bitmap(entry, pal, style)
        images.append(image.convert("RGB"))
        put("BITMAP", entry["id"], "bitmap_%d.bmp" % entry["id"], bmp24(image))
    skin_sheet(out, images)
    for entry in manifest["cursors"]:
        put("CURSOR", entry["id"], "cursor_%d.cur" % entry["id"],
            ico(cursor_image(entry["shape"], pal), True, tuple(entry["hotspot"])))
    icon = manifest["icon"]
    put("ICON", icon["id"], "icon_%d.ico" % icon["id"], ico(icon_image(icon["size"], pal)))


def skin_bitmap_symbol(name):
    """The C++ name of a skin bitmap: 'bmp' and the words of its manifest name, each capitalised."""
    words = re.findall(r"[A-Za-z0-9]+", name)
    return "bmp" + "".join(w[:1].upper() + w[1:] for w in words)


def write_skin_bitmap_header(src, out):
    """skinBitmaps.h: one enum of every skin bitmap's id, named from its manifest name, so code names
    its pictures. Rewritten only when it changes, so what includes it is not compiled again."""
    with open(os.path.join(src, "skinBitmaps.json")) as f:
        manifest = json.load(f)
    lines = ["// Generated by scripts/make_resources.py from resources/skinBitmaps.json: do not edit.",
             "// Each skin bitmap's resource id, named from its manifest name.", "#pragma once", "",
             "enum SkinBitmap : int {"]
    seen = set()
    for entry in manifest["bitmaps"]:
        symbol = skin_bitmap_symbol(entry["name"])
        if symbol in seen:
            raise SystemExit("skin bitmap %d: the name %s is taken" % (entry["id"], symbol))
        seen.add(symbol)
        lines.append("    %s = %d,   // %s" % (symbol, entry["id"], entry["name"]))
    lines.append("};")
    text = "\n".join(lines) + "\n"
    path = os.path.join(out, "skinBitmaps.h")
    if not os.path.exists(path) or open(path).read() != text:
        with open(path, "w") as f:
            f.write(text)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    src, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(src, "skin.json")) as f:
        skin = json.load(f)
    with open(os.path.join(src, "forms.json")) as f:
        forms = json.load(f)
    pal = {k: colour(v) for k, v in skin["palette"].items()}
    pal_text = skin["palette"]
    written = []  # (type, id, file)

    def put(kind, rid, name, data):
        path = os.path.join(out, name)
        old = None
        if os.path.exists(path):
            with open(path, "rb") as f:
                old = f.read()
        if old != data:
            with open(path, "wb") as f:
                f.write(data)
        written.append((kind, rid, name))

    formats = {}
    for pic in skin["pictures"]:
        if pic["draw"] == "glyphs":
            image = glyph_strip(skin["glyphFonts"][pic["font"]], pal_text)
        else:
            image = draw_frames(pic, pal, skin["style"])
        formats[pic["id"]] = pic["format"]
        put("PICTURE", pic["id"], "picture_%d.tga" % pic["id"], tga(image))
    for m in skin["pictureMaps"]:
        put("PM", m["id"], "pm_%d.pm" % m["id"], picture_map([(p, formats[p]) for p in m["pictures"]]))
    for m in skin["fontMaps"]:
        put("FM", m["id"], "fm_%d.fm" % m["id"], font_map(m["fonts"]))
    for font in skin["fonts"]:
        put("FNT", font["id"], "fnt_%d.fnt" % font["id"], fnt(font))
    for form in forms["forms"]:
        put("FRM", form["id"], "frm_%d.frm" % form["id"], frm(form, forms.get("styles", {})))

    write_skin_manifest(src, out, put, pal, skin["style"])
    write_skin_bitmap_header(src, out)
    contact_sheet(out, written, pal)

    # The palette for the program's own drawing (window backgrounds, text drawn by code): one source.
    header = ["// Generated by scripts/make_resources.py from resources/skin.json: do not edit.",
              "// The skin's palette as 0x00RRGGBB (the order of Windows' RGB macro is blue, green, red).",
              "#pragma once", ""]
    for name, value in skin["palette"].items():
        argb = colour(value)
        header.append("inline constexpr unsigned kSkin%s = 0x%06X;" % (name[0].upper() + name[1:], argb & 0xFFFFFF))
    with open(os.path.join(out, "skinPalette.h"), "w") as f:
        f.write("\n".join(header) + "\n")

    rc = ["// Generated by scripts/make_resources.py from resources/: do not edit."]
    for kind, rid, name in written:
        path = os.path.abspath(os.path.join(out, name)).replace(os.sep, "/")
        rc.append('%d %s "%s"' % (rid, kind, path))
    # Written every time, so the resource compiler runs again whenever any file changed.
    with open(os.path.join(out, "morvane_resources.rc"), "w") as f:
        f.write("\n".join(rc) + "\n")


if __name__ == "__main__":
    main()
