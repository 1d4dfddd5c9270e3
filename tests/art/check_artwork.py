#!/usr/bin/env python3
"""Reads back every file in src/ui/art with parsers of its own and checks
what the resource compiler, Windows and Qt rely on: byte sizes, image order
and depths, masks that match the alpha, PNG integrity, and that
scripts/make-artwork reproduces the committed bytes."""

import pathlib
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zlib

ROOT = pathlib.Path(__file__).resolve().parents[2]
ART = ROOT / "src/ui/art"
GENERATOR = ROOT / "scripts/make-artwork"

# ---------------------------------------------------------------- readers


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


def read_info_header(data, at):
    fields = struct.unpack_from("<IiiHHIIiiII", data, at)
    names = ("size", "width", "height", "planes", "bits", "compression", "image_size", "xppm", "yppm", "used",
             "important")
    return dict(zip(names, fields))


def row_stride(width, bits):
    return (width * bits + 31) // 32 * 4


def read_ico(data):
    """Returns the directory entries, each with its decoded image: `rgba`
    (top row first), `mask` (True where the AND mask says transparent) and
    `header`. Raises AssertionError on any structural fault."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind) == (0, 1), "not an icon file"
    entries = []
    expected_offset = 6 + 16 * count
    for i in range(count):
        w, h, colours, res, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        assert offset == expected_offset, "image %d at %d, expected %d (gap or overlap)" % (i, offset, expected_offset)
        expected_offset += size
        entry = dict(width=w or 256, height=h or 256, colours=colours, reserved=res, planes=planes, bits=bits,
                     size=size, offset=offset)
        entry.update(decode_icon_image(data[offset:offset + size], entry["width"], entry["height"]))
        entries.append(entry)
    assert expected_offset == len(data), "%d bytes after the last image" % (len(data) - expected_offset)
    return entries


def decode_icon_image(blob, width, height):
    header = read_info_header(blob, 0)
    assert header["size"] == 40 and header["compression"] == 0 and header["planes"] == 1
    assert (header["width"], header["height"]) == (width, 2 * height), "header size disagrees with directory"
    bits = header["bits"]
    at = 40
    palette = []
    if bits <= 8:
        for i in range(1 << bits):
            b, g, r, _ = blob[at + 4 * i:at + 4 * i + 4]
            palette.append((r, g, b))
        at += 4 << bits
    xor_stride, and_stride = row_stride(width, bits), row_stride(width, 1)
    xor, mask_bytes = blob[at:at + xor_stride * height], blob[at + xor_stride * height:]
    assert len(mask_bytes) == and_stride * height, "AND mask is %d bytes" % len(mask_bytes)
    rgba, mask = [], []
    for y in range(height):
        src = (height - 1 - y) * xor_stride
        msrc = (height - 1 - y) * and_stride
        for x in range(width):
            mask.append(bool(mask_bytes[msrc + x // 8] & (0x80 >> (x % 8))))
            if bits == 32:
                b, g, r, a = xor[src + 4 * x:src + 4 * x + 4]
                rgba.append((r, g, b, a))
            else:
                per_byte = 8 // bits
                index = (xor[src + x // per_byte] >> ((per_byte - 1 - x % per_byte) * bits)) & ((1 << bits) - 1)
                rgba.append(palette[index] + (0 if mask[-1] else 255,))
    return dict(header=header, rgba=rgba, mask=mask, palette=palette)


def read_bmp(data):
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    assert magic == b"BM"
    header = read_info_header(data, 14)
    assert header["size"] == 40 and header["compression"] == 0 and header["bits"] == 24
    width, height = header["width"], header["height"]
    assert height > 0, "top-down bitmap"
    stride = row_stride(width, 24)
    rgba, padding = [], bytearray()
    for y in range(height):
        src = offset + (height - 1 - y) * stride
        for x in range(width):
            b, g, r = data[src + 3 * x:src + 3 * x + 3]
            rgba.append((r, g, b, 255))
        padding += data[src + 3 * width:src + stride]
    end = offset + stride * height
    return dict(file_size=size, offset=offset, header=header, width=width, height=height, rgba=rgba,
                padding=bytes(padding), tail=data[end:])


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def read_png(data):
    """Checks signature and every chunk's CRC, decodes 8-bit RGBA."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "PNG signature"
    at, chunks, idat = 8, [], b""
    while at < len(data):
        length, = struct.unpack_from(">I", data, at)
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        crc, = struct.unpack_from(">I", data, at + 8 + length)
        assert crc == zlib.crc32(kind + body), "CRC of %r" % kind
        chunks.append(kind)
        if kind == b"IHDR":
            width, height, depth, colour_type, comp, filt, interlace = struct.unpack(">IIBBBBB", body)
            assert (depth, colour_type, comp, filt, interlace) == (8, 6, 0, 0, 0), "not plain 8-bit RGBA"
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    assert chunks[0] == b"IHDR" and chunks[-1] == b"IEND", chunks
    raw = zlib.decompress(idat)
    stride = width * 4
    assert len(raw) == height * (stride + 1)
    previous, rgba = bytearray(stride), []
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up, corner = previous[i], previous[i - 4] if i >= 4 else 0
            line[i] = (line[i] + (0, left, up, (left + up) // 2, paeth(left, up, corner))[kind]) & 0xFF
        rgba += [tuple(line[i:i + 4]) for i in range(0, stride, 4)]
        previous = line
    return dict(width=width, height=height, rgba=rgba)


def header_ints(path, *names):
    text = (ROOT / path).read_text()
    return [int(re.search(r"\b%s\s*=\s*(\d+)" % n, text).group(1)) for n in names]


def brand_blue():
    text = (ROOT / "src/ui/Colour.h").read_text()
    found = re.search(r"BrandBlue\s*=\s*Colour::Rgb\((0x\w+),\s*(0x\w+),\s*(0x\w+)\)", text)
    return tuple(int(v, 16) for v in found.groups())


def art(name):
    return (ART / name).read_bytes()


def pixel_differences(first, second, width):
    """(count, first differing (x, y)): unittest's own diff of lists this
    long runs out of recursion depth."""
    assert len(first) == len(second), "pixel counts %d and %d" % (len(first), len(second))
    where = [i for i, (a, b) in enumerate(zip(first, second)) if a != b]
    return len(where), (divmod(where[0], width)[::-1] if where else None)


# ---------------------------------------------------------------- checks

PROGRAM_ICON_ORDER = [(48, 8), (32, 8), (16, 8), (48, 32), (32, 32), (16, 32)]


class ProgramIcons(unittest.TestCase):
    def check_icon(self, name):
        data = art(name)
        self.assertEqual(len(data), 22486)
        entries = read_ico(data)
        self.assertEqual([(e["width"], e["bits"]) for e in entries], PROGRAM_ICON_ORDER)
        self.assertEqual([e["size"] for e in entries], [3752, 2216, 1384, 9640, 4264, 1128])
        for e in entries:
            self.assertEqual((e["height"], e["colours"], e["reserved"], e["planes"]), (e["width"], 0, 0, 1))
        paletted, truecolour = entries[:3], entries[3:]
        for low, high in zip(paletted, truecolour):
            self.check_quantisation(low, high)
            alphas = {p[3] for p in high["rgba"]}
            self.assertLess(high["rgba"][0][3], 128, "tile corner not rounded off at %d px" % high["width"])
            self.assertTrue(alphas - {0, 255}, "no anti-aliased edge at %d px" % high["width"])
            stem = name.replace(".ico", "")
            picture = read_png(art("png/%s-%d.png" % (stem, high["width"])))
            self.assertEqual((picture["width"], picture["height"]), (high["width"], high["width"]))
            self.assertEqual(pixel_differences(picture["rgba"], high["rgba"], high["width"]), (0, None),
                             "PNG differs from the 32-bit icon image")
        return truecolour

    def check_quantisation(self, low, high):
        """The paletted image shows the same opaque pixels as the alpha
        image, in nearly the same colours; transparent pixels are black in
        the XOR part so the screen shows through unchanged."""
        size = low["width"]
        alpha_opaque = [p[3] >= 128 for p in high["rgba"]]
        for image, what in ((low, "8-bit"), (high, "32-bit")):
            shown = [not m for m in image["mask"]]
            self.assertEqual(pixel_differences(shown, alpha_opaque, size), (0, None), "%s mask at %d px" % (what, size))
        errors = []
        for lp, hp, solid in zip(low["rgba"], high["rgba"], alpha_opaque):
            if solid:
                errors.append(max(abs(lp[k] - hp[k]) for k in range(3)))
            else:
                self.assertEqual(lp[:3], (0, 0, 0))
        self.assertLessEqual(max(errors), 16, "palette colour far from the drawing at %d px" % size)
        self.assertLessEqual(sum(errors) / len(errors), 2.0)

    def test_program_icon_and_about_variant(self):
        program = self.check_icon("DormixL.ico")
        about = self.check_icon("DormixAbout.ico")
        blue = brand_blue()
        for p, a in zip(program, about):
            size = p["width"]
            field = p["rgba"][size // 2 * size + size // 12]  # inside the rim, left of the ring
            self.assertEqual(field, blue + (255,), "tile is not the brand blue at %d px" % size)
            changed = sum(1 for x, y in zip(p["rgba"], a["rgba"]) if x != y)
            self.assertGreater(changed, 0, "About variant identical at %d px" % size)
            self.assertLess(changed, size * size // 20, "About variant differs in more than a few pixels")


class ErrorIcon(unittest.TestCase):
    def test_red_disc_with_white_cross_at_16_colours(self):
        data = art("Error.ico")
        self.assertEqual(len(data), 1078)
        entries = read_ico(data)
        self.assertEqual([(e["width"], e["height"], e["bits"], e["colours"]) for e in entries],
                         [(32, 32, 4, 16), (16, 16, 4, 16)])
        self.assertEqual([e["size"] for e in entries], [744, 296])
        for e in entries:
            size = e["width"]
            picture = read_png(art("png/Error-%d.png" % size))
            self.assertEqual((picture["width"], picture["height"]), (size, size))
            drawn_opaque = [p[3] >= 128 for p in picture["rgba"]]
            shown = [not m for m in e["mask"]]
            self.assertEqual(pixel_differences(shown, drawn_opaque, size), (0, None), "mask at %d px" % size)
            worst = max(max(abs(a[k] - b[k]) for k in range(3))
                        for a, b, solid in zip(e["rgba"], picture["rgba"], drawn_opaque) if solid)
            self.assertLessEqual(worst, 16, "16-colour palette too coarse at %d px" % size)

            def at(x, y):
                return e["rgba"][y * size + x]
            centre, above = at(size // 2, size // 2), at(size // 2, size // 8 + 1)
            self.assertTrue(min(centre[:3]) > 220, "cross centre not white: %r" % (centre,))
            self.assertTrue(above[0] > 150 and above[1] < 80 and above[2] < 80, "disc not red: %r" % (above,))
            for corner in (at(0, 0), at(size - 1, 0), at(0, size - 1), at(size - 1, size - 1)):
                self.assertEqual(corner[3], 0, "corner of the disc is opaque")


class Bitmaps(unittest.TestCase):
    def check_bitmap(self, name, file_size, width, height):
        data = art(name + ".bmp")
        self.assertEqual(len(data), file_size)
        bmp = read_bmp(data)
        self.assertEqual(bmp["file_size"], file_size)
        self.assertEqual(bmp["offset"], 54)
        self.assertEqual((bmp["width"], bmp["height"]), (width, height))
        self.assertEqual(bmp["padding"], bytes(len(bmp["padding"])), "row padding not zero")
        self.assertEqual(bmp["tail"], bytes(2))
        picture = read_png(art("png/%s.png" % name))
        self.assertEqual((picture["width"], picture["height"]), (width, height))
        self.assertEqual(pixel_differences(picture["rgba"], bmp["rgba"], width), (0, None),
                         "PNG differs from the bitmap")
        return bmp

    def rows(self, bmp, first, last):
        return bmp["rgba"][first * bmp["width"]:last * bmp["width"]]

    def test_small_logo_shows_the_name_in_the_boxed_top_rows(self):
        width, height = header_ints("src/ui/Inventory.h", "SmallLogoWidth", "SmallLogoHeight")
        bmp = self.check_bitmap("SmallLogo", 9800, width, height)
        blue = brand_blue() + (255,)
        self.assertEqual(bmp["rgba"][0], blue)
        # The main window's box shows only the top 29 rows.
        self.assertIn((255, 255, 255, 255), self.rows(bmp, 0, 29))
        self.assertEqual(set(self.rows(bmp, 29, height)), {blue})

    def test_about_background_has_the_logo_on_top_and_plain_blue_below(self):
        width, height = header_ints("src/ui/Inventory.h", "AboutBackgroundWidth", "AboutBackgroundHeight")
        bmp = self.check_bitmap("AboutBackground", 154544, width, height)
        blue = brand_blue() + (255,)
        top = self.rows(bmp, 0, 70)
        self.assertIn((255, 255, 255, 255), top)
        self.assertGreater(top.count(blue), len(top) // 2, "the logo area is no longer a blue field")
        # The program name label starts at row 70 and is drawn transparent.
        self.assertEqual(set(self.rows(bmp, 70, height)), {blue})


class Scalable(unittest.TestCase):
    def test_svg_is_a_48_unit_square_on_the_brand_blue(self):
        root = ET.fromstring(art("DormixL.svg"))
        self.assertEqual(root.tag, "{http://www.w3.org/2000/svg}svg")
        self.assertEqual(root.get("viewBox"), "0 0 48 48")
        fills = {e.get("fill") for e in root.iter()}
        self.assertIn("#%02X%02X%02X" % brand_blue(), fills)
        masks = {e.get("id") for e in root.iter("{http://www.w3.org/2000/svg}mask")}
        used = {e.get("mask") for e in root.iter() if e.get("mask")}
        self.assertEqual(used, {"url(#%s)" % m for m in masks}, "mask references dangle")


class Generator(unittest.TestCase):
    def run_generator(self, *args):
        return subprocess.run([sys.executable, str(GENERATOR), *args], capture_output=True, text=True)

    def test_regenerating_reproduces_the_committed_files(self):
        with tempfile.TemporaryDirectory() as out:
            result = self.run_generator("--out", out)
            self.assertEqual(result.returncode, 0, result.stderr)
            fresh = {p.relative_to(out): p.read_bytes() for p in pathlib.Path(out).rglob("*") if p.is_file()}
        committed = {p.relative_to(ART): p.read_bytes() for p in ART.rglob("*") if p.is_file()}
        self.assertEqual(sorted(fresh), sorted(committed))
        for name in fresh:
            self.assertEqual(fresh[name], committed[name], "%s differs from a fresh run" % name)

    def test_refuses_sizes_or_colour_it_cannot_draw(self):
        with tempfile.TemporaryDirectory() as tmp:
            tmp = pathlib.Path(tmp)
            (tmp / "src/ui").mkdir(parents=True)
            inventory = (ROOT / "src/ui/Inventory.h").read_text()
            colour = (ROOT / "src/ui/Colour.h").read_text()
            (tmp / "src/ui/Colour.h").write_text(colour)
            (tmp / "src/ui/Inventory.h").write_text(re.sub(r"SmallLogoWidth = \d+", "SmallLogoWidth = 57", inventory))
            result = self.run_generator("--source-root", str(tmp), "--out", str(tmp / "out"))
            self.assertNotEqual(result.returncode, 0)
            self.assertIn("SmallLogo", result.stderr)
            self.assertFalse((tmp / "out").exists(), "wrote files despite the mismatch")

            (tmp / "src/ui/Inventory.h").write_text(inventory)
            (tmp / "src/ui/Colour.h").write_text(colour.replace("BrandBlue", "Blue"))
            result = self.run_generator("--source-root", str(tmp), "--out", str(tmp / "out"))
            self.assertNotEqual(result.returncode, 0)
            self.assertIn("BrandBlue", result.stderr)
            self.assertFalse((tmp / "out").exists())


if __name__ == "__main__":
    unittest.main(verbosity=2)
