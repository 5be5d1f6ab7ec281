#!/usr/bin/env python3
"""Writes the seed inputs of the parser fuzz targets into fuzz/corpus/<target>/.

Each target gets a few small valid inputs and a few at its edges. The device
modes come from the tool itself (its --save-devmode), so the tool is the
first argument:

    fuzz/make_corpus.py build/dev/bin/ymcko

The JPEG seeds (corpus/jpeg_image/) are kept files, not written here.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def png(width, height, colour_type, bit_depth, rows, extra=b""):
    """A PNG of the given rows (each without its filter byte)."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    data = zlib.compress(b"".join(b"\0" + row for row in rows))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra + chunk(b"IDAT", data) +
            chunk(b"IEND", b""))


def raster_page(width, height, colour_space, bits, pixels):
    """One page of a version 3 CUPS raster stream (uncompressed)."""
    header = bytearray(1796)
    colours = 1 if colour_space in (0, 18) else 3
    fields = {
        276: 300, 280: 300,                       # HWResolution
        352: width * 72 // 300, 356: height * 72 // 300,  # PageSize
        372: width, 376: height,                  # cupsWidth, cupsHeight
        384: bits, 388: bits * colours,           # cupsBitsPerColor, cupsBitsPerPixel
        392: width * bits * colours // 8,         # cupsBytesPerLine
        396: 0, 400: colour_space,                # cupsColorOrder, cupsColorSpace
        420: colours,                             # cupsNumColors
    }
    for offset, value in fields.items():
        struct.pack_into("<I", header, offset, value)
    return bytes(header) + pixels


def seed_images():
    write("png_image", "grey-1x1", png(1, 1, 0, 8, [b"\x80"]))
    write("png_image", "rgb-2x2", png(2, 2, 2, 8, [b"\xff\0\0\0\xff\0", b"\0\0\xff\xff\xff\xff"]))
    write("png_image", "rgba-2x1", png(2, 1, 6, 8, [b"\xff\0\0\x80\0\0\0\0"]))
    write("png_image", "grey16-1x1", png(1, 1, 0, 16, [b"\x80\x80"]))
    write("png_image", "palette-2x1",
          png(2, 1, 3, 8, [b"\0\1"], extra=b"\0\0\0\x06PLTE\xff\0\0\0\0\xff" + b"\0\0\0\0"))
    write("png_image", "truncated", png(4, 4, 2, 8, [b"\x10" * 12] * 4)[:60])


def seed_raster():
    rgb = raster_page(4, 2, 1, 8, bytes(range(24)))
    grey = raster_page(2, 4, 18, 8, b"\0\x40\x80\xff\0\x40\x80\xff")
    write("raster", "rgb-one-page", b"3SaR" + rgb)
    write("raster", "grey-one-page", b"3SaR" + grey)
    write("raster", "two-pages", b"3SaR" + rgb + grey)
    write("raster", "lines-missing", b"3SaR" + rgb[:-10])
    write("raster", "no-page", b"3SaR")


def seed_text():
    write("settings_json", "empty", "{}")
    write("settings_json", "card", '{"copies": 2, "side_mode": 1, "intensity": 80, '
          '"orientation": "portrait", "mag_mode": "W", "track1": "ABC 123", "track2": "1234",'
          ' "track3": "567"}')
    write("settings_json", "areas", '{"print_rect": [0, 0, 656, 1024], '
          '"overlay_areas": [[0, 10, 20, 100, 200], [2, 0, 0, 0, 0]]}')
    write("settings_json", "adjusted", '{"yellow_adjust": -5, "magenta_adjust": 5, '
          '"cyan_adjust": 0, "saturation": 10, "color_correction": true, "front_overlay": false,'
          ' "job_r_value": 12, "mag_encoder": true, "p_command_form": "D"}')
    write("settings_json", "wrong-type", '{"copies": "2"}')
    write("printer_file", "record", '{"bMagEncoder": 1, "wJobRValue": 12, "flPrinter": 1, '
          '"abFeatureSel": [0, 2], "wFeatureCount": 2}')
    write("printer_file", "halftone", '{"halftone": {"flags": 2, "pattern_size": 5, '
          '"device_pels": 0, "color_info": [' + ", ".join(["10000"] * 30) + "]}}")
    write("printer_file", "forms", '{"forms": [{"name": "CR-80", "width": 85600, '
          '"height": 54000, "left": 0, "top": 0, "right": 85600, "bottom": 54000, "flags": 0}]}')
    write("printer_file", "empty", "{}")
    write("manifest", "fronts", "front\ncard1.png\ncard2.png\n")
    write("manifest", "all-columns", 'front,back,track1,track2,track3\r\n'
          'a.png,b.png,"NAME, GIVEN",1234,567\r\n"c ""q"".png",,,,\r\n')
    write("manifest", "bom-reordered", "\ufefftrack2,front\n99,x.jpg\n\n")
    write("manifest", "unterminated-quote", 'front\n"a.png\n')
    write("jobstream", "one-card",
          b"\x1bR00\r\x1bPL\r\x1bD0300060000193\r\x1bd0000070000000\r"
          b"\x1bMW1ABC\x0e2\x0e3123\x0e\r\x1b\x01\r\x1bcK\r"
          b"\x1beK0000100\x31\x31\x00\x00\x04\x00\x02\x53\xff\x00\x00\xff\r\x1baK0025\r"
          b"\x1beO000200010007001101\r\x1baO0025\r\x1bf\r\x1b\x04\r")
    write("jobstream", "stripe-read", b"\x1bR00\r\x1bPD\r\x1bMQ\r\x1b\x01\r\x1b\x04\r")
    write("jobstream", "cut", b"\x1bR00\r\x1bD030006")

    write("template", "member-card", open(os.path.join(HERE, "..", "examples", "member-card.svg"),
                                          "rb").read())
    write("template", "layers", '<svg xmlns="http://www.w3.org/2000/svg" '
          'xmlns:xlink="http://www.w3.org/1999/xlink" viewBox="0 0 85.6 54">'
          '<style>.n{fill:#000}</style><g transform="translate(-10,-20) scale(1 1)">'
          '<text class="n" x="15" y="30" id="{{id}}">{{ name }} &amp; co</text>'
          '<image xlink:href="{{photo}}" x="15" y="35" width="20" height="25"/>'
          '<rect transform="matrix(1,0,0,1,0,0)" x="65" y="45" width="25" height="25" '
          'data-ymcko-code="code128" data-ymcko-value="M-{{member}}"/></g>'
          '<use href="#x"/><a href="data:,x"><![CDATA[{{cdata}}]]></a></svg>')


def seed_devmodes(tool):
    with tempfile.TemporaryDirectory() as scratch:
        for name, flags in [("defaults", []), ("duplex-stripe", ["--side-mode", "1", "--track2",
                                                                  "1234", "--portrait"]),
                            ("areas", ["--print-rect", "10,10,600,1000", "--intensity", "90"])]:
            devmode = os.path.join(scratch, name)
            subprocess.run([tool, "print", "--demo", "-o", os.path.join(scratch, "job"),
                            "--save-devmode", devmode] + flags, check=True)
            with open(devmode, "rb") as source:
                data = source.read()
            write("devmode", name, data)
        # The public part alone, of the smallest size taken.
        public = bytearray(data[:188])
        struct.pack_into("<HH", public, 68, 188, 0)
        write("devmode", "public-only", bytes(public))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: fuzz/make_corpus.py YMCKO-PROGRAM")
    seed_images()
    seed_raster()
    seed_text()
    seed_devmodes(sys.argv[1])


if __name__ == "__main__":
    main()
