#!/usr/bin/env python3
"""Writes the filter characteristic tables (ZXil files, 11 x 11 grids over peak and frequency).

Each characteristic is described below by its intent: how hard the signal is driven into the
clipper, how strongly the resonant band state of the first stage is limited (saturation), and how
the resonance grows from no peak to full peak. Row 10 (full peak) of every resonance table is
fixed product data; the rows below it follow it with the characteristic's own curve.

    filter_tables.py OUTDIR          write the ten .fil files into OUTDIR
    filter_tables.py --check DIR     exit 1 when the files in DIR differ from what would be written

The build needs only python3; the shipped files live in resources/filters/.
"""
import os
import struct
import sys

GRID = 11
FULL_AXIS = (2.2666, 16.2064)

DRIVE_RANGE = (0.1, 10.0)
SATURATION_RANGE = (0.0, 0.1)
RESONANCE_RANGE = (0.0, 4.31)


class Profile:
    """A value across the frequency axis (at the low end, the middle and the high end,
    linear in between), reached at full peak; the peak brings it in as peak ** peak_curve,
    starting from `rest` at peak 0."""

    def __init__(self, low, mid, high, peak_curve=1.0, rest=0.0):
        self.points = (low, mid, high)
        self.peak_curve = peak_curve
        self.rest = rest

    def at(self, peak, place):
        low, mid, high = self.points
        across = low + (mid - low) * place * 2 if place <= 0.5 else mid + (high - mid) * (place - 0.5) * 2
        return self.rest + (across - self.rest) * peak ** self.peak_curve


class Characteristic:
    def __init__(self, name, resource, clip_shape, axis, top, drive, saturation, resonance_curve,
                 resonance_limit=None):
        self.name = name
        self.resource = resource
        self.clip_shape = clip_shape
        self.axis = axis
        self.top = top                          # resonance at full peak, per frequency column
        self.drive = drive                      # Profile
        self.saturation = saturation            # Profile
        self.resonance_curve = resonance_curve  # rows follow the top row as peak ** curve
        self.resonance_limit = resonance_limit  # ceiling every row must respect, or None

    def tables(self):
        drive, saturation, resonance = [], [], []
        for row in range(GRID):
            peak = row / (GRID - 1)
            drive.append([round(self.drive.at(peak, c / (GRID - 1)), 4) for c in range(GRID)])
            saturation.append([round(self.saturation.at(peak, c / (GRID - 1)), 5) for c in range(GRID)])
            if row == GRID - 1:
                resonance.append(list(self.top))
            else:
                resonance.append([round(t * peak ** self.resonance_curve, 4) for t in self.top])
        return drive, saturation, resonance


# The first characteristic is the product's own sound, shipped exactly as designed.
ONE = {
    "drive": [[2.5] * 11] * 5 + [
        [2.375] * 5 + [2.5] * 6,
        [2.25] * 5 + [2.5] * 6,
        [2.125] * 5 + [2.5] * 6,
        [2.0] * 5 + [2.5] * 6,
        [1.5, 1.5, 1.5, 2, 2, 2.5, 2.5, 3, 3, 3, 3],
        [1.5, 1.5, 1.5, 2, 2, 2.5, 2.5, 3, 4, 8, 8],
    ],
    "saturation": [[0.0] * 11] * 5 + [
        [0.00125] * 4 + [0.0025, 0.0075, 0.01] + [0.0025] * 4,
        [0.0025] * 4 + [0.005, 0.015, 0.02] + [0.005] * 4,
        [0.00375] * 4 + [0.0075, 0.0225, 0.03] + [0.0075] * 4,
        [0.005] * 4 + [0.01, 0.03, 0.04] + [0.01] * 4,
        [0.002, 0.002, 0.002, 0.003, 0.01, 0.03, 0.04, 0.07, 0.1, 0.1, 0.1],
        [0.001, 0.001, 0.001, 0.003, 0.01, 0.03, 0.04, 0.07, 0.1, 0.1, 0.1],
    ],
    "resonance": [[0.05 * r] * 11 for r in range(5)] + [
        [0.475] * 5 + [0.35, 0.3, 0.3, 0.3, 0.3, 0.3],
        [0.75] * 5 + [0.5, 0.4, 0.4, 0.4, 0.4, 0.4],
        [1.025] * 5 + [0.65, 0.5, 0.5, 0.5, 0.5, 0.5],
        [1.3] * 5 + [0.8, 0.6, 0.6, 0.6, 0.6, 0.6],
        [3.25] * 4 + [2.5, 2.1, 1.3, 1.1, 0.95, 0.95, 0.95],
        [3.5] * 4 + [3.0, 2.5, 1.5, 1.2, 1.0, 1.0, 1.0],
    ],
}

