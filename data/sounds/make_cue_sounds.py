#!/usr/bin/env python3
"""Synthesises Stirwell's four cue sounds as small 16-bit mono WAV files.

Soft, bell-like tones (a few decaying partials with a short fade-in, so
nothing clicks): a light two-note "nudge", a rising three-note "break-start",
a bright chord for "break-complete" and a low falling pair for "streak-lost".
Deterministic: the same script writes the same bytes.

usage: make_cue_sounds.py OUTPUT_DIR
"""
import math
import os
import struct
import sys
import wave

RATE = 44100


def bell(freq, start, length, gain, decay):
    """One struck note: fundamental plus two soft partials, exponential decay."""
    partials = ((1.0, 1.0), (2.0, 0.35), (3.01, 0.12))
    attack = 0.006
    def sample(t):
        local = t - start
        if local < 0 or local > length:
            return 0.0
        envelope = min(1.0, local / attack) * math.exp(-local * decay)
        return gain * envelope * sum(a * math.sin(2 * math.pi * freq * m * local) for m, a in partials)
    return sample


def render(notes, seconds):
    frames = int(RATE * seconds)
    data = []
    for i in range(frames):
        t = i / RATE
        value = sum(note(t) for note in notes)
        fade = min(1.0, (seconds - t) / 0.03)  # no click at the very end
        data.append(max(-1.0, min(1.0, value * fade)))
    return data


def write(path, samples):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(s * 32000)) for s in samples))


CUES = {
    # E6 then A6: a gentle tap on the shoulder.
    "nudge": (render([bell(1318.5, 0.0, 0.25, 0.30, 14), bell(1760.0, 0.09, 0.30, 0.30, 12)], 0.40)),
    # C5 E5 G5 rising: time to move.
    "break-start": (render([bell(523.25, 0.0, 0.6, 0.28, 6), bell(659.25, 0.12, 0.6, 0.28, 6),
                            bell(783.99, 0.24, 0.7, 0.30, 5)], 0.95)),
    # C6 E6 G6 C7 together after a lead-in: done, well done.
    "break-complete": (render([bell(1046.5, 0.0, 1.1, 0.22, 3.5), bell(1318.5, 0.05, 1.1, 0.20, 3.5),
                               bell(1568.0, 0.10, 1.1, 0.20, 3.5), bell(2093.0, 0.15, 1.0, 0.14, 4)], 1.2)),
    # A3 then F3: a soft, low "oh".
    "streak-lost": (render([bell(220.0, 0.0, 0.5, 0.40, 5), bell(174.61, 0.22, 0.6, 0.42, 4.5)], 0.85)),
}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    os.makedirs(sys.argv[1], exist_ok=True)
    for name, samples in CUES.items():
        write(os.path.join(sys.argv[1], name + ".wav"), samples)


if __name__ == "__main__":
    main()
