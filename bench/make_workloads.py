#!/usr/bin/env python3
"""Writes the objects of the scale workloads that bench/run times, into a folder:

    grid200.lwo     W1/W2 target: 200 x 200 quads over 100 x 100 units, gently rolling
    cube.lwo        W1/W3 template: a cube of 8 points and 6 quads
    sphere.lwo      W2 template: 2,562 points (40 rings of 64 and two poles) with a UV map, a weight
                    map, two relative morph maps, a subpatch weight map and an absolute morph map,
                    each holding values on about 80 % of the points
    grid1000.lwo    W3 target: 1,000 x 1,000 quads over 1,000 x 1,000 units with the weight maps
                    "density" (smooth, 0 to 1) and "size" (pseudo-random, 0 to 1) on every point

Everything comes from formulas and a fixed integer hash, rounded to 4 decimals, so the files are the
same on every run and every machine. Usage: make_workloads.py FOLDER
"""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples"))
from make_examples import lwo2  # noqa: E402


def hash01(i, salt):
    """A fixed pseudo-random value in [0, 1) for index i (a 32-bit integer mix, no library RNG)."""
    h = (i * 2654435761 + salt * 40503) & 0xFFFFFFFF
    h ^= h >> 15
    h = (h * 2246822519) & 0xFFFFFFFF
    h ^= h >> 13
    h = (h * 3266489917) & 0xFFFFFFFF
    h ^= h >> 16
    return h / 4294967296.0


def grid(cells, size, height):
    """Points and clockwise-from-above quads of a square grid in x-z, y = height(x, z)."""
    step = size / cells
    points = []
    for row in range(cells + 1):
        z = -size / 2 + row * step
        for col in range(cells + 1):
            x = -size / 2 + col * step
            points.append((round(x, 4), round(height(x, z), 4), round(z, 4)))
    polygons = []
    for row in range(cells):
        for col in range(cells):
            a = row * (cells + 1) + col
            polygons.append((a, a + cells + 1, a + cells + 2, a + 1))
    return points, polygons


def grid200():
    def height(x, z):
        return 0.6 * math.sin(x * 0.13) * math.cos(z * 0.11) + 0.4 * math.sin(0.07 * x + 0.05 * z + 1.0) \
            + 0.25 * math.cos(0.21 * z - 0.5)
    points, polygons = grid(200, 100.0, height)
    return lwo2("Ground", points, polygons, "Ground", (0.35, 0.5, 0.25), [])


def grid1000():
    def height(x, z):
        return 6.0 * math.sin(x * 0.011) * math.cos(z * 0.009) + 2.5 * math.sin(0.004 * x + 0.006 * z)
    points, polygons = grid(1000, 1000.0, height)
    density = {i: (round(0.5 + 0.5 * math.sin(p[0] * 0.006) * math.cos(p[2] * 0.008), 4),) for i, p in enumerate(points)}
    size = {i: (round(hash01(i, 3), 4),) for i in range(len(points))}
    return lwo2("Ground", points, polygons, "Ground", (0.35, 0.5, 0.25),
                [(b"WGHT", "density", 1, density), (b"WGHT", "size", 1, size)])


def cube():
    h = 0.1
    points = [(-h, 0, -h), (h, 0, -h), (h, 2 * h, -h), (-h, 2 * h, -h),
              (-h, 0, h), (h, 0, h), (h, 2 * h, h), (-h, 2 * h, h)]
    polygons = [(0, 1, 2, 3), (4, 7, 6, 5), (0, 3, 7, 4), (1, 5, 6, 2), (0, 4, 5, 1), (3, 2, 6, 7)]
    return lwo2("Cube", points, polygons, "Cube", (0.6, 0.55, 0.5), [])


def sphere(rings=40, around=64, radius=0.3):
    points = [(0.0, radius, 0.0)]
    for k in range(1, rings + 1):
        theta = math.pi * k / (rings + 1)
        for j in range(around):
            phi = 2 * math.pi * j / around
            points.append((round(radius * math.sin(theta) * math.cos(phi), 4), round(radius * math.cos(theta), 4),
                           round(radius * math.sin(theta) * math.sin(phi), 4)))
    points.append((0.0, -radius, 0.0))
    last = len(points) - 1

    def ring(k, j):
        return 1 + (k - 1) * around + j % around
    polygons = [(0, ring(1, j + 1), ring(1, j)) for j in range(around)]
    for k in range(1, rings):
        polygons += [(ring(k, j), ring(k, j + 1), ring(k + 1, j + 1), ring(k + 1, j)) for j in range(around)]
    polygons += [(ring(rings, j), ring(rings, j + 1), last) for j in range(around)]

    def on_most(salt):  # about 80 % of the points
        return [i for i in range(len(points)) if hash01(i, salt) < 0.8]
    uv = {i: (round(math.atan2(points[i][2], points[i][0]) / (2 * math.pi) + 0.5, 4),
              round(points[i][1] / (2 * radius) + 0.5, 4)) for i in on_most(1)}
    weight = {i: (round(hash01(i, 7), 4),) for i in on_most(2)}
    bulge = {i: tuple(round(c * 0.2, 4) for c in points[i]) for i in on_most(3)}
    twist = {i: (round(-points[i][2] * 0.3, 4), 0.0, round(points[i][0] * 0.3, 4)) for i in on_most(4)}
    crease = {i: (round(hash01(i, 9), 4),) for i in on_most(5)}
    rest = {i: tuple(round(c * 1.1, 4) for c in points[i]) for i in on_most(6)}
    vmaps = [(b"TXUV", "UV", 2, uv), (b"WGHT", "Weight", 1, weight), (b"MORF", "Bulge", 3, bulge),
             (b"MORF", "Twist", 3, twist), (b"MNVW", "Crease", 1, crease), (b"SPOT", "Rest", 3, rest)]
    return lwo2("Sphere", points, polygons, "Sphere", (0.7, 0.7, 0.75), vmaps)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_workloads.py FOLDER")
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, make in (("grid200.lwo", grid200), ("cube.lwo", cube), ("sphere.lwo", sphere), ("grid1000.lwo", grid1000)):
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            with open(path + ".part", "wb") as f:
                f.write(make())
            os.replace(path + ".part", path)


if __name__ == "__main__":
    main()
