// Wavefront OBJ reading and writing.
//
// OBJ is right-handed and the modeller left-handed; both directions convert as common converters
// do: z is negated and each polygon's points are reversed with its first point kept first
// (a b c d <-> a d c b). The conversion is its own inverse, so OBJ in, OBJ out gives back the
// same numbers as floats: coordinates are written, as LWO and glTF hold them, as the shortest
// text that reads back to the same float. Polygons are never triangulated.
//
// What a document gets from an OBJ file:
// - one layer (number 0, no name) with the `v` points in file order; `vn` normals are not kept;
// - `vt` as the per-point UV map "UV" (TXUV, 2 values): a point takes the value of its first
//   corner, and corners that disagree with it go to a discontinuous TXUV map "UV";
// - `usemtl` names as surfaces (SURF tags), "Default" for polygons before any `usemtl`;
// - `g` and `o` names as parts (PART tags); `g default`, OBJ's name for no group, ends a part.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "host/document.h"

namespace zelkor::io {

// The group OBJ puts polygons in when no `g` names one; read and written as "no part".
inline constexpr std::string_view kNoGroup = "default";

// Throws FileError for a missing or unreadable file, a number that does not parse whole
// (`scene.obj:118:9: expected a number, found "1.0e"`), a coordinate that is NaN or infinite,
// or a face index out of range.
host::Document read_obj(const std::filesystem::path& path);

// read_obj on text already in memory; `name_for_errors` is the file name errors show.
host::Document parse_obj_text(std::string text, const std::filesystem::path& name_for_errors);

// Writes all layers as one point list (later layers' points follow earlier ones), the first UV
// map, `usemtl` per run of one surface and `g` per run of one part. Whole or nothing.
// Returns what OBJ cannot hold, one line per kind: "weight maps Weight0, ZK_index".
// Writes `output`, and `mtl` when given (the materials, named by `mtllib`), which the caller
// flushes and publishes.
std::vector<std::string> write_obj(const host::Document& document, class AtomicOutput& output,
                                   class AtomicOutput* mtl = nullptr);

// The text write_obj writes; `warnings` (may be null) receives the same lines write_obj returns.
std::string encode_obj(const host::Document& document, std::vector<std::string>* warnings,
                       const std::string& mtl_name = {});

// The materials: one `newmtl` per surface the faces use, with the surface's colour times its
// diffuse level (Kd) and its specular level (Ks).
std::string encode_mtl(const host::Document& document);

}  // namespace zelkor::io
