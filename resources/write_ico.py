#!/usr/bin/env python3
"""Write palette-based Windows .ico / .cur files from raw RGBA pixels.

Usage:
  write_ico.py ico OUT.ico  IMAGE [IMAGE ...]
  write_ico.py cur OUT.cur  HOTX HOTY IMAGE [IMAGE ...]
  write_ico.py cur-rc IN.cur OUTDIR NAME

Each IMAGE is "FILE.rgba:SIZE:BPP": a square SIZExSIZE image stored as raw
8-bit RGBA (e.g. from `convert x.png -depth 8 rgba:x.rgba`), written with
BPP bits per pixel (1, 4 or 8) plus a 1-bit AND (transparency) mask.

 * 1 bpp: black/white palette, chosen by brightness.
 * 4 bpp: the standard 16-colour VGA palette, nearest colour.
 * 8 bpp: the image's own colours (reduce it to at most 255 colours first).

Pixels with alpha < 128 are transparent: AND bit 1, colour index 0 (black),
so the screen below shows through unchanged.

cur-rc writes a cursor file X.cur as Windows resources for windres: OUTDIR/X-cursor.rc,
to be #included where the resource id NAME is defined, and the binary pieces it names
(X-1.cur.bin ..., X-group.bin). windres's own CURSOR statement lists every image as 1 bpp in the
cursor group directory, and Windows picks the image by that directory, so a colour
image would never be shown; this directory gives each image its real depth.
"""
import os
import struct
import sys

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def load(path, size):
    data = open(path, "rb").read()
    if len(data) != size * size * 4:
        sys.exit(f"{path}: expected {size * size * 4} bytes, got {len(data)}")
    return [tuple(data[i:i + 4]) for i in range(0, len(data), 4)]


def nearest(rgb, palette):
    r, g, b = rgb
    best, best_d = 0, None
    for i, (pr, pg, pb) in enumerate(palette):
        d = 3 * (r - pr) ** 2 + 4 * (g - pg) ** 2 + 2 * (b - pb) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def quantize(pixels, bpp):
    """Return (palette, indices, opaque flags)."""
    opaque = [p[3] >= 128 for p in pixels]
    if bpp == 1:
        palette = [(0, 0, 0), (255, 255, 255)]
        idx = [1 if (o and 299 * p[0] + 587 * p[1] + 114 * p[2] >= 128000) else 0
               for p, o in zip(pixels, opaque)]
    elif bpp == 4:
        palette = list(VGA16)
        cache = {}
        idx = []
        for p, o in zip(pixels, opaque):
            if not o:
                idx.append(0)
                continue
            if p[:3] not in cache:
                cache[p[:3]] = nearest(p[:3], palette)
            idx.append(cache[p[:3]])
    elif bpp == 8:
        palette = [(0, 0, 0)]
        lookup = {(0, 0, 0): 0}
        for p, o in zip(pixels, opaque):
            if o and p[:3] not in lookup:
                lookup[p[:3]] = len(palette)
                palette.append(p[:3])
        if len(palette) > 256:
            sys.exit(f"too many colours for 8 bpp: {len(palette)}")
        idx = [lookup[p[:3]] if o else 0 for p, o in zip(pixels, opaque)]
    else:
        sys.exit(f"unsupported bit depth {bpp}")
    palette += [(0, 0, 0)] * ((1 << bpp) - len(palette))
    return palette, idx, opaque


def pack_rows(values, size, bits):
    """Pack rows bottom-up, MSB first, each row padded to 4 bytes."""
    out = bytearray()
    stride = ((size * bits + 31) // 32) * 4
    for y in range(size - 1, -1, -1):
        row = bytearray(stride)
        for x in range(size):
            v = values[y * size + x]
            bit = x * bits
            row[bit // 8] |= v << (8 - bits - bit % 8)
        out += row
    return bytes(out)


def dib(pixels, size, bpp):
    palette, idx, opaque = quantize(pixels, bpp)
    xor = pack_rows(idx, size, bpp)
    mask = pack_rows([0 if o else 1 for o in opaque], size, 1)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + pal + xor + mask


def cursor_resources(cur_path, out_dir, name):
    """Split a .cur file into RT_CURSOR images and an RT_GROUP_CURSOR directory."""
    data = open(cur_path, "rb").read()
    if len(data) < 6 or struct.unpack_from("<HH", data, 0) != (0, 2):
        sys.exit(f"{cur_path}: not a cursor file")
    count = struct.unpack_from("<H", data, 4)[0]
    group = struct.pack("<HHH", 0, 2, count)
    stem = os.path.splitext(os.path.basename(cur_path))[0]
    lines = [f"// Written from {os.path.basename(cur_path)} by write_ico.py cur-rc; do not edit."]
    for i in range(count):
        if 6 + 16 * (i + 1) > len(data):
            sys.exit(f"{cur_path}: directory cut short")
        _, _, _, _, hot_x, hot_y, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        bitmap = data[offset:offset + size]
        if len(bitmap) != size or size < 40 or struct.unpack_from("<I", bitmap, 0)[0] != 40:
            sys.exit(f"{cur_path}: image {i + 1} is not a whole bitmap")
        # BITMAPINFOHEADER: width, height of image and mask together, planes, bit count.
        width, height, planes, bits = struct.unpack_from("<iiHH", bitmap, 4)
        image = f"{stem}-{i + 1}.cur.bin"
        with open(os.path.join(out_dir, image), "wb") as f:
            f.write(struct.pack("<HH", hot_x, hot_y) + bitmap)
        group += struct.pack("<HHHHIH", width, height, planes, bits, size + 4, i + 1)
        lines.append(f'{i + 1} 1 "{image}"')
    with open(os.path.join(out_dir, f"{stem}-group.bin"), "wb") as f:
        f.write(group)
    lines.append(f'{name} 12 "{stem}-group.bin"')
    with open(os.path.join(out_dir, f"{stem}-cursor.rc"), "w") as f:
        f.write("\n".join(lines) + "\n")


def main(argv):
    if len(argv) == 5 and argv[1] == "cur-rc":
        cursor_resources(argv[2], argv[3], argv[4])
        return
    if len(argv) < 3 or argv[1] not in ("ico", "cur"):
        sys.exit(__doc__)
    kind, out, rest = argv[1], argv[2], argv[3:]
    hot = (0, 0)
    if kind == "cur":
        hot, rest = (int(rest[0]), int(rest[1])), rest[2:]
    images = []
    for image in rest:
        path, size, bpp = image.rsplit(":", 2)
        size, bpp = int(size), int(bpp)
        images.append((size, bpp, dib(load(path, size), size, bpp)))

    blob = struct.pack("<HHH", 0, 1 if kind == "ico" else 2, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        colours = (1 << bpp) if bpp < 8 else 0
        if kind == "ico":
            f1, f2 = 1, bpp             # planes, bit count
        else:
            f1, f2 = hot                # hot spot x, y
        blob += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0,
                            f1, f2, len(data), offset)
        offset += len(data)
    blob += b"".join(data for _, _, data in images)
    with open(out, "wb") as f:
        f.write(blob)


if __name__ == "__main__":
    main(sys.argv)
