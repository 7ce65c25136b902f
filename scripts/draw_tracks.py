#!/usr/bin/env python3
"""Draws the tracks of the simulator's AI objects (the stand-in's --trace file) over the
positions reported in a traffic recording, as a PNG. Only the standard library is used.
  draw_tracks.py TRACE.csv RECORDING.csv OUT.png [--size PIXELS] [--airport AIRPORT.xml]
The picture spans the traced positions (and the airport's stands) plus a margin; reported
positions (grey) outside it are left out; each object's track has a colour of its own, its
start marked by a square; the stands of the airport file (the park airport's, such as
data/airports/KLAX.xml) are small circles. North is up; below the map a legend and a
scale bar say how to read it."""
import math
import struct
import sys
import xml.etree.ElementTree as ElementTree
import zlib

GREY = (170, 170, 170)
STAND = (40, 90, 160)
INK = (30, 30, 30)
WHITE = (255, 255, 255)

# A 5 x 7 pixel font: each glyph is seven rows of five bits, the top row first.
FONT = {
    "A": (14, 17, 17, 31, 17, 17, 17), "B": (30, 17, 17, 30, 17, 17, 30), "C": (14, 17, 16, 16, 16, 17, 14),
    "D": (28, 18, 17, 17, 17, 18, 28), "E": (31, 16, 16, 30, 16, 16, 31), "F": (31, 16, 16, 30, 16, 16, 16),
    "G": (14, 17, 16, 23, 17, 17, 15), "H": (17, 17, 17, 31, 17, 17, 17), "I": (14, 4, 4, 4, 4, 4, 14),
    "J": (7, 2, 2, 2, 2, 18, 12), "K": (17, 18, 20, 24, 20, 18, 17), "L": (16, 16, 16, 16, 16, 16, 31),
    "M": (17, 27, 21, 21, 17, 17, 17), "N": (17, 17, 25, 21, 19, 17, 17), "O": (14, 17, 17, 17, 17, 17, 14),
    "P": (30, 17, 17, 30, 16, 16, 16), "Q": (14, 17, 17, 17, 21, 18, 13), "R": (30, 17, 17, 30, 20, 18, 17),
    "S": (15, 16, 16, 14, 1, 1, 30), "T": (31, 4, 4, 4, 4, 4, 4), "U": (17, 17, 17, 17, 17, 17, 14),
    "V": (17, 17, 17, 17, 17, 10, 4), "W": (17, 17, 17, 21, 21, 21, 10), "X": (17, 17, 10, 4, 10, 17, 17),
    "Y": (17, 17, 17, 10, 4, 4, 4), "Z": (31, 1, 2, 4, 8, 16, 31),
    "0": (14, 17, 19, 21, 25, 17, 14), "1": (4, 12, 4, 4, 4, 4, 14), "2": (14, 17, 1, 2, 4, 8, 31),
    "3": (31, 2, 4, 2, 1, 17, 14), "4": (2, 6, 10, 18, 31, 2, 2), "5": (31, 16, 30, 1, 1, 17, 14),
    "6": (6, 8, 16, 30, 17, 17, 14), "7": (31, 1, 2, 4, 8, 8, 8), "8": (14, 17, 17, 14, 17, 17, 14),
    "9": (14, 17, 17, 15, 1, 2, 12),
    " ": (0, 0, 0, 0, 0, 0, 0), ".": (0, 0, 0, 0, 0, 12, 12), ",": (0, 0, 0, 0, 12, 4, 8),
    "-": (0, 0, 0, 31, 0, 0, 0), "(": (2, 4, 8, 8, 8, 4, 2), ")": (8, 4, 2, 2, 2, 4, 8),
    "/": (0, 1, 2, 4, 8, 16, 0), ":": (0, 12, 12, 0, 12, 12, 0), "_": (0, 0, 0, 0, 0, 0, 31),
    "'": (12, 4, 8, 0, 0, 0, 0),
}


def read_trace(path):
    tracks = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.strip().split(",")
            if len(parts) != 5:
                continue
            try:
                obj, lat, lon = int(parts[1]), float(parts[2]), float(parts[3])
            except ValueError:
                continue
            if math.isfinite(lat) and math.isfinite(lon) and (lat, lon) != (0.0, 0.0):
                tracks.setdefault(obj, []).append((lat, lon))
    return tracks


