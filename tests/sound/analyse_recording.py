#!/usr/bin/python3
"""Checks a recording of the null sink against the phases the listening program played.

  analyse_recording.py RECORDING.raw PHASES.txt

RECORDING is raw 16-bit little-endian stereo at 44100 Hz; PHASES holds the program's
"phase NAME START END FREQUENCY" lines (frequency 0 for silence). The recording is cut
into 100 ms windows; each is silent (all zero), a tone (its peak frequency, level and
purity), or unclear (partly zero: a start, an end, or one of the zero-filled gaps the
null sink shows under load), which is ignored. Runs of alike windows make segments;
runs shorter than MIN_WINDOWS are dropped as glitches. The segments must follow the
phases in order (leading silence aside, which the recording may miss), each tone at its
frequency. Also checked: doubling the playback rate doubles the pitch, 20 dB of
attenuation lowers the level by 20 dB, every tone is pure away from its edges and no
window anywhere is noise (no metadata played as sound). Prints the measured figures;
exit code 0 when everything holds.
"""
import sys

import numpy as np

RATE = 44100
WINDOW = RATE // 10
MIN_WINDOWS = 3
GAP_FRAMES = 64            # a run of exact zeros this long is no part of a tone
FREQUENCY_TOLERANCE = 0.02
SAME_TONE_HZ = 0.03        # windows within 3 % in frequency ...
SAME_TONE_DB = 3.0         # ... and 3 dB in level belong to one segment
LEVEL_STEP_DB = 20.0
LEVEL_TOLERANCE_DB = 1.5
MIN_PURITY = 0.8           # of a tone away from its edges
NOISE_PURITY = 0.2         # any window below is noise (two tones meeting stay above 0.4)


def read_phases(path):
    phases = []
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 5 and parts[0] == "phase":
                phases.append((parts[1], float(parts[4])))
    return phases


def longest_zero_run(samples):
    zero = np.concatenate(([0], (samples == 0).astype(np.int8), [0]))
    edges = np.flatnonzero(np.diff(zero))
    return int((edges[1::2] - edges[0::2]).max()) if len(edges) else 0


def classify(window):
    """('silent',), ('tone', hz, dbfs, purity) or None for an unclear window."""
    if not window.any():
        return ("silent",)
    if longest_zero_run(window) >= GAP_FRAMES:
        return None
    spectrum = np.abs(np.fft.rfft(window * np.hanning(len(window))))
    peak = int(spectrum[1:-1].argmax()) + 1
    # Parabolic interpolation of the log magnitude around the peak bin.
    a, b, c = np.log(spectrum[peak - 1:peak + 2] + 1e-9)
    offset = 0.5 * (a - c) / (a - 2 * b + c) if (a - 2 * b + c) != 0 else 0.0
    hz = (peak + offset) * RATE / len(window)
    power = spectrum ** 2
    band = power[max(peak - 4, 0):peak + 5].sum()
    purity = band / power.sum()
    dbfs = 20 * np.log10(np.sqrt(np.mean(window ** 2)) / 32768.0)
    return ("tone", hz, dbfs, purity)


def alike(a, b):
    if a[0] != b[0]:
        return False
    if a[0] == "silent":
        return True
    return abs(a[1] - b[1]) <= SAME_TONE_HZ * b[1] and abs(a[2] - b[2]) <= SAME_TONE_DB


def segments(windows):
    runs = []
    for w in windows:
        if w is None:
            continue
        if runs and alike(w, runs[-1][-1]):
            runs[-1].append(w)
        else:
            runs.append([w])
    runs = [r for r in runs if len(r) >= MIN_WINDOWS]
    merged = []
    for r in runs:  # what a dropped glitch split becomes one segment again
        if merged and alike(r[0], merged[-1][-1]):
            merged[-1].extend(r)
        else:
            merged.append(r)
    result = []
    for r in merged:
        if r[0][0] == "silent":
            result.append({"kind": "silent", "windows": len(r)})
        else:
            result.append({"kind": "tone", "windows": len(r),
                           "hz": float(np.median([w[1] for w in r])),
                           "dbfs": float(np.median([w[2] for w in r])),
                           # The edge windows may hold the change from the phase before.
                           "purity": float(np.min([w[3] for w in r[1:-1]]))})
    return result


def describe(segment):
    if segment["kind"] == "silent":
        return f"silence ({segment['windows']} windows)"
    return (f"{segment['hz']:.1f} Hz at {segment['dbfs']:.1f} dBFS, purity >= {segment['purity']:.3f} "
            f"({segment['windows']} windows)")


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    raw = np.fromfile(sys.argv[1], dtype="<i2")
    phases = read_phases(sys.argv[2])
    if len(raw) < 2 * RATE or not phases:
        print(f"FAIL: {len(raw) / 2 / RATE:.2f} s recorded, {len(phases)} phases reported")
        return 1
    mono = raw[: len(raw) // 2 * 2].reshape(-1, 2).astype(np.float64).mean(axis=1)
    windows = [classify(mono[i:i + WINDOW]) for i in range(0, len(mono) - WINDOW + 1, WINDOW)]
    found = segments(windows)
    while found and found[0]["kind"] == "silent":
        found.pop(0)
    expected = list(phases)
    while expected and expected[0][1] == 0:
        expected.pop(0)

    print(f"recorded {len(mono) / RATE:.2f} s; {sum(w is None for w in windows)} of {len(windows)} windows unclear")
    failures = [f"noise at {i / 10:.1f} s of the recording" for i, w in enumerate(windows)
                if w is not None and w[0] == "tone" and w[3] < NOISE_PURITY]
    if len(found) != len(expected):
        failures.append(f"{len(found)} segments heard, {len(expected)} phases played")
    measured = {}
    for (name, hz), segment in zip(expected, found):
        print(f"{name:24s} expected {'silence' if hz == 0 else f'{hz:.0f} Hz':>9s}: heard {describe(segment)}")
        if hz == 0:
            if segment["kind"] != "silent":
                failures.append(f"{name}: not silent")
            continue
        if segment["kind"] != "tone" or abs(segment["hz"] - hz) > FREQUENCY_TOLERANCE * hz:
            failures.append(f"{name}: the {hz:.0f} Hz tone is missing")
            continue
        if segment["purity"] < MIN_PURITY:
            failures.append(f"{name}: the tone is not pure ({segment['purity']:.3f})")
        measured[name] = segment

    base, doubled, quiet = (measured.get(n) for n in
                            ("stereo16", "stereo16-double-rate", "stereo16-minus-20db"))
    if base and doubled:
        ratio = doubled["hz"] / base["hz"]
        print(f"pitch ratio at twice the rate: {ratio:.4f}")
        if abs(ratio - 2.0) > 2.0 * FREQUENCY_TOLERANCE:
            failures.append(f"twice the rate gives a pitch ratio of {ratio:.4f}, not 2")
    if base and quiet:
        step = quiet["dbfs"] - base["dbfs"]
        print(f"level change for 20 dB of attenuation: {step:.2f} dB")
        if abs(step + LEVEL_STEP_DB) > LEVEL_TOLERANCE_DB:
            failures.append(f"20 dB of attenuation changes the level by {step:.2f} dB")

    for failure in failures:
        print("FAIL " + failure)
    if not failures:
        print("every phase was heard as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
