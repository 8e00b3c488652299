// What the LWO2 and LWOB readers share while they walk a FORM: the document being built, the
// current layer and the bases that turn a chunk's indices into layer indices.
//
// Indices in POLS, VMAP and VMAD count from the start of the layer's most recent PNTS, polygon
// indices in PTAG and VMAD from its most recent POLS; the bases hold how many points and polygons
// the layer had before those chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <unordered_map>

#include "host/document.h"
#include "io/iff_reader.h"

namespace zelkor::io {

class LwoReadState {
public:
    LwoReadState(std::span<const std::uint8_t> file, const std::filesystem::path& name_for_errors);

    ChunkCursor cursor(const IffChunk& chunk) const { return ChunkCursor(file_, chunk, name_); }

    // The layer that layer-scoped chunks go to; layer 0 is opened when no LAYR came first.
    host::Layer& layer();
    void open_layer(host::Layer layer);

    // Appends a PNTS chunk to the current layer, refusing coordinates that are not finite.
    void read_points(ChunkCursor& in);
    // Marks the start of a POLS chunk: its polygons number from here.
    void start_polygons() { polygon_base_ = std::uint32_t(layer().polygon_count()); }

    // A point or polygon index read at `at`, made relative to the layer and checked against it.
    std::uint32_t point_index(const ChunkCursor& in, std::size_t at, std::uint32_t file_index);
    std::uint32_t polygon_index(const ChunkCursor& in, std::size_t at, std::uint32_t file_index);

    // Adds a polygon to the current layer, keeping the memory budget for its tag slots.
    void add_polygon(const ChunkCursor& in, std::size_t at, LWID type, std::span<const std::uint32_t> points,
                     std::uint16_t flag_bits);
    // Sets a polygon tag, creating the tag kind (one slot per polygon of the layer) when new.
    void set_tag(const ChunkCursor& in, std::size_t at, LWID type, std::uint32_t polygon, std::int32_t value);
    // Sets a vertex map value, growing the map (one slot per point up to `point`) as needed.
    void set_map_value(const ChunkCursor& in, std::size_t at, host::VertexMap& map, std::uint32_t point,
                       const float* values);

    // The current layer's vertex map (or per-polygon map) of this type and name, or null; new ones
    // are made, and all are found in a hash: a file may hold thousands of maps.
    host::VertexMap* find_vmap(LWID type, const std::string& name);
    host::VertexMap& add_vmap(LWID type, const std::string& name, int dimension);
    host::DiscontinuousMap* find_vmad(LWID type, const std::string& name);
    host::DiscontinuousMap& add_vmad(LWID type, const std::string& name, int dimension);

    const std::filesystem::path& name() const { return name_; }
    host::Document& document() { return doc_; }
    host::Document take_document() { return std::move(doc_); }

private:
    // Sparse maps and tag kinds are stored densely, so a small file could ask for memory out of
    // all proportion to its size; the budget refuses that instead of exhausting the machine.
    void charge(const ChunkCursor& in, std::size_t at, std::size_t bytes);

    std::span<const std::uint8_t> file_;
    const std::filesystem::path& name_;
    host::Document doc_;
    std::size_t layer_index_ = 0;
    bool has_layer_ = false;
    std::uint32_t point_base_ = 0;
    std::uint32_t polygon_base_ = 0;
    std::size_t memory_left_;
    std::unordered_map<std::string, std::size_t> map_index_;  // layer, kind, type and name -> index
    std::string map_key(LWID type, const std::string& name, char kind) const;
};

}  // namespace zelkor::io
