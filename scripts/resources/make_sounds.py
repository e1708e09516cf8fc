#!/usr/bin/env python3
"""Writes the program's two short sounds as 16-bit mono PCM WAV files at 44.1 kHz.

  make_sounds.py <folder>

"dingdong.wav": a two-note chime (E6 then C6, bell-like decay), played when a picture is
captured. "waterfall.wav": a soft descending run of six notes. Both are synthesised here from
sine partials, so they carry no one else's recording; the output is the same on every run."""

import math
import os
import struct
import sys
import wave

RATE = 44100


def bell(frequency, start, length, gain, samples):
    """Adds a struck note: a few inharmonic partials under an exponential decay."""
    partials = ((1.0, 1.0), (2.0, 0.45), (3.01, 0.2), (4.17, 0.08))
    first = int(start * RATE)
    for n in range(int(length * RATE)):
        t = n / RATE
        attack = min(1.0, t / 0.004)
        decay = math.exp(-t * 5.0)
        value = sum(weight * math.sin(2 * math.pi * frequency * ratio * t) * math.exp(-t * ratio)
                    for ratio, weight in partials)
        if first + n < len(samples):
            samples[first + n] += gain * attack * decay * value


def write_wav(path, samples):
    peak = max(1e-9, max(abs(s) for s in samples))
    scale = 0.6 * 32767 / peak
    frames = b"".join(struct.pack("<h", int(round(s * scale))) for s in samples)
    temporary = path + ".tmp"
    with wave.open(temporary, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)
    os.replace(temporary, path)


def note(semitones_from_a4):
    return 440.0 * 2 ** (semitones_from_a4 / 12.0)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_sounds.py <folder>")
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)

    chime = [0.0] * int(0.9 * RATE)
    bell(note(19), 0.0, 0.9, 1.0, chime)  # E6
    bell(note(15), 0.22, 0.68, 0.9, chime)  # C6
    write_wav(os.path.join(folder, "dingdong.wav"), chime)

    run = [0.0] * int(1.2 * RATE)
    for i, step in enumerate((24, 21, 19, 16, 14, 12)):  # a pentatonic fall from A6
        bell(note(step), i * 0.09, 1.2 - i * 0.09, 0.7, run)
    write_wav(os.path.join(folder, "waterfall.wav"), run)


if __name__ == "__main__":
    main()
