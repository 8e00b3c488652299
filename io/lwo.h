// LightWave object files: LWO2 read and written, the older LWOB and LWLO read.
//
// Reading fills a host::Document: layers, points, polygons of every type, polygon tags, the tag
// list, vertex maps (VMAP) and discontinuous maps (VMAD). Surfaces (LWO2 SURF), clips, envelopes
// and any other object-level chunk are kept byte for byte. Every size, count and index is checked
// against the file; faults throw FileError naming the file, chunk, byte offset, fault and limit.
//
// Writing emits TAGS, then per layer LAYR, PNTS, BBOX, (VMPA, VMAP)..., then for every run of
// polygons of one type its POLS, its PTAGs and the (VMPA, VMAD)... entries of those polygons;
// then the ENVL, CLIP and other kept chunks, and one SURF per surface. That is the order
// LightWave uses, so an LWO2 file read and written unchanged usually comes back byte for byte.
// A surface known only by name (from LWOB or another format) is written as a minimal SURF:
// its name, an empty source and no sub-chunks, so that LightWave uses its defaults.
// Polygons without a SURF tag are given the tag "Default" (added to the tag list when missing):
// readers disagree on what an untagged polygon means.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "host/document.h"

namespace zelkor::io {

host::Document read_lwo(const std::filesystem::path& path);
host::Document parse_lwo(std::span<const std::uint8_t> bytes, const std::filesystem::path& name_for_errors);

// Throws FileError (naming `name_for_errors`) for what LWO2 cannot hold: a polygon of more than
// 1023 points, an index above 0xFFFFFF, a coordinate that is not finite as a float, a tag value
// that does not fit, a name containing a NUL byte.
std::vector<std::uint8_t> encode_lwo2(const host::Document& document,
                                      const std::filesystem::path& name_for_errors = "LWO2 output");
class IffWriter;
// The same into `out`, which may stream to a file.
void encode_lwo2(const host::Document& document, const std::filesystem::path& name_for_errors, IffWriter& out);
// Writes whole or not at all, streamed: the file is never held in memory.
void write_lwo(const host::Document& document, const std::filesystem::path& path);
// The same into `output`, every byte handed over; the caller flushes and publishes it.
void write_lwo(const host::Document& document, class AtomicOutput& output);

}  // namespace zelkor::io