def read_reports(path):
    points = []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            parts = line.strip().split(",")
            if len(parts) < 4 or parts[0] != "AITFC":
                continue
            try:
                lat, lon = float(parts[2]), float(parts[3])
            except ValueError:
                continue
            if math.isfinite(lat) and math.isfinite(lon):
                points.append((lat, lon))
    return points


def read_stands(path):
    """The airport's name, ICAO code and stands (latitude, longitude, radius in metres)."""
    root = ElementTree.parse(path).getroot()
    name = ""
    for parameter in root.iter("parameter"):
        if parameter.get("name") == "airport_name":
            name = parameter.get("value", "")
    stands = []
    for parkpos in root.iter("parkpos"):
        try:
            lat, lon = float(parkpos.get("latitude")), float(parkpos.get("longitude"))
            radius = float(parkpos.get("radius", "0"))
        except (TypeError, ValueError):
            continue
        if math.isfinite(lat) and math.isfinite(lon) and math.isfinite(radius):
            stands.append((lat, lon, max(0.0, radius)))
    icao = path.replace("\\", "/").rsplit("/", 1)[-1].rsplit(".", 1)[0].upper()
    return icao, name, stands


def nice_length(at_most):
    """The largest 1, 2 or 5 times a power of ten not above at_most (at_most > 0)."""
    power = 10 ** math.floor(math.log10(at_most))
    for step in (5, 2, 1):
        if step * power <= at_most:
            return step * power
    return power


