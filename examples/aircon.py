#!/usr/bin/env python3
# Writes examples/aircon.ir: twelve presses of a made-up air-conditioner
# remote, as a Flipper raw file with a name per press. Each press sends one
# 18-byte frame, bytes least significant bit first, after an 8T/4T leader
# (T = 430 us; a 0 is T mark, T space, a 1 is T mark, 3T space), then a
# closing mark. The durations carry a little deterministic jitter, as a
# receiver records them.
#   byte 0-3  the remote's fixed header 63 2E 00 18
#   byte 4    bit 0 power (1 on), bits 4-6 mode (0 auto, 1 cool, 2 heat, 3 dry)
#   byte 5    bits 0-3 temperature - 16 (degrees C)
#   byte 6    bits 0-1 fan (0 auto, 1 low, 2 mid, 3 high)
#   byte 7-16 fixed settings (timer off, no swing): 00 00 80 00 00 10 00 00 00 00
#   byte 17   the 8-bit sum of bytes 0-16
import sys

MODES = {"auto": 0, "cool": 1, "heat": 2, "dry": 3}
FANS = {"auto": 0, "low": 1, "mid": 2, "high": 3}
PRESSES = [
    ("Power_on", True, "auto", 24, "auto"),
    ("Power_off", False, "auto", 24, "auto"),
    ("Cool_24", True, "cool", 24, "auto"),
    ("Heat_24", True, "heat", 24, "auto"),
    ("Dry_24", True, "dry", 24, "auto"),
    ("Cool_18", True, "cool", 18, "auto"),
    ("Cool_20", True, "cool", 20, "auto"),
    ("Cool_22", True, "cool", 22, "auto"),
    ("Cool_26", True, "cool", 26, "auto"),
    ("Fan_low", True, "cool", 24, "low"),
    ("Fan_mid", True, "cool", 24, "mid"),
    ("Fan_high", True, "cool", 24, "high"),
]


def frame(power, mode, temp, fan):
    b = [0x63, 0x2E, 0x00, 0x18, int(power) | MODES[mode] << 4, temp - 16, FANS[fan],
         0x00, 0x00, 0x80, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00]
    return b + [sum(b) & 0xFF]


seed = 2026


def jitter(value, spread):
    global seed
    seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
    return value + (seed >> 8) % (2 * spread + 1) - spread


def durations(data):
    t = 430
    out = [jitter(8 * t, 40), jitter(4 * t, 30)]
    for byte in data:
        for i in range(8):
            out += [jitter(t, 25), jitter(3 * t if byte >> i & 1 else t, 30)]
    return out + [jitter(t, 25)]


lines = ["Filetype: IR signals file", "Version: 1",
         "# A made-up air conditioner: examples/aircon.py writes this file."]
for name, power, mode, temp, fan in PRESSES:
    lines += ["#", "name: " + name, "type: raw", "frequency: 38000", "duty_cycle: 0.330000",
              "data: " + " ".join(str(d) for d in durations(frame(power, mode, temp, fan)))]
sys.stdout.write("\n".join(lines) + "\n")
