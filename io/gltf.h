// glTF 2.0 writing.
//
// All layers go into one mesh with one primitive per surface (its material named after the
// surface). Each primitive has vertices of its own: a point that a triangle of the surface uses,
// once per normal it has there. Normals are smooth across polygons of the surface that meet at
// less than its smoothing angle (SMAN; 60 degrees without one) and split elsewhere. The
// primitive's extras "points" names an accessor of each vertex's point number (over the points
// that triangles use, in point order), so that a reader can join the vertices of one point.
// Coordinates convert as for OBJ: z negated and each polygon's points reversed with the first
// kept first. Polygons are triangulated here, as a fan from the first point, because glTF holds
// nothing else; polygons of fewer than 3 points are left out.
//
// Vertex maps: UV maps become TEXCOORD_0, TEXCOORD_1, ... (v flipped, v' = 1 - v, since glTF's
// v runs down); weight maps become float attributes named "_" plus the map name in upper case with
// characters other than A-Z, 0-9 and _ replaced by _ ("ZK_index" -> "_ZK_INDEX"); morph maps
// become morph targets of POSITION deltas, named in the mesh's extras.targetNames (absolute morph
// maps are left out: their values are the template's, the same on every clone). A point
// without a value in a map gets 0 (a UV of 0, 0 is written 0, 1).
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "host/document.h"
#include "io/instance.h"

namespace zelkor::io {

// Clones as instances of one template mesh: with Form::Gpu one node whose EXT_mesh_gpu_instancing
// attributes hold TRANSLATION, ROTATION, SCALE and the clone number "_ZK_INDEX" (named "ZK_index"
// in the node's extras), one entry per instance; with Form::Nodes one node per instance.
struct GltfInstances {
    enum class Form { Gpu, Nodes };
    Form form = Form::Gpu;
    const host::Document* templ = nullptr;
    std::span<const Instance> instances;
};

// Writes binary glTF when `path` ends in ".glb", else JSON glTF with its buffer embedded as
// base64, so the result is always a single file. Whole or nothing. Returns what glTF cannot hold,
// one line per kind: "subpatch weight maps Creases".
// Writes `output` (binary when its path ends in .glb), which the caller flushes and publishes.
std::vector<std::string> write_gltf(const host::Document& document, class AtomicOutput& output,
                                    const struct GltfInstances* instances = nullptr);

// Reads the meshes of the default scene into one layer (gltf_read.cpp tells how); .glb or
// .gltf by content. Throws FileError naming the file and, for damaged data, the accessor.
host::Document read_gltf(const std::filesystem::path& path);

}  // namespace zelkor::io