def write_png(path, width, height, pixels):
    raw = b"".join(b"\x00" + bytes(pixels[y * width * 3:(y + 1) * width * 3]) for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = bytearray([255] * (width * height * 3))

    def plot(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            i = (y * self.width + x) * 3
            self.pixels[i:i + 3] = bytes(colour)

    def line(self, xa, ya, xb, yb, colour, thick=1):
        steps = max(abs(xb - xa), abs(yb - ya), 1)
        for s in range(steps + 1):
            x, y = xa + (xb - xa) * s // steps, ya + (yb - ya) * s // steps
            for d in range(thick):
                self.plot(x, y + d, colour)

    def box(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1 + 1)):
            for x in range(max(0, x0), min(self.width, x1 + 1)):
                self.plot(x, y, colour)

    def circle(self, cx, cy, r, colour):
        r = max(1, r)
        for k in range(max(8, int(2 * math.pi * r))):
            a = 2 * math.pi * k / max(8, int(2 * math.pi * r))
            self.plot(cx + round(r * math.cos(a)), cy + round(r * math.sin(a)), colour)

    def text(self, x, y, text, colour=INK, scale=2):
        """Writes text (upper case) with its top left at x, y; returns its width."""
        for n, c in enumerate(text.upper()):
            rows = FONT.get(c, FONT[" "])
            for row, bits in enumerate(rows):
                for col in range(5):
                    if bits & (16 >> col):
                        self.box(x + (n * 6 + col) * scale, y + row * scale,
                                 x + (n * 6 + col) * scale + scale - 1, y + row * scale + scale - 1, colour)
        return len(text) * 6 * scale


def track_colour(n):
    hue = (n * 0.61803398875) % 1.0
    colour = [int(255 * max(0.0, min(1.0, abs(hue * 6 - k) - 1 if k != 2 else 2 - abs(hue * 6 - 2)))) for k in (3, 2, 4)]
    return [min(200, c) for c in colour]


def main(argv):
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    size = int(argv[argv.index("--size") + 1]) if "--size" in argv else 1000
    airport = argv[argv.index("--airport") + 1] if "--airport" in argv else None
    tracks = read_trace(argv[1])
    reports = read_reports(argv[2])
    if not tracks:
        print("draw_tracks.py: no AI positions in the trace", file=sys.stderr)
        return 1
    icao, airport_name, stands = "", "", []
    if airport:
        try:
            icao, airport_name, stands = read_stands(airport)
        except (OSError, ElementTree.ParseError) as e:
            print(f"draw_tracks.py: no stands from {airport}: {e}", file=sys.stderr)
    lats = [p[0] for t in tracks.values() for p in t] + [s[0] for s in stands]
    lons = [p[1] for t in tracks.values() for p in t] + [s[1] for s in stands]
    margin = 0.02
    lat0, lat1 = min(lats) - margin, max(lats) + margin
    lon0, lon1 = min(lons) - margin, max(lons) + margin
    coslat = math.cos(math.radians((lat0 + lat1) / 2))
    span = max((lon1 - lon0) * coslat, lat1 - lat0)
    rows = [("reports", "positions reported by RealTraffic (the recording)"),
            ("track", f"AI aircraft in the simulator: {len(tracks)} tracks, one colour each"),
            ("start", "where an AI aircraft was created")]
    if stands:
        rows.append(("stand", f"stands of {icao} {airport_name} ({len(stands)})".strip()))
    line_height, pad = 22, 12
    panel = pad + 24 + len(rows) * line_height + 40 + pad  # the legend and the scale, below the map
    width = height = size
    canvas = Canvas(width, height + panel)
    pixels_per_nm = (height - 1) / span / 60.0  # a minute of latitude is a nautical mile

    def xy(lat, lon):
        x = int(((lon - lon0) * coslat) / span * (width - 1))
        y = int((lat1 - lat) / span * (height - 1))
        return x, y

    def on_map(x, y, colour):
        if y < height:
            canvas.plot(x, y, colour)

    for lat, lon in reports:
        x, y = xy(lat, lon)
        for dx in (0, 1):
            for dy in (0, 1):
                on_map(x + dx, y + dy, GREY)
    for lat, lon, radius in stands:
        x, y = xy(lat, lon)
        canvas.circle(x, y, round(radius / 1852.0 * pixels_per_nm), STAND)
    for n, (obj, track) in enumerate(sorted(tracks.items())):
        colour = track_colour(n)
        for (la, lo), (lb, lob) in zip(track, track[1:]):
            xa, ya = xy(la, lo)
            xb, yb = xy(lb, lob)
            steps = max(abs(xb - xa), abs(yb - ya), 1)
            for k in range(steps + 1):
                x, y = xa + (xb - xa) * k // steps, ya + (yb - ya) * k // steps
                for dx, dy in ((0, 0), (1, 0), (0, 1), (1, 1)):
                    on_map(x + dx, y + dy, colour)
        x, y = xy(*track[0])
        for dx in range(-3, 4):
            for dy in range(-3, 4):
                on_map(x + dx, y + dy, colour)

    # North is up.
    nx, ny = width - 30, 12
    canvas.line(nx, ny + 20, nx, ny + 50, INK)
    for d in range(8):
        canvas.line(nx - d, ny + 20 + d, nx + d, ny + 20 + d, INK)
    canvas.text(nx - 5, ny, "N")

    # Below the map: the title, what each mark is, and the scale.
    canvas.box(0, height, width - 1, height + panel - 1, WHITE)
    canvas.line(0, height, width - 1, height, INK, thick=2)
    top = height + pad
    canvas.text(pad, top, "Vendrake_P3D demo: AI traffic in the simulator")
    for n, (kind, text) in enumerate(rows):
        y = top + 24 + n * line_height
        mid = y + 7
        if kind == "reports":
            for dx in range(0, 36, 6):
                canvas.box(pad + 8 + dx, mid - 1, pad + 9 + dx, mid, GREY)
        elif kind == "track":
            for k in range(3):
                canvas.line(pad + 8 + k * 12, mid + 4, pad + 18 + k * 12, mid - 4, track_colour(k), thick=2)
        elif kind == "start":
            canvas.box(pad + 17, mid - 3, pad + 23, mid + 3, track_colour(0))
        else:
            canvas.circle(pad + 20, mid, 4, STAND)
        canvas.text(pad + 60, y, text)
    bar_nm = nice_length(width / 5 / pixels_per_nm)
    bar = round(bar_nm * pixels_per_nm)
    y0 = top + 24 + len(rows) * line_height + 26
    canvas.line(pad + 8, y0, pad + 8 + bar, y0, INK, thick=3)
    for x in (pad + 8, pad + 8 + bar):
        canvas.line(x, y0 - 8, x, y0 + 2, INK)
    canvas.text(pad + 8 + bar + 16, y0 - 12, f"{bar_nm:g} nm ({bar_nm * 1.852:.3g} km) on the map")

    write_png(argv[3], canvas.width, canvas.height, canvas.pixels)
    print(f"draw_tracks.py: {len(tracks)} tracks, {sum(len(t) for t in tracks.values())} positions, "
          f"{len(stands)} stands -> {argv[3]}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
