#!/usr/bin/env python3
"""Writes the example game's sounds: short synthesized tones of our own, kept small
(8-bit mono). Run from the repository root; the files are committed."""
import math
import struct
import wave

RATE = 11025


def write(path, samples, rate=RATE):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(rate)
        w.writeframes(bytes(max(0, min(255, int(128 + 127 * s))) for s in samples))


def tone(freq_start, freq_end, seconds, volume=0.6, rate=RATE, shape="square"):
    out = []
    phase = 0.0
    n = int(seconds * rate)
    for i in range(n):
        t = i / n
        f = freq_start + (freq_end - freq_start) * t
        phase += 2 * math.pi * f / rate
        v = math.sin(phase) if shape == "sine" else (1.0 if math.sin(phase) >= 0 else -1.0)
        env = min(1.0, i / (0.005 * rate)) * (1.0 - t)  # quick attack, linear decay
        out.append(volume * v * env)
    return out


# A dull thump for running into a wall.
write("examples/demo/sounds/bump.wav", tone(180, 60, 0.12, 0.7))

# A looping tune: a bass note and a melody, eight notes a bar, two bars.
MUSIC_RATE = 8000
notes = [0, 4, 7, 12, 7, 4, 0, -5, 0, 4, 7, 12, 14, 12, 7, 4]
bass = [-12, -12, -12, -12, -7, -7, -7, -7, -12, -12, -12, -12, -5, -5, -5, -5]
beat = 0.25
music = []
for n, b in zip(notes, bass):
    f1 = 330 * 2 ** (n / 12)
    f2 = 330 * 2 ** (b / 12)
    length = int(beat * MUSIC_RATE)
    for i in range(length):
        t = i / MUSIC_RATE
        env = math.exp(-4 * t)
        v = 0.30 * env * math.sin(2 * math.pi * f1 * t) + 0.2 * math.sin(2 * math.pi * f2 * t)
        music.append(v)
write("examples/demo/sounds/music.wav", music, MUSIC_RATE)
