"""Blender's side of the W1 comparison: cubes scattered over the 200 x 200 grid with geometry nodes.

Run inside Blender 3.4 (Debian's build has no numpy, so plain arrays feed foreach_set):
    blender --background --factory-startup --python bench/blender_scatter.py -- --count 1000000 [--grid FILE]
        [--oversample F] [--spacing S]

The target is grid200 rebuilt from its formula, or with --grid FILE the points and faces of an LWO2
file. Only the evaluation of the node tree is timed; nothing is written. Prints one line:
    BLENDER_SCATTER seconds=S points=P vertices=V
"""
import argparse
import math
import struct
import sys
import time
from array import array

import bpy

AREA = 100.0 * 100.0
# The peer job spaces its points as zelkor's defaults do: Distance Min is SPACING times the mean
# spacing of the points asked for (zelkor's "distribution" 0.8), and Density Max is OVERSAMPLE times
# their density, the candidates the Poisson-disk elimination thins out. 5 and 0.8 keep 0.82 of
# 1,000,000 points. (Without oversampling, Distance Min must drop to 0.4 of the mean spacing to
# keep as many: a looser spread, and about half the work.)
OVERSAMPLE = 5.0
SPACING = 0.8


def height(x, z):
    # Same rolling surface as grid200() in bench/make_workloads.py.
    return 0.6 * math.sin(x * 0.13) * math.cos(z * 0.11) + 0.4 * math.sin(0.07 * x + 0.05 * z + 1.0) \
        + 0.25 * math.cos(0.21 * z - 0.5)


def read_lwo(path):
    """Points and polygon corners of the first layer of an LWO2 file (enough for our workload grids)."""
    data = open(path, "rb").read()
    if data[:4] != b"FORM" or data[8:12] != b"LWO2":
        sys.exit("blender_scatter.py: %s is not an LWO2 file" % path)
    co, corners, sizes = array("f"), array("i"), array("i")
    at = 12
    while at + 8 <= len(data):
        ident, length = data[at:at + 4], struct.unpack(">I", data[at + 4:at + 8])[0]
        body = data[at + 8:at + 8 + length]
        at += 8 + length + (length & 1)
        if ident == b"LAYR" and co:
            break
        if ident == b"PNTS":
            for x, y, z in struct.iter_unpack(">3f", body):
                co.extend((x, -z, y))  # our y is up, Blender's z is
        elif ident == b"POLS" and body[:4] == b"FACE":
            i = 4
            while i < len(body):
                count = struct.unpack(">H", body[i:i + 2])[0] & 0x3FF
                i += 2
                for _ in range(count):
                    if body[i] == 0xFF:  # 4-byte index
                        corners.append(struct.unpack(">I", body[i:i + 4])[0] & 0xFFFFFF)
                        i += 4
                    else:
                        corners.append(struct.unpack(">H", body[i:i + 2])[0])
                        i += 2
                sizes.append(count)
    return co, corners, sizes


def formula_grid(cells=200, size=100.0):
    step = size / cells
    co = array("f")
    for row in range(cells + 1):
        z = -size / 2 + row * step
        for col in range(cells + 1):
            x = -size / 2 + col * step
            # Our y is up and Blender's z is: (x, y, z) -> (x, -z, y).
            co.extend((round(x, 4), -round(z, 4), round(height(x, z), 4)))
    corners = array("i")
    for row in range(cells):
        for col in range(cells):
            a = row * (cells + 1) + col
            corners.extend((a, a + cells + 1, a + cells + 2, a + 1))
    return co, corners, array("i", [4]) * (cells * cells)


