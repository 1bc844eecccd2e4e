#!/usr/bin/env python3
"""Writes the corpus of content packs, good and broken, into OUTDIR/<case>/.

Everything is generated here (pictures, sounds, text), so the corpus needs no binary files in the
repository. The expected outcome of each case is in expected.tsv beside this script.
"""
import io
import math
import os
import shutil
import struct
import sys
import wave
import zlib

MB = 1024 * 1024


def jpeg(width, height):
    """A valid baseline greyscale JPEG of one flat grey. One Huffman code per table ("0" for a
    zero DC difference, "0" for end of block) makes every 8x8 block two zero bits, so even a
    20000 x 20000 picture is only 1.5 MB."""
    def segment(marker, body):
        return struct.pack(">BBH", 0xFF, marker, len(body) + 2) + body

    blocks = math.ceil(width / 8) * math.ceil(height / 8)
    bits = 2 * blocks
    scan = bytearray(bits // 8)
    if bits % 8:
        scan.append(0xFF >> (bits % 8))  # pad the last byte with one-bits
    single_code = bytes([1] + [0] * 15) + b"\x00"
    return (b"\xFF\xD8"
            + segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
            + segment(0xDB, b"\x00" + bytes([1] * 64))
            + segment(0xC0, struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00")
            + segment(0xC4, b"\x00" + single_code)
            + segment(0xC4, b"\x10" + single_code)
            + segment(0xDA, b"\x01\x01\x00\x00\x3F\x00")
            + bytes(scan) + b"\xFF\xD9")


def png(width, height):
    """A valid 8-bit greyscale PNG of one flat grey."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    rows = b"".join(b"\x00" + b"\x80" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def wav(bits=16, seconds=0.05, rate=8000):
    frames = int(rate * seconds)
    if bits == 24:
        data = b"".join(struct.pack("<i", int(2000000 * math.sin(i / 3)))[:3] for i in range(frames))
    else:
        data = b"".join(struct.pack("<h", int(8000 * math.sin(i / 3))) for i in range(frames))
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(bits // 8)
        w.setframerate(rate)
        w.writeframes(data)
    return out.getvalue()


def config(lines, answers, title="Test Tobble", count=None, answer_count=None, eol="\n"):
    items = ["Tobble test pack", f'"{title}"', "lines", str(len(lines) - 1 if count is None else count)]
    items += [f'"{text}"' for text in lines]
    items += ["answers", str(len(answers) if answer_count is None else answer_count)]
    items += [f'"{text}"' for text in answers]
    return (eol.join(items) + eol).encode("utf-8")


GOOD_LINES = ["Hello there", "Line one", "Line two"]
GOOD_ANSWERS = ["Yes", "No"]


def sounds(phrases, answers):
    names = [f"{n}.wav" for n in range(phrases + 1)] + [f"a{m}.wav" for m in range(1, answers + 1)]
    return {name: wav() for name in names}


def pack(cfg, phrases=2, answers=2, **extra):
    files = {"picture.jpg": jpeg(64, 96), "config.ini": cfg}
    files.update(sounds(phrases, answers))
    files.update(extra)
    return files


def header(count):
    return f"Tobble test pack\n\"Test Tobble\"\nlines\n{count}\n".encode()


def cases():
    good = config(GOOD_LINES, GOOD_ANSWERS)
    hundred = config(["Hello"] + [f"Line {n}" for n in range(1, 101)],
                     [f"Answer {m}" for m in range(1, 101)])
    seven = config(["Hello"] + [f"Line {n}" for n in range(1, 8)], GOOD_ANSWERS).replace(
        b"\n7\n", b'\n" 7 "\n')
    crlf_text = good.replace(b"\n", b"\r\n")
    big_lines = ["x" * MB for _ in range(100)]
    return {
        "good": pack(good),
        "empty-file": pack(b""),
        "only-title": pack(b"My Tobble\n"),
        "only-header-and-title": pack(b"Tobble test pack\n\"Test Tobble\"\n"),
        "count-0": pack(config(["Hello"], GOOD_ANSWERS), phrases=0),
        "count-100": pack(hundred, phrases=100, answers=100),
        "count-101": pack(header(101) + b'"Hello"\n'),
        "count-255": pack(header(255) + b'"Hello"\n'),
        "count-256": pack(header(256) + b'"Hello"\n'),
        "count-minus-1": pack(header(-1) + b'"Hello"\n'),
        "count-abc": pack(header("abc") + b'"Hello"\n'),
        "count-12abc": pack(header("12abc") + b'"Hello"\n'),
        "count-blank-7-blank": pack(seven, phrases=7),
        "count-long-text": pack(header("Forty characters are shown in full; ok?!") + b'"Hello"\n'),
        "count-longer-text": pack(header("Forty-one characters are cut in the box!!") + b'"Hello"\n'),
        "count-without-lines": pack(header(3)),
        "answer-count-101": pack(good.replace(b"answers\n2\n", b"answers\n101\n")),
        "ends-before-answer-count": pack(header(1) + b'"Hello"\n"Line one"\nanswers\n', phrases=1),
        "empty-first-line": pack(good.replace(b"Tobble test pack", b"", 1)),
        "empty-greeting": pack(good.replace(b'"Hello there"', b"")),
        "blank-greeting-crlf": pack(crlf_text.replace(b'"Hello there"', b" \t ")),
        "empty-line-shifts-count": pack(good.replace(b'"Line one"\n', b'"Line one"\n\n')),
        "comma-before-line-break": pack(good.replace(b'"Line one"', b'"Line one", ')),
        "trailing-empty-lines": pack(good + b"\n \n\n"),
        "utf16-le": pack(b"\xFF\xFE" + good.decode().replace("Line one", "L\u00efne one")
                         .encode("utf-16-le")),
        # A character with a high byte of its own tells the byte order apart.
        "utf16-be": pack(b"\xFE\xFF" + good.decode().replace("Line one", "L\u20acne one")
                         .encode("utf-16-be")),
        "unterminated-quote-at-end": pack(good.rstrip(b"\n").replace(b'"No"', b'"No')),
        "quote-inside-unquoted-item": pack(good.replace(b'"Line one"', b'Line "one" here')),
        "unquoted-comma": pack(good.replace(b'"Line one"', b"Line, one")),
        "quoted-comma": pack(good.replace(b'"Line one"', b'"Line, one"')),
        "cr-only": pack(good.replace(b"\n", b"\r")),
        "lf-only": pack(good),
        "crlf": pack(crlf_text),
        "crlf-ends-early": pack(crlf_text.replace(b'"No"\r\n', b"")),
        "cr-only-ends-early": pack(good.replace(b'"No"\n', b"").replace(b"\n", b"\r")),
        "utf8-bom": pack(b"\xEF\xBB\xBF" + config(["Gr\u00fc\u00dfe"] + GOOD_LINES[1:], GOOD_ANSWERS)),
        "invalid-utf8": pack(good.replace(b"Line one", b"Line \xC3\x28 one")),
        "windows-1252-accents": pack(good.replace(b"Line one", b"Caf\xE9 \x80 na\xEFve")),
        "nul-bytes": pack(good.replace(b"Line one", b"Line\x00one")),
        "single-line-10mb": pack(config(["y" * (10 * MB)] + GOOD_LINES[1:], GOOD_ANSWERS)),
        "lines-100-of-1mb": pack(config(["Hello"] + big_lines[:99] + ["z" * MB], GOOD_ANSWERS),
                                 phrases=100),
        "config-is-directory": pack(good, **{"config.ini": None}),
        "config-unreadable": pack(good),
        "config-missing": pack(good, **{"config.ini": False}),
        "config-is-fifo": pack(good, **{"config.ini": "fifo"}),
        "config-uppercase-name": {k if k != "config.ini" else "Config.INI": v
                                  for k, v in pack(good).items()},
        "picture-is-text": pack(good, **{"picture.jpg": b"This is not a picture.\n"}),
        "picture-is-fifo": pack(good, **{"picture.jpg": "fifo"}),
        "picture-empty": pack(good, **{"picture.jpg": b""}),
        "picture-truncated": pack(good, **{"picture.jpg": jpeg(640, 480)[:300]}),
        "picture-20000x20000": pack(good, **{"picture.jpg": jpeg(20000, 20000)}),
        "picture-missing": pack(good, **{"picture.jpg": False}),
        "picture-png-only": pack(good, **{"picture.jpg": False, "picture.png": png(16, 24)}),
        "folder-unreachable": pack(good),
        "wav-empty": pack(good, **{"1.wav": b""}),
        "wav-truncated": pack(good, **{"1.wav": wav(seconds=1)[:2000]}),
        "wav-not-riff": pack(good, **{"1.wav": b"ID3\x03\x00 this is an mp3 really" * 20}),
        "wav-24-bit": pack(good, **{"1.wav": wav(bits=24)}),
        "wav-directory": pack(good, **{"1.wav": None}),
        "wav-missing-and-unused": pack(good, **{"2.wav": False, "7.wav": wav()}),
    }


def write(outdir):
    for name, files in cases().items():
        directory = os.path.join(outdir, name)
        if os.path.isdir(directory):
            os.chmod(directory, 0o755)
            for entry in os.listdir(directory):
                os.chmod(os.path.join(directory, entry), 0o755)
            shutil.rmtree(directory)
        os.makedirs(directory)
        for file, content in files.items():
            path = os.path.join(directory, file)
            if content is None:
                os.mkdir(path)
            elif content == "fifo":
                os.mkfifo(path)
            elif content is not False:
                with open(path, "wb") as out:
                    out.write(content)
        os.chmod(directory, 0o755)
    os.chmod(os.path.join(outdir, "config-unreadable", "config.ini"), 0)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make-packs.py OUTDIR")
    write(sys.argv[1])