CHARACTERISTICS = [
    # Soft and rounded: little drive, the positive half of the very asymmetric clipper hardly
    # saturates, a touch of band limiting keeps the resonance round; resonance comes in late.
    Characteristic(
        "Smooth", "Smooth.fil", 0.181958, FULL_AXIS,
        top=[0.999, 0.935, 1.107, 1.318, 1.349, 0.919, 0.964, 0.878, 0.815, 0.999, 0.439],
        drive=Profile(0.5, 0.7, 0.6, peak_curve=0.7, rest=0.1),
        saturation=Profile(0.004, 0.008, 0.004, peak_curve=1.5),
        resonance_curve=1.5, resonance_limit=1.35),
    # Buzzy and direct: a symmetric clipper driven hard as soon as the peak is raised, no soft
    # band limiting, so the resonance is only caught by the hard clamps; resonance rises linearly.
    Characteristic(
        "Raw", "Raw.fil", 1.0, FULL_AXIS,
        top=[1.5, 1.5, 1.5, 1.5, 1.5, 1.278, 1.080, 1.019, 0.992, 0.997, 0.982],
        drive=Profile(3.5, 3.0, 2.5, peak_curve=0.5, rest=0.1),
        saturation=Profile(0.0, 0.0, 0.0),
        resonance_curve=1.0),
    # Aggressive and squelchy on its own, narrower frequency axis: very strong resonance in the
    # bass that arrives early, heavy drive in the lows easing off towards the top.
    Characteristic(
        "Hard", "Monopoly.fil", 0.687329, (3.06152, 15.6029),
        top=[0.999, 3.950, 4.310, 1.990, 3.226, 1.258, 1.082, 1.053, 1.107, 0.882, 0.510],
        drive=Profile(6.0, 4.0, 2.5, peak_curve=0.6, rest=0.1),
        saturation=Profile(0.002, 0.004, 0.006, peak_curve=1.0),
        resonance_curve=0.8),
    # Thin and nasal: the resonant band state is squashed hard in the middle of the range, which
    # hollows out the resonance; moderate drive.
    Characteristic(
        "Hollow", "Cheap.fil", 0.913428, FULL_AXIS,
        top=[1.142, 1.888, 1.688, 1.719, 1.225, 1.156, 1.151, 1.013, 0.999, 0.994, 0.536],
        drive=Profile(1.5, 1.8, 1.2, peak_curve=0.8, rest=0.1),
        saturation=Profile(0.03, 0.08, 0.04, peak_curve=0.7),
        resonance_curve=1.2),
    # Everything at the limit: the most asymmetric clipper driven up to the maximum in the highs,
    # strong band limiting so the heavy resonance turns into dense distortion.
    Characteristic(
        "Extreme", "Extreme.fil", 0.128784, FULL_AXIS,
        top=[0.925, 3.201, 3.438, 1.053, 1.092, 0.962, 1.034, 1.063, 0.987, 0.989, 0.978],
        drive=Profile(6.0, 8.0, 10.0, peak_curve=0.5, rest=0.1),
        saturation=Profile(0.02, 0.05, 0.1, peak_curve=1.0),
        resonance_curve=0.7),
    # Polite: almost no drive, no band limiting, and a resonance that rises slowly and never
    # reaches self-oscillation.
    Characteristic(
        "Gentle", "Gentle.fil", 0.31709, FULL_AXIS,
        top=[0.900, 0.860, 0.821, 0.728, 0.801, 0.900, 0.900, 0.841, 0.609, 0.999, 0.999],
        drive=Profile(0.25, 0.3, 0.25, peak_curve=1.0, rest=0.1),
        saturation=Profile(0.0, 0.0, 0.0),
        resonance_curve=1.8, resonance_limit=0.999),
    # Warm compression: a symmetric clipper driven moderately, more so as the peak rises, with a
    # soft band limit in the middle of the range.
    Characteristic(
        "Tube", "Tube.fil", 1.0, FULL_AXIS,
        top=[2.241, 2.955, 1.699, 1.314, 1.115, 0.901, 0.866, 0.930, 0.965, 0.989, 0.999],
        drive=Profile(1.6, 2.0, 1.6, peak_curve=1.0, rest=0.1),
        saturation=Profile(0.006, 0.02, 0.008, peak_curve=1.0),
        resonance_curve=1.3),
    # Bright and clangy: drive climbs steeply towards the top of the range into a very asymmetric
    # clipper, the bass stays comparatively clean; resonance rises linearly.
    Characteristic(
        "Metal", "Metal.fil", 0.1, FULL_AXIS,
        top=[2.327, 3.768, 3.760, 1.725, 1.136, 1.028, 0.983, 0.954, 0.978, 0.994, 0.994],
        drive=Profile(0.8, 3.0, 8.0, peak_curve=0.8, rest=0.1),
        saturation=Profile(0.0, 0.01, 0.03, peak_curve=1.0),
        resonance_curve=1.0),
    # Relaxed: mild drive, a little band limiting, resonance that builds late but still sings in
    # the bass at full peak.
    Characteristic(
        "Easy Going", "EasyGoing.fil", 0.543188, FULL_AXIS,
        top=[2.808, 3.688, 1.314, 1.646, 1.151, 1.014, 0.969, 0.984, 0.974, 0.997, 0.999],
        drive=Profile(1.2, 1.4, 1.2, peak_curve=1.0, rest=0.1),
        saturation=Profile(0.008, 0.012, 0.008, peak_curve=1.2),
        resonance_curve=1.6),
]