def grid_mesh(co, corners, sizes):
    starts, total = array("i"), 0
    for n in sizes:
        starts.append(total)
        total += n
    mesh = bpy.data.meshes.new("Ground")
    mesh.vertices.add(len(co) // 3)
    mesh.vertices.foreach_set("co", co)
    mesh.loops.add(len(corners))
    mesh.loops.foreach_set("vertex_index", corners)
    mesh.polygons.add(len(sizes))
    mesh.polygons.foreach_set("loop_start", starts)
    mesh.polygons.foreach_set("loop_total", sizes)
    mesh.update()
    mesh.validate()
    return mesh


def cube_mesh(h=0.1):
    # The template of W1: 0.2 units across, standing on its base.
    verts = [(-h, -h, 0), (h, -h, 0), (h, -h, 2 * h), (-h, -h, 2 * h),
             (-h, h, 0), (h, h, 0), (h, h, 2 * h), (-h, h, 2 * h)]
    faces = [(0, 1, 2, 3), (4, 7, 6, 5), (0, 3, 7, 4), (1, 5, 6, 2), (0, 4, 5, 1), (3, 2, 6, 7)]
    mesh = bpy.data.meshes.new("Cube")
    mesh.from_pydata(verts, [], faces)
    mesh.update()
    return mesh


def scatter_tree(cube, density, distance):
    tree = bpy.data.node_groups.new("Scatter", "GeometryNodeTree")
    tree.inputs.new("NodeSocketGeometry", "Geometry")
    tree.outputs.new("NodeSocketGeometry", "Geometry")
    nodes, links = tree.nodes, tree.links
    given = nodes.new("NodeGroupInput")
    result = nodes.new("NodeGroupOutput")
    spread = nodes.new("GeometryNodeDistributePointsOnFaces")
    spread.distribute_method = "POISSON"
    spread.inputs["Density Max"].default_value = density
    spread.inputs["Distance Min"].default_value = distance
    spread.inputs["Seed"].default_value = 25
    info = nodes.new("GeometryNodeObjectInfo")
    info.inputs["Object"].default_value = cube
    place = nodes.new("GeometryNodeInstanceOnPoints")
    realize = nodes.new("GeometryNodeRealizeInstances")
    links.new(given.outputs[0], spread.inputs["Mesh"])
    links.new(spread.outputs["Points"], place.inputs["Points"])
    links.new(info.outputs["Geometry"], place.inputs["Instance"])
    links.new(place.outputs["Instances"], realize.inputs["Geometry"])
    links.new(realize.outputs["Geometry"], result.inputs[0])
    return tree


def main():
    argv = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    parser = argparse.ArgumentParser(prog="blender_scatter.py")
    parser.add_argument("--count", type=int, default=1000000, help="points asked for before elimination")
    parser.add_argument("--grid", help="an LWO2 target to scatter over (default: grid200 rebuilt from its formula)")
    parser.add_argument("--oversample", type=float, default=OVERSAMPLE, help="Density Max over the density asked for")
    parser.add_argument("--spacing", type=float, default=SPACING, help="Distance Min over the mean spacing asked for")
    args = parser.parse_args(argv)

    scene = bpy.context.scene
    for obj in list(scene.objects):  # the factory scene's cube, camera and light
        bpy.data.objects.remove(obj)
    ground = bpy.data.objects.new("Ground", grid_mesh(*(read_lwo(args.grid) if args.grid else formula_grid())))
    cube = bpy.data.objects.new("Cube", cube_mesh())
    scene.collection.objects.link(ground)
    scene.collection.objects.link(cube)

    density = args.count / AREA
    modifier = ground.modifiers.new("Scatter", "NODES")
    modifier.node_group = scatter_tree(cube, args.oversample * density, args.spacing / math.sqrt(density))

    # Settle everything but the scatter first, so the clock sees the node tree alone.
    modifier.show_viewport = False
    bpy.context.evaluated_depsgraph_get()
    modifier.show_viewport = True

    start = time.perf_counter()
    depsgraph = bpy.context.evaluated_depsgraph_get()
    result = ground.evaluated_get(depsgraph).data
    vertices = len(result.vertices)
    seconds = time.perf_counter() - start

    if vertices % 8 or len(result.polygons) * 8 != vertices * 6:
        sys.exit("blender_scatter.py: %d vertices and %d faces are not whole cubes" % (vertices, len(result.polygons)))

    print("BLENDER_SCATTER seconds=%.3f points=%d vertices=%d" % (seconds, vertices // 8, vertices), flush=True)


main()
