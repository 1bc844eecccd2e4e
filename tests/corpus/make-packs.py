#!/usr/bin/env python3
"""Writes the corpus of characters, good and broken, into OUTDIR/<case>/; expected.tsv says
what each must give. Every picture, sound and text is generated here."""
import io
import math
import os
import runpy
import shutil
import struct
import sys
import wave
from pathlib import Path

MB = 1024 * 1024
# Every encoding's sound, made with sox (and lame) as the scenarios make them.
sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, str(Path(__file__).parent.parent / "scenarios"))
ENCODED = runpy.run_path(str(Path(__file__).parent.parent / "scenarios" / "sound_encodings.py"))


def encoded(name):
    path = Path(os.environ.get("TMPDIR", "/tmp"), f"tobble-corpus-{os.getpid()}-{name}.wav")
    try:
        ENCODED["make"](str(path), name, 0.1)
        return path.read_bytes()
    finally:
        path.unlink(missing_ok=True)


def jpeg(width, height):
    # A flat grey baseline JPEG: one Huffman code per table makes every 8x8 block two zero bits.
    def segment(marker, body):
        return struct.pack(">BBH", 0xFF, marker, len(body) + 2) + body
    bits = 2 * math.ceil(width / 8) * math.ceil(height / 8)
    scan = bytes(bits // 8) + (bytes([0xFF >> (bits % 8)]) if bits % 8 else b"")  # one-bit padding
    code = bytes([1] + [0] * 15) + b"\x00"
    return (b"\xFF\xD8" + segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
            + segment(0xDB, b"\x00" + bytes([1] * 64))
            + segment(0xC0, struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00")
            + segment(0xC4, b"\x00" + code) + segment(0xC4, b"\x10" + code)
            + segment(0xDA, b"\x01\x01\x00\x00\x3F\x00") + scan + b"\xFF\xD9")


def wav(bits=16, seconds=0.05, rate=8000):  # silence
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setparams((1, bits // 8, rate, 0, "NONE", "not compressed"))
        w.writeframes(bytes(bits // 8 * int(rate * seconds)))
    return out.getvalue()


def config(lines, answers=("Yes", "No")):
    items = ["Tobble test pack", '"Test Tobble"', "lines", str(len(lines) - 1)]
    items += [f'"{text}"' for text in lines] + ["answers", str(len(answers))]
    return ("\n".join(items + [f'"{text}"' for text in answers]) + "\n").encode()


def cases():
    picture, sound = jpeg(64, 96), wav()

    def pack(cfg, phrases=2, answers=2, **files):
        sounds = [f"{n}.wav" for n in range(phrases + 1)]
        sounds += [f"a{m}.wav" for m in range(1, answers + 1)]
        return {"picture.jpg": picture, "config.ini": cfg, **dict.fromkeys(sounds, sound), **files}

    good = config(["Hello there", "Line one", "Line two"])
    crlf = good.replace(b"\n", b"\r\n")
    header = b'Tobble test pack\n"Test Tobble"\nlines\n'
    counts = {"101": "101", "255": "255", "256": "256", "minus-1": "-1", "abc": "abc",
              "12abc": "12abc", "long-text": "Forty characters are shown in full; ok?!",
              "longer-text": "Forty-one characters are cut in the box!!"}
    return {
        "good": pack(good),
        "empty-file": pack(b""),
        "only-title": pack(b"My Tobble\n"),
        "only-header-and-title": pack(header[:-6]),
        "count-0": pack(config(["Hello"]), phrases=0),
        "count-100": pack(config(["Hello"] + [f"Line {n}" for n in range(1, 101)],
                                 [f"Answer {m}" for m in range(1, 101)]), phrases=100, answers=100),
        **{f"count-{name}": pack(header + f'{count}\n"Hello"\n'.encode())
           for name, count in counts.items()},
        "count-without-lines": pack(header + b"3\n"),
        "answer-count-101": pack(good.replace(b"answers\n2\n", b"answers\n101\n")),
        "ends-before-answer-count": pack(header + b'1\n"Hello"\n"Line one"\nanswers\n', phrases=1),
        "empty-first-line": pack(good.replace(b"Tobble test pack", b"", 1)),
        **{name: pack(good.replace(b'"Line one"', line)) for name, line in {
            "empty-line-shifts-count": b'"Line one"\n', "comma-before-line-break": b'"Line one", ',
            "quote-inside-unquoted-item": b'Line "one" here', "unquoted-comma": b"Line, one",
            "quoted-comma": b'"Line, one"', "invalid-utf8": b'"Line \xC3\x28 one"',
            "windows-1252-accents": b'"Caf\xE9 \x80 na\xEFve"', "nul-bytes": b'"Line\x00one"',
        }.items()},
        "utf16-le": pack(b"\xFF\xFE" + good.decode().replace("Line one", "L\u00efne one")
                         .encode("utf-16-le")),
        # A character with a high byte of its own tells the byte order apart.
        "utf16-be": pack(b"\xFE\xFF" + good.decode().replace("Line one", "L\u20acne one")
                         .encode("utf-16-be")),
        "unterminated-quote-at-end": pack(good.rstrip(b"\n").replace(b'"No"', b'"No')),
        "crlf-ends-early": pack(crlf.replace(b'"No"\r\n', b"")),
        "utf8-bom": pack(b"\xEF\xBB\xBF" + good.replace(b"Hello there", "Grüße".encode())),
        "single-line-10mb": pack(good.replace(b"Hello there", b"y" * (10 * MB))),
        "lines-100-of-1mb": pack(config(["Hello"] + ["x" * MB] * 99 + ["z" * MB]), phrases=100),
        **{f"config-{name}": pack(good, **{"config.ini": content}) for name, content in {
            "is-directory": None, "unreadable": good, "missing": False, "is-fifo": "fifo"}.items()},
        **{f"picture-{name}": pack(good, **{"picture.jpg": content}) for name, content in {
            "is-text": b"This is not a picture.\n", "is-fifo": "fifo", "empty": b"",
            "missing": False, "truncated": jpeg(640, 480)[:300], "20000x20000": jpeg(20000, 20000),
        }.items()},
        "picture-png-only": pack(good, **{"picture.jpg": False, "picture.png": b"\x89PNG"}),
        "folder-unreachable": pack(good),
        **{f"wav-{name}": pack(good, **{"1.wav": content}) for name, content in {
            "empty": b"", "truncated": wav(seconds=1)[:2000], "24-bit": wav(bits=24),
            "directory": None, "not-riff": b"ID3\x03\x00 this is an mp3 really" * 20}.items()},
        "wav-missing-and-unused": pack(good, **{"2.wav": False, "7.wav": sound}),
        **{f"wav-{name}": pack(good, **{"1.wav": encoded(name)}) for name in ENCODED["SOUNDS"]},
        "wav-unknown-encoding": pack(good, **{"1.wav": wav()[:20] + b"\x34\x12" + wav()[22:]}),
    }


def write(outdir):
    """Content None makes a folder, "fifo" a named pipe, False nothing."""
    shutil.rmtree(outdir, ignore_errors=True)
    for name, files in cases().items():
        os.makedirs(os.path.join(outdir, name))
        for file, content in files.items():
            path = os.path.join(outdir, name, file)
            if content is None or content == "fifo":
                (os.mkdir if content is None else os.mkfifo)(path)
            elif content is not False:
                Path(path).write_bytes(content)
    os.chmod(os.path.join(outdir, "config-unreadable", "config.ini"), 0)


if __name__ == "__main__":
    write(sys.argv[1])
