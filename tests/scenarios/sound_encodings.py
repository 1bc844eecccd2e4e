"""Every WAV encoding a character may bring, each made here with its own tone, and the session
that hears each one played as itself; make-packs.py takes its sounds from here too."""
import os
import struct
import subprocess
import tempfile
import time

from session import CHARACTER

# The base of the sub-format GUIDs of WAVE_FORMAT_EXTENSIBLE, after the format tag.
GUID_TAIL = b"\0\0\0\0\x10\0\x80\0\0\xaa\0\x38\x9b\x71"
SOX = {"pcm8": ["-b", "8", "-e", "unsigned"], "pcm16": ["-b", "16"], "pcm24": ["-b", "24"],
       "pcm32": ["-b", "32", "-e", "signed-integer"], "float32": ["-b", "32", "-e", "floating-point"],
       "float64": ["-b", "64", "-e", "floating-point"], "mu-law": ["-e", "u-law"],
       "a-law": ["-e", "a-law"], "ima-adpcm": ["-e", "ima-adpcm"], "ms-adpcm": ["-e", "ms-adpcm"],
       "gsm": ["-e", "gsm-full-rate"]}
# name: (encoding, rate, channels, extensible, tone in Hz), each tone of its own.
SOUNDS = {
    **{e: (e, 8000 if e == "gsm" else 22050, 1, False, 520 + 90 * i) for i, e in enumerate(
        ["pcm8", "pcm16", "pcm24", "pcm32", "float32", "float64", "mu-law", "a-law", "ima-adpcm",
         "ms-adpcm", "gsm", "mp3"])},
    "pcm16-extensible": ("pcm16", 44100, 2, True, 1660),
    "float32-extensible": ("float32", 48000, 1, True, 1750),
    "mu-law-extensible": ("mu-law", 8000, 1, True, 1840),
    "pcm24-6-channels-96k": ("pcm24", 96000, 6, True, 1930),
    "float32-8-channels": ("float32", 32000, 8, True, 2020),
    "pcm16-192k": ("pcm16", 192000, 2, False, 2110),
}
# Wine 8's wave mapper refuses these (the program then plays the default sound) or, for 32-bit
# integers, accepts them and plays nothing; Windows itself plays them.
WINE_REFUSES, WINE_SILENT = {"float64", "mu-law-extensible"}, {"pcm32"}


def chunks(data):  # [(id, body)] of a RIFF WAVE file
    out, at = [], 12
    while at + 8 <= len(data):
        size = struct.unpack_from("<I", data, at + 4)[0]
        out.append((data[at:at + 4], data[at + 8:at + 8 + size]))
        at += 8 + size + (size & 1)
    return out


def riff(parts):
    body = b"WAVE" + b"".join(cid + struct.pack("<I", len(b)) + b + b"\0" * (len(b) & 1)
                              for cid, b in parts)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def reformat(data, extensible):  # the same sound, its format chunk plain or extensible
    parts = chunks(data)
    fmt = dict(parts)[b"fmt "]
    tag, channels, rate, rate_bytes, block, bits = struct.unpack_from("<HHIIHH", fmt)
    if (tag == 0xFFFE) == extensible:
        return data  # codecs keep fields of their own past the first 16 bytes
    if tag == 0xFFFE:
        tag = struct.unpack_from("<H", fmt, 24)[0]
    head = struct.pack("<HIIHH", channels, rate, rate_bytes, block, bits)
    fmt = (struct.pack("<H", 0xFFFE) + head + struct.pack("<HHIH", 22, bits, 0, tag) + GUID_TAIL
           if extensible else struct.pack("<H", tag) + head + (b"" if tag == 1 else b"\0\0"))
    return riff([(c, fmt if c == b"fmt " else b) for c, b in parts])


def mp3_wav(path, rate, channels, hz, seconds):  # MPEG Layer-3 frames from lame in a RIFF WAVE
    with tempfile.TemporaryDirectory() as tmp:
        pcm, mp3 = os.path.join(tmp, "in.wav"), os.path.join(tmp, "out.mp3")
        synth(pcm, ["-b", "16"], rate, channels, hz, seconds)
        subprocess.run(["lame", "--quiet", "-t", "-b", "64", pcm, mp3], check=True)
        frames = open(mp3, "rb").read()
    kbps = 64
    fmt = struct.pack("<HHIIHHHHIHHH", 0x55, channels, rate, kbps * 125, 1, 0, 12, 1, 2,
                      144 * kbps * 1000 // rate, 1, 1393)
    fact = struct.pack("<I", int(rate * seconds))
    open(path, "wb").write(riff([(b"fmt ", fmt), (b"fact", fact), (b"data", frames)]))


def synth(path, options, rate, channels, hz, seconds):
    subprocess.run(["sox", "-n", "-r", str(rate), "-c", str(channels), *options, path, "synth",
                    str(seconds), "sine", str(hz), "fade", "0.01", str(seconds), "0.01", "vol",
                    "0.6"], check=True, capture_output=True)


def make(path, name, seconds=0.45):
    encoding, rate, channels, extensible, hz = SOUNDS[name]
    if encoding == "mp3":
        return mp3_wav(path, rate, channels, hz, seconds)
    synth(path, SOX[encoding], rate, channels, hz, seconds)
    with open(path, "rb") as f:
        data = f.read()
    with open(path, "wb") as f:
        f.write(reformat(data, extensible))


def encodings(s):
    """Each encoding's line sound is heard as itself, not the default sound; garbage and a cut
    header give the default sound; a sound of one encoding cuts off one of another."""
    s.ch.__init__(words=("encoded",))  # one line: every click plays 1.wav
    s.ch.write(s.appdir, s.omit)
    line = os.path.join(s.appdir, "1.wav")
    s.listener.tones = {name: hz for name, (*_, hz) in SOUNDS.items()}
    s.launch(greeting=False)
    wine = s.driver.name == "wine"
    for name in SOUNDS:
        make(line, name)
        if wine and name in WINE_REFUSES:
            s.expect_sound(f"{name}, which Wine cannot play: the default sound",
                           lambda: s.click(*CHARACTER), lambda n: n is None)
        elif not (wine and name in WINE_SILENT):
            s.expect_sound(f"{name} is heard as itself", lambda: s.click(*CHARACTER), name)
    good = open(line, "rb").read()
    for what, data in (("random bytes", os.urandom(20000)), ("a header cut short", good[:30])):
        open(line, "wb").write(data)
        s.expect_sound(f"{what}: the default sound", lambda: s.click(*CHARACTER),
                       lambda n: n is None)
    make(line, "ima-adpcm", 1.5)
    mark = s.listener.now()
    s.click(*CHARACTER)
    time.sleep(0.4)
    make(line, "float32-extensible", 1.5)
    s.click(*CHARACTER)
    time.sleep(0.8)
    samples, rate, step = s.listener.read(mark), s.listener.rate, s.listener.rate // 100
    second = next((at for at in range(0, len(samples), step)
                   if s.listener.share(samples, at, "float32-extensible") > 0.5), None)
    heard = second is not None and s.listener.share(samples, second - rate // 5, "ima-adpcm") > 0.5
    s.check("a float sound cuts off an IMA ADPCM one at once", heard and s.listener.share(
        samples, second + rate * 8 // 100, "ima-adpcm") < 0.2, second and second / rate)
    s.before = s.snapshot()  # the files written here are the test's, not the program's
    s.quit("Quit (Ctrl+Q) while the float sound still plays ends the program", "ctrl+q")
