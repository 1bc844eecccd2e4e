"""What reached the null sink: finding sounds in the recording and telling which file played.

Every test sound is a pure tone of its own frequency, so the Goertzel power at each candidate
frequency, measured just after a sound starts, names the file.
"""
import array
import math
import os

BLOCK_MS = 5
LOUD = 800  # block RMS (of 32767) above which a block counts as sound; the sink is silent else


def read(path, start_sample, end_sample=None):
    with open(path, "rb") as f:
        f.seek(start_sample * 2)
        data = f.read() if end_sample is None else f.read((end_sample - start_sample) * 2)
    data = data[: len(data) // 2 * 2]
    samples = array.array("h")
    samples.frombytes(data)
    return samples


def block_rms(samples, rate):
    n = rate * BLOCK_MS // 1000
    out = []
    for i in range(0, len(samples) - n + 1, n):
        block = samples[i:i + n]
        out.append(math.sqrt(sum(v * v for v in block) / n))
    return out


def segments(samples, rate, min_gap_ms=40, min_len_ms=30):
    """(start, end) sample indices of the stretches of sound, gaps shorter than min_gap merged."""
    n = rate * BLOCK_MS // 1000
    loud = [r > LOUD for r in block_rms(samples, rate)]
    found = []
    start = None
    quiet = 0
    for i, is_loud in enumerate(loud):
        if is_loud:
            if start is None:
                start = i
            quiet = 0
        elif start is not None:
            quiet += 1
            if quiet * BLOCK_MS >= min_gap_ms:
                found.append((start, i - quiet + 1))
                start = None
    if start is not None:
        found.append((start, len(loud)))
    return [(a * n, b * n) for a, b in found if (b - a) * BLOCK_MS >= min_len_ms]


def tone_share(samples, rate, freq):
    """Share of the window's energy at freq: about 1 for a pure tone of that frequency."""
    n = len(samples)
    energy = sum(v * v for v in samples)
    if energy == 0:
        return 0.0
    coeff = 2 * math.cos(2 * math.pi * freq / rate)
    s1 = s2 = 0.0
    for v in samples:
        s0 = v + coeff * s1 - s2
        s2, s1 = s1, s0
    power = s1 * s1 + s2 * s2 - coeff * s1 * s2
    return power / (n / 2 * energy)


def identify(samples, rate, tones, at, window_ms=100):
    """Name of the tone (from {name: freq}) that sounds at sample `at`, or None for another sound."""
    skip = rate * 15 // 1000  # past the fade-in
    window = samples[at + skip: at + skip + rate * window_ms // 1000]
    best, best_share = None, 0.0
    for name, freq in tones.items():
        share = tone_share(window, rate, freq)
        if share > best_share:
            best, best_share = name, share
    return best if best_share > 0.5 else None


class Listener:
    """Marks a point in the recording and reports the sounds that came after it."""

    def __init__(self, path, rate, tones):
        self.path, self.rate, self.tones = path, rate, tones

    def now(self):
        return os.path.getsize(self.path) // 2

    def sounds_since(self, mark):
        """[(seconds after mark, name or None, length in seconds)] for each sound after mark."""
        samples = read(self.path, mark)
        out = []
        for start, end in segments(samples, self.rate):
            out.append((start / self.rate, identify(samples, self.rate, self.tones, start),
                        (end - start) / self.rate))
        return out

    def is_quiet(self, last_ms=150):
        end = self.now()
        samples = read(self.path, max(0, end - self.rate * last_ms // 1000), end)
        return all(r <= LOUD for r in block_rms(samples, self.rate))
