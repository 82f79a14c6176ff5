#!/usr/bin/env python3
"""Writes shaker.txt, the bundled example: a synthetic 4-channel record of a
shaker test at 1000 samples/s (a sine sweep, a decaying shock, background
noise and a fixture response), in the recorder layout tarnvel reads."""
import math
import random

RATE = 1000          # samples per second
SECONDS = 4
random.seed(2003)

with open("shaker.txt", "w") as f:
    f.write("Synthetic shaker test, rig 2 (tarnvel example record)\n")
    f.write("Recorded 2026-11-30 14:02:10  rate 1000 samples/s  4 channels  accelerometers 100 mV/G\n")
    f.write("A1 table (sweep 5-200 Hz)  A2 payload (shock at 1.5 s)  A3 floor (background)  A4 fixture\n")
    f.write("time(+hr:min:sec) time(msec) A1(V) A2(V) A3(V) A4(V)\n")
    start = 14 * 3600 + 2 * 60 + 10
    phase = 0.0
    for n in range(RATE * SECONDS):
        t = n / RATE
        freq = 5 * (200 / 5) ** (t / SECONDS)          # exponential sweep
        phase += 2 * math.pi * freq / RATE
        sweep = 0.5 * math.sin(phase)
        shock = 0.0
        if t >= 1.5:
            ts = t - 1.5
            shock = 2.0 * math.exp(-8 * ts) * math.sin(2 * math.pi * 60 * ts)
        floor = random.gauss(0, 0.01)
        fixture = 0.3 * sweep + 0.4 * shock + random.gauss(0, 0.005)
        clock = start + t
        h, rest = divmod(clock, 3600)
        m, s = divmod(rest, 60)
        f.write("+%02d:%02d:%06.3f %d %.6f %.6f %.6f %.6f\n"
                % (h, m, s, n, sweep + random.gauss(0, 0.002), shock + random.gauss(0, 0.002), floor, fixture))
