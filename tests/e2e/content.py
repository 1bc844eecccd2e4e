"""Test content made for each scenario: tones for sounds, a two-colour picture, a config.ini."""
import os
import shutil
import subprocess

GREETING_HZ = 330
LINE_HZ = [470, 610, 750, 890, 1030]          # 1.wav .. 5.wav
ANSWER_HZ = [1250, 1390, 1530, 1670]          # a1.wav .. a4.wav
TONE_SECONDS = 0.45

LEFT_RGB = (32, 192, 64)    # the picture's left half
RIGHT_RGB = (32, 64, 192)   # and its right half


def tone(path, hz, seconds=TONE_SECONDS):
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", "-b", "16", path, "synth",
                    str(seconds), "sine", str(hz), "fade", "0.01", str(seconds), "0.01",
                    "vol", "0.6"], check=True, capture_output=True)


def picture(path):
    # Deliberately not the picture box's shape: the box must stretch it to fill itself.
    convert = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
    subprocess.run([convert, "-size", "20x60", "xc:rgb(%d,%d,%d)" % LEFT_RGB,
                    "xc:rgb(%d,%d,%d)" % RIGHT_RGB, "+append", "-quality", "95", path],
                   check=True, capture_output=True)


class Character:
    """A content directory: what each sound file is and what each line says."""

    def __init__(self, lines=4, answers=3, title="E2E Tobble title"):
        self.title = title
        self.greeting = "Hello from the test greeting"
        self.lines = [f"Line number {n} says {w}" for n, w in
                      zip(range(1, lines + 1), ["apple", "banana", "cherry", "damson", "elder"])]
        self.answers = [f"Answer {m} is {w}" for m, w in
                        zip(range(1, answers + 1), ["yes", "no", "maybe", "later"])]
        self.tones = {"0.wav": GREETING_HZ}
        self.tones.update({f"{n}.wav": LINE_HZ[n - 1] for n in range(1, lines + 1)})
        self.tones.update({f"a{m}.wav": ANSWER_HZ[m - 1] for m in range(1, answers + 1)})

    def text_of(self, sound):
        if sound == "0.wav":
            return self.greeting
        if sound.startswith("a"):
            return self.answers[int(sound[1:-4]) - 1]
        return self.lines[int(sound[:-4]) - 1]

    def config_text(self):
        items = ['"Test character"', f'"{self.title}"', '"Lines:"', str(len(self.lines)),
                 f'"{self.greeting}"']
        items += [f'"{t}"' for t in self.lines]
        items += ['"Answers:"', str(len(self.answers))]
        items += [f'"{t}"' for t in self.answers]
        return "\r\n".join(items) + "\r\n"

    def write(self, directory, program, omit=()):
        os.makedirs(directory, exist_ok=True)
        shutil.copy2(program, os.path.join(directory, "tobble"))
        for name, hz in self.tones.items():
            if name not in omit:
                tone(os.path.join(directory, name), hz)
        if "picture.jpg" not in omit:
            picture(os.path.join(directory, "picture.jpg"))
        if "config.ini" not in omit:
            with open(os.path.join(directory, "config.ini"), "w", encoding="ascii",
                      newline="") as f:
                f.write(self.config_text())
