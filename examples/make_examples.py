#!/usr/bin/env python3
"""Writes the bundled example objects: terrain.lwo and dunes.lwo (targets) and rock.lwo (a template).

Both are made here from formulas, so they carry no third-party licence. Run from anywhere:
    python3 examples/make_examples.py
"""
import math
import os
import struct


def pad(data):
    return data + b"\0" if len(data) % 2 else data


def s0(text):
    return pad(text.encode() + b"\0")


def vx(index):
    return struct.pack(">H", index) if index < 0xFF00 else struct.pack(">I", index | 0xFF000000)


def chunk(ident, data):
    return ident + struct.pack(">I", len(data)) + pad(data)


def sub_chunk(ident, data):
    return ident + struct.pack(">H", len(data)) + pad(data)


def surface(name, rgb):
    colour = sub_chunk(b"COLR", struct.pack(">fffH", *rgb, 0))
    diffuse = sub_chunk(b"DIFF", struct.pack(">fH", 1.0, 0))
    return chunk(b"SURF", s0(name) + s0("") + colour + diffuse)


def lwo2(layer_name, points, polygons, surface_name, rgb, vmaps):
    """vmaps: list of (type, name, dimension, {point: values})."""
    body = b"LWO2"
    body += chunk(b"TAGS", s0(surface_name))
    body += chunk(b"LAYR", struct.pack(">HH3f", 0, 0, 0.0, 0.0, 0.0) + s0(layer_name))
    body += chunk(b"PNTS", b"".join(struct.pack(">3f", *p) for p in points))
    lo = [min(p[k] for p in points) for k in range(3)]
    hi = [max(p[k] for p in points) for k in range(3)]
    body += chunk(b"BBOX", struct.pack(">6f", *lo, *hi))
    for kind, name, dim, values in vmaps:
        entry = struct.Struct(">%df" % dim)
        data = kind + struct.pack(">H", dim) + s0(name)
        data += b"".join(vx(point) + entry.pack(*values[point]) for point in sorted(values))
        body += chunk(b"VMAP", data)
    pols = b"FACE" + b"".join(struct.pack(">H", len(poly)) + b"".join(vx(i) for i in poly) for poly in polygons)
    body += chunk(b"POLS", pols)
    body += chunk(b"PTAG", b"SURF" + b"".join(vx(i) + b"\0\0" for i in range(len(polygons))))
    body += surface(surface_name, rgb)
    return b"FORM" + struct.pack(">I", len(body)) + body


def height_field(cells, size, height):
    """A square of quads in the x-z plane, y = height(x, z): points, their heights, polygons."""
    step = size / cells
    points, heights = [], []
    for row in range(cells + 1):
        for col in range(cells + 1):
            x = -size / 2 + col * step
            z = -size / 2 + row * step
            y = height(x, z)
            points.append((round(x, 4), round(y, 4), round(z, 4)))
            heights.append(y)
    polygons = []
    for row in range(cells):
        for col in range(cells):
            a = row * (cells + 1) + col
            # Clockwise seen from above: the modeller's front faces look up (+y).
            polygons.append((a, a + cells + 1, a + cells + 2, a + 1))
    return points, heights, polygons


def terrain(cells=16, size=20.0):
    """A rolling square of quads, y up, with a weight map that favours the hollows."""
    points, heights, polygons = height_field(
        cells, size, lambda x, z: 0.8 * math.sin(x * 0.45) * math.cos(z * 0.35) + 0.3 * math.sin(0.9 * x + 0.4 * z))
    lo, hi = min(heights), max(heights)
    hollows = {i: (round((hi - h) / (hi - lo), 4),) for i, h in enumerate(heights)}
    return lwo2("Terrain", points, polygons, "Ground", (0.35, 0.5, 0.25), [(b"WGHT", "Hollows", 1, hollows)])


def dunes(cells=12, size=16.0):
    """Wavy sand with two weight maps, "Crests" before "Hollows": a second target on which a
    preset saved on terrain.lwo must still pick its maps by name."""
    points, heights, polygons = height_field(
        cells, size, lambda x, z: 0.6 * math.sin(0.5 * x + 0.2 * z) + 0.2 * math.cos(0.7 * z))
    lo, hi = min(heights), max(heights)
    crests = {i: (round((h - lo) / (hi - lo), 4),) for i, h in enumerate(heights)}
    hollows = {i: (round((hi - h) / (hi - lo), 4),) for i, h in enumerate(heights)}
    return lwo2("Dunes", points, polygons, "Sand", (0.8, 0.7, 0.45),
                [(b"WGHT", "Crests", 1, crests), (b"WGHT", "Hollows", 1, hollows)])


def rock():
    """A lumpy icosahedron about half a unit across, resting on y = 0, with a UV map."""
    t = (1 + math.sqrt(5)) / 2
    base = [(-1, t, 0), (1, t, 0), (-1, -t, 0), (1, -t, 0), (0, -1, t), (0, 1, t),
            (0, -1, -t), (0, 1, -t), (t, 0, -1), (t, 0, 1), (-t, 0, -1), (-t, 0, 1)]
    lumps = [1.0, 0.85, 1.1, 0.95, 0.9, 1.05, 1.0, 0.8, 1.1, 0.9, 0.95, 1.0]
    radius = 0.25 / math.sqrt(1 + t * t)
    points = []
    for (x, y, z), k in zip(base, lumps):
        points.append((round(x * radius * k * 1.2, 4), round(y * radius * k * 0.7 + 0.18, 4), round(z * radius * k, 4)))
    faces = [(0, 11, 5), (0, 5, 1), (0, 1, 7), (0, 7, 10), (0, 10, 11), (1, 5, 9), (5, 11, 4), (11, 10, 2),
             (10, 7, 6), (7, 1, 8), (3, 9, 4), (3, 4, 2), (3, 2, 6), (3, 6, 8), (3, 8, 9), (4, 9, 5),
             (2, 4, 11), (6, 2, 10), (8, 6, 7), (9, 8, 1)]
    # Each face as listed already turns its front (the modeller's normal) outwards.
    polygons = faces
    uv = {i: (round(0.5 + math.atan2(p[2], p[0]) / (2 * math.pi), 4), round(p[1] / 0.4, 4)) for i, p in enumerate(points)}
    return lwo2("Rock", points, polygons, "Rock", (0.5, 0.47, 0.43), [(b"TXUV", "RockUV", 2, uv)])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, data in (("terrain.lwo", terrain()), ("dunes.lwo", dunes()), ("rock.lwo", rock())):
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
