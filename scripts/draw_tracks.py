#!/usr/bin/env python3
"""Draws the tracks of the simulator's AI objects (the stand-in's --trace file) over the
positions reported in a traffic recording, as a PNG. Only the standard library is used.
  draw_tracks.py TRACE.csv RECORDING.csv OUT.png [--size PIXELS]
The picture spans the traced positions plus a margin; reported positions (grey) outside it
are left out; each object's track has a colour of its own, its start marked by a square."""
import math
import struct
import sys
import zlib


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


def main(argv):
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    size = int(argv[argv.index("--size") + 1]) if "--size" in argv else 1000
    tracks = read_trace(argv[1])
    reports = read_reports(argv[2])
    if not tracks:
        print("draw_tracks.py: no AI positions in the trace", file=sys.stderr)
        return 1
    lats = [p[0] for t in tracks.values() for p in t]
    lons = [p[1] for t in tracks.values() for p in t]
    margin = 0.02
    lat0, lat1 = min(lats) - margin, max(lats) + margin
    lon0, lon1 = min(lons) - margin, max(lons) + margin
    coslat = math.cos(math.radians((lat0 + lat1) / 2))
    span = max((lon1 - lon0) * coslat, lat1 - lat0)
    width = height = size
    pixels = bytearray([255] * (width * height * 3))

    def xy(lat, lon):
        x = int(((lon - lon0) * coslat) / span * (width - 1))
        y = int((lat1 - lat) / span * (height - 1))
        return x, y

    def plot(x, y, colour):
        if 0 <= x < width and 0 <= y < height:
            i = (y * width + x) * 3
            pixels[i:i + 3] = bytes(colour)

    for lat, lon in reports:
        x, y = xy(lat, lon)
        for dx in (0, 1):
            for dy in (0, 1):
                plot(x + dx, y + dy, (170, 170, 170))
    for n, (obj, track) in enumerate(sorted(tracks.items())):
        hue = (n * 0.61803398875) % 1.0
        colour = [int(255 * max(0.0, min(1.0, abs(hue * 6 - k) - 1 if k != 2 else 2 - abs(hue * 6 - 2)))) for k in (3, 2, 4)]
        colour = [min(200, c) for c in colour]
        for (la, lo), (lb, lob) in zip(track, track[1:]):
            xa, ya = xy(la, lo)
            xb, yb = xy(lb, lob)
            steps = max(abs(xb - xa), abs(yb - ya), 1)
            for s in range(steps + 1):
                plot(xa + (xb - xa) * s // steps, ya + (yb - ya) * s // steps, colour)
        x, y = xy(*track[0])
        for dx in range(-2, 3):
            for dy in range(-2, 3):
                plot(x + dx, y + dy, colour)
    write_png(argv[3], width, height, pixels)
    print(f"draw_tracks.py: {len(tracks)} tracks, {sum(len(t) for t in tracks.values())} positions -> {argv[3]}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
