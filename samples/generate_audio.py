#!/usr/bin/env python3
"""Writes audio-speech-8k.s8: four seconds of a synthetic voice, 8-bit signed PCM, 8 kHz, mono.

Syllables of 200 ms with a voiced sound (a gliding pitch near 120 Hz and its harmonics
shaped like vowels), a pause after every fourth syllable and a little breath noise. The
output is the same on every run and every machine.
"""
import math
import sys

RATE = 8000
SECONDS = 4
SYLLABLE = RATE // 5  # 200 ms
PEAK = 80


def samples():
    state = 12345
    for i in range(RATE * SECONDS):
        t = i / RATE
        syllable, at = divmod(i, SYLLABLE)
        envelope = 0.0 if syllable % 5 == 4 else math.sin(math.pi * at / SYLLABLE) ** 2
        pitch = 120.0 + 25.0 * math.sin(2 * math.pi * 0.7 * t)
        phase = 2 * math.pi * pitch * t
        vowel = (0.55 * math.sin(phase) + 0.3 * math.sin(2 * phase + 1.0) +
                 0.2 * math.sin(3 * phase + 2.0) + 0.1 * math.sin(5 * phase))
        state = (1103515245 * state + 12345) % 2**31
        noise = state / 2**31 - 0.5
        value = round(PEAK * envelope * vowel + 6.0 * noise)
        yield max(-128, min(127, value))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "audio-speech-8k.s8"
    data = bytes((v + 256) % 256 for v in samples())
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
