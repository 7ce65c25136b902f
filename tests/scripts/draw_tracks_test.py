#!/usr/bin/env python3
"""draw_tracks_test.py DRAW_TRACKS.py: draws a small trace over a small recording with an
airport file, and checks the stands read (a broken one skipped), the panel below the map,
and the colours of the stands and of the legend's text in the picture."""
import os
import struct
import subprocess
import sys
import tempfile
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, idat, width, height = 8, b"", 0, 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    rows = [raw[y * (width * 3 + 1) + 1:(y + 1) * (width * 3 + 1)] for y in range(height)]
    return width, height, rows


def colours(rows, y0, y1):
    found = set()
    for row in rows[y0:y1]:
        for x in range(0, len(row), 3):
            found.add(tuple(row[x:x + 3]))
    return found


def main(script):
    with tempfile.TemporaryDirectory() as d:
        trace, recording, airport, out = (os.path.join(d, n) for n in ("t.csv", "r.csv", "KXYZ.xml", "o.png"))
        with open(trace, "w") as f:
            f.writelines(f"{i},1000,{33.94 + i * 0.001:.6f},{-118.40 + i * 0.001:.6f},500\n" for i in range(20))
        with open(recording, "w") as f:
            f.write("AITFC,1,33.95,-118.41,0\n")
        with open(airport, "w") as f:
            f.write('<?xml version="1.0"?><root><parameters><parameter name="airport_name" value="Test Field" />'
                    '</parameters><parkpositions>'
                    '<parkpos id="A1" latitude="33.945" longitude="-118.395" radius="40" />'
                    '<parkpos id="A2" latitude="33.946" longitude="-118.396" radius="30" />'
                    '<parkpos id="A3" latitude="north" longitude="-118.396" radius="30" />'
                    '</parkpositions></root>')
        result = subprocess.run([sys.executable, script, trace, recording, out, "--size", "400", "--airport", airport],
                                capture_output=True, text=True)
        assert result.returncode == 0, result.stderr
        assert "1 tracks, 20 positions, 2 stands" in result.stdout, result.stdout
        width, height, rows = read_png(out)
        assert width == 400 and height > 400, (width, height)  # the legend and scale below the map
        assert (40, 90, 160) in colours(rows, 0, 400), "the stands on the map"
        assert (30, 30, 30) in colours(rows, 400, height), "the legend's text below the map"

        # Without an airport file the picture is drawn all the same, without stands.
        result = subprocess.run([sys.executable, script, trace, recording, out, "--size", "400"],
                                capture_output=True, text=True)
        assert result.returncode == 0 and "0 stands" in result.stdout, result.stdout
        assert (40, 90, 160) not in colours(read_png(out)[2], 0, 400)
    print("draw_tracks_test.py: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
