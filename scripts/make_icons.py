#!/usr/bin/python3
"""Draws the viewer's icons and writes them as .ico files into res/.

101 program icon: a page under a magnifying glass, 16 and 32 px, 8 bits.
106 Cookies: a cookie; 107 Cache: a stack of disks; 108 History: a clock;
each 16 px, 24 bits. Run it again after changing a picture.
"""
import os
import struct
import sys

from PIL import Image, ImageDraw

TRANSPARENT = (0, 0, 0, 0)


def program_icon(size):
    s = size / 32.0
    img = Image.new("RGBA", (size, size), TRANSPARENT)
    d = ImageDraw.Draw(img)
    box = lambda *v: [round(x * s) for x in v]
    d.polygon(box(4, 2, 19, 2, 24, 7, 24, 29, 4, 29), fill=(255, 255, 255, 255), outline=(60, 60, 60, 255))
    d.polygon(box(19, 2, 19, 7, 24, 7), fill=(200, 200, 200, 255), outline=(60, 60, 60, 255))
    for y in (10, 14, 18):
        d.line(box(8, y, 20, y), fill=(0, 0, 200, 255), width=max(1, round(s)))
    d.line(box(20, 20, 29, 29), fill=(120, 70, 20, 255), width=max(2, round(3 * s)))
    d.ellipse(box(11, 11, 23, 23), fill=(170, 220, 255, 255), outline=(30, 30, 30, 255), width=max(1, round(2 * s)))
    return img


def cookie_icon():
    img = Image.new("RGBA", (16, 16), TRANSPARENT)
    d = ImageDraw.Draw(img)
    d.ellipse([1, 1, 14, 14], fill=(214, 160, 80, 255), outline=(140, 90, 30, 255))
    for x, y in ((4, 5), (9, 4), (6, 9), (10, 10), (11, 7)):
        d.rectangle([x, y, x + 1, y + 1], fill=(70, 35, 10, 255))
    return img


def cache_icon():
    img = Image.new("RGBA", (16, 16), TRANSPARENT)
    d = ImageDraw.Draw(img)
    for top in (9, 5, 1):
        d.rectangle([2, top + 2, 13, top + 4], fill=(40, 100, 220, 255))
        d.ellipse([2, top + 2, 13, top + 7], fill=(40, 100, 220, 255), outline=(10, 40, 120, 255))
        d.rectangle([3, top + 2, 12, top + 4], fill=(40, 100, 220, 255))
        d.ellipse([2, top, 13, top + 4], fill=(150, 190, 255, 255), outline=(10, 40, 120, 255))
    return img


def history_icon():
    img = Image.new("RGBA", (16, 16), TRANSPARENT)
    d = ImageDraw.Draw(img)
    d.ellipse([0, 0, 15, 15], fill=(30, 120, 40, 255))
    d.ellipse([2, 2, 13, 13], fill=(255, 255, 255, 255))
    d.line([7, 3, 7, 8], fill=(0, 0, 0, 255))
    d.line([7, 8, 11, 8], fill=(200, 0, 0, 255))
    return img


def rows_bottom_up(img):
    w, h = img.size
    return [[img.getpixel((x, y)) for x in range(w)] for y in range(h - 1, -1, -1)]


def pad(data):
    return data + b"\0" * (-len(data) % 4)


def and_mask(img):
    out = b""
    for row in rows_bottom_up(img):
        bits = 0
        line = b""
        for x, px in enumerate(row):
            bits = (bits << 1) | (1 if px[3] < 128 else 0)
            if x % 8 == 7:
                line += bytes([bits])
                bits = 0
        out += pad(line)
    return out


def dib(img, bpp):
    w, h = img.size
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bpp, 0, 0, 0, 0, 0, 0)
    if bpp == 24:
        pixels = b"".join(pad(b"".join(bytes((p[2], p[1], p[0])) if p[3] >= 128 else b"\0\0\0" for p in row))
                          for row in rows_bottom_up(img))
        return header + pixels + and_mask(img)
    rgb = Image.new("RGB", img.size, (0, 0, 0))
    rgb.paste(img, mask=img.split()[3])
    indexed = rgb.quantize(colors=256)
    palette = indexed.getpalette()[:768]
    palette += [0] * (768 - len(palette))
    table = b"".join(bytes((palette[i + 2], palette[i + 1], palette[i], 0)) for i in range(0, 768, 3))
    pixels = b"".join(pad(bytes(indexed.getpixel((x, y)) for x in range(w))) for y in range(h - 1, -1, -1))
    return header + table + pixels + and_mask(img)


def write_ico(path, images):
    blobs = [dib(img, bpp) for img, bpp in images]
    offset = 6 + 16 * len(blobs)
    out = struct.pack("<HHH", 0, 1, len(blobs))
    for (img, bpp), blob in zip(images, blobs):
        w, h = img.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


def main():
    res = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "res")
    write_ico(os.path.join(res, "program.ico"), [(program_icon(16), 8), (program_icon(32), 8)])
    write_ico(os.path.join(res, "kind_cookies.ico"), [(cookie_icon(), 24)])
    write_ico(os.path.join(res, "kind_cache.ico"), [(cache_icon(), 24)])
    write_ico(os.path.join(res, "kind_history.ico"), [(history_icon(), 24)])


if __name__ == "__main__":
    main()
