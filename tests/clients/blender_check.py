"""Opens Zelkor's outputs in Blender and checks what an artist would see. Run by hand (not by CI):
    tests/clients/blender_check [zelkor]
which writes the files and runs, for each,
    blender --background --factory-startup --python tests/clients/blender_check.py -- KIND FILE EXPECTED.json
KIND is nodes (an --instances nodes glTF), merged (a merged glTF) or obj. Prints one line per check,
"ok" or "FAIL", and exits 1 when any check failed.
"""
import json
import sys

# Blender 3.4's glTF importer still uses numpy's bool alias, which numpy 1.24 removed.
import numpy
if not hasattr(numpy, "bool"):
    numpy.bool = bool

import bpy

kind, path, expected_path = sys.argv[sys.argv.index("--") + 1:]
expected = json.load(open(expected_path))
failed = False


def check(what, got, want):
    global failed
    good = got == want
    failed |= not good
    print("%s %s %s: %s%s" % ("ok  " if good else "FAIL", kind, what, got, "" if good else " (expected %s)" % (want,)))


bpy.ops.wm.read_factory_settings(use_empty=True)
if kind == "obj":
    bpy.ops.wm.obj_import(filepath=path)
else:
    bpy.ops.import_scene.gltf(filepath=path)
meshes = [o for o in bpy.context.scene.objects if o.type == "MESH"]

if kind == "nodes":
    # One object per clone, all sharing the template's mesh (linked duplicates), plus the target.
    by_data = {}
    for o in meshes:
        by_data.setdefault(o.data.name, []).append(o)
    shared = max(by_data.values(), key=len)
    check("objects sharing the template mesh", len(shared), expected["clones"])
    check("template vertices", len({tuple(v.co) for v in shared[0].data.vertices}), expected["template_points"])
    check("template UV maps", sorted(uv.name for uv in shared[0].data.uv_layers), expected["uv_maps"])
    check("materials", sorted({s.material.name for o in meshes for s in o.material_slots if s.material}), expected["materials"])
else:
    points = sum(len({tuple(v.co) for v in o.data.vertices}) for o in meshes)
    check("distinct vertex positions", points, expected["points"])
    faces = sum(len(o.data.polygons) for o in meshes)
    check("faces", faces, expected["faces"])
    check("UV maps", sorted({uv.name for o in meshes for uv in o.data.uv_layers}), expected["uv_maps"])
    check("materials", sorted({s.material.name for o in meshes for s in o.material_slots if s.material}), expected["materials"])
    if kind == "merged":
        keys = sorted({k.name for o in meshes if o.data.shape_keys for k in o.data.shape_keys.key_blocks if k.name != "Basis"})
        check("shape keys", keys, expected["shape_keys"])
        # The clone number as a grey vertex colour: the darkest clone is 0, the lightest (n-1)/n.
        greys = set()
        for o in meshes:
            for attribute in o.data.color_attributes:
                greys |= {round(c.color[0], 3) for c in attribute.data}
        check("grey levels of the clone numbers", len(greys) >= expected["clones"], True)
sys.exit(1 if failed else 0)
