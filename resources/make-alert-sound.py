#!/usr/bin/env python3
"""Makes the alert sound, WAVE resource 1 (resources/alert-sound.wav): a soft chime of
two rising fifths, heard twice, about two seconds, 8-bit mono at 11025 samples per
second, about 22 KB, so that every sound device of the 1990s plays it. The output is
committed; run this again only to remake it (python3 resources/make-alert-sound.py)."""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
RATE = 11025
SECONDS = 2.0

# Each note: start time, frequency, loudness. A5 then E6, and again a little softer.
NOTES = [(0.0, 880.0, 0.8), (0.16, 1318.5, 0.7), (0.9, 880.0, 0.7), (1.06, 1318.5, 0.6)]


def note(t, start, frequency, loudness):
    """A bell-like note: a quick rise, a slow fall, a little of the octave and twelfth."""
    t -= start
    if t < 0:
        return 0.0
    envelope = min(1.0, t / 0.006) * math.exp(-t / 0.22)
    phase = 2 * math.pi * frequency * t
    tone = math.sin(phase) + 0.25 * math.sin(2 * phase) + 0.08 * math.sin(3 * phase)
    return loudness * envelope * tone / 1.33


def main():
    count = int(RATE * SECONDS)
    samples = bytearray()
    for i in range(count):
        t = i / RATE
        value = sum(note(t, *n) for n in NOTES)
        # The last 20 ms fade to silence so the sound ends without a click.
        value *= min(1.0, (count - i) / (0.02 * RATE))
        samples.append(max(0, min(255, 128 + round(value * 127))))
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE, 1, 8)  # PCM, mono, 8-bit
    data = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt +
            b"data" + struct.pack("<I", len(samples)) + bytes(samples))
    if len(samples) % 2:
        data += b"\0"  # chunks are word-aligned
    with open(os.path.join(HERE, "alert-sound.wav"), "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(data)) + data)


if __name__ == "__main__":
    main()