def check_ranges(name, drive, saturation, resonance, limit=None):
    cells = lambda grid: [v for row in grid for v in row]
    problems = []
    if not all(DRIVE_RANGE[0] <= v <= DRIVE_RANGE[1] for v in cells(drive)):
        problems.append("drive outside %s" % (DRIVE_RANGE,))
    if not all(SATURATION_RANGE[0] <= v <= SATURATION_RANGE[1] for v in cells(saturation)):
        problems.append("saturation outside %s" % (SATURATION_RANGE,))
    if not all(RESONANCE_RANGE[0] <= v <= RESONANCE_RANGE[1] for v in cells(resonance)):
        problems.append("resonance outside %s" % (RESONANCE_RANGE,))
    if limit is not None and max(cells(resonance)) > limit:
        problems.append("resonance above %g" % limit)
    if resonance[0] != [0.0] * GRID or saturation[0] != [0.0] * GRID:
        problems.append("row 0 must have no resonance and no saturation")
    if any(len(row) != GRID for grid in (drive, saturation, resonance) for row in grid):
        problems.append("grid is not %d x %d" % (GRID, GRID))
    if problems:
        raise SystemExit("%s: %s" % (name, "; ".join(problems)))


def encode(clip_shape, axis, drive, saturation, resonance):
    data = b"ZXil" + struct.pack("<i", 1) + struct.pack("<3f", clip_shape, axis[0], axis[1])
    for grid in (drive, saturation, resonance):
        data += struct.pack("<i", GRID)
        for row in grid:
            data += struct.pack("<%df" % GRID, *row)
    return data


def files():
    """The ten files as {name: bytes}, in characteristic order."""
    out = {}
    check_ranges("One", ONE["drive"], ONE["saturation"], ONE["resonance"])
    out["One.fil"] = encode(0.3, FULL_AXIS, ONE["drive"], ONE["saturation"], ONE["resonance"])
    for c in CHARACTERISTICS:
        drive, saturation, resonance = c.tables()
        if any(v != 0.1 for v in drive[0]):
            raise SystemExit("%s: drive at peak 0 must be 0.1" % c.name)
        check_ranges(c.name, drive, saturation, resonance, c.resonance_limit)
        out[c.resource] = encode(c.clip_shape, c.axis, drive, saturation, resonance)
    return out


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        stale = []
        for name, data in files().items():
            path = os.path.join(argv[2], name)
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        if stale:
            print("stale or missing: " + ", ".join(stale))
            return 1
        return 0
    if len(argv) == 2:
        os.makedirs(argv[1], exist_ok=True)
        for name, data in files().items():
            with open(os.path.join(argv[1], name), "wb") as f:
                f.write(data)
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
