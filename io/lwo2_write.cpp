// LWO2 writer. The chunk order is LightWave's own (see io/lwo.h), so that a file read and written
// unchanged comes back byte for byte.
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "io/file_error.h"
#include "io/iff_reader.h"
#include "io/iff_writer.h"
#include "io/lwo.h"
#include "io/lwo_ids.h"

namespace zelkor::io {

namespace {

using namespace lwo;


// A run of consecutive polygons of one type: one POLS chunk.
struct PolygonRun {
    std::size_t begin = 0;
    std::size_t end = 0;
};

std::vector<PolygonRun> polygon_runs(const host::Layer& layer) {
    std::vector<PolygonRun> runs;
    for (std::size_t i = 0; i < layer.polygon_count(); ++i) {
        if (runs.empty() || layer.poly_type[i] != layer.poly_type[runs.back().begin])
            runs.push_back({i, i});
        runs.back().end = i + 1;
    }
    return runs;
}

class Lwo2Writer {
public:
    Lwo2Writer(const host::Document& doc, const std::filesystem::path& name, IffWriter& out)
        : doc_(doc), name_(name), out_(out) {}

    void encode() {
        prepare_tags();
        std::uint64_t form = out_.open_chunk(kForm);
        out_.id4(kLwo2);
        if (!tags_.empty()) write_tags();
        for (const host::Layer& layer : doc_.layers) write_layer(layer);
        write_kept_chunks();
        for (const host::Surface& surface : doc_.surfaces) write_surface(surface);
        if (out_.size() - 8 > std::numeric_limits<std::uint32_t>::max())
            refuse("the object needs " + std::to_string(out_.size()) + " bytes, an IFF file holds at most 4 GiB");
        out_.close_chunk(form);
    }

private:
    [[noreturn]] void refuse(const std::string& fault) const { throw FileError(name_, fault); }

    void check_name(const std::string& text, const std::string& what) const {
        if (text.find('\0') != std::string::npos) refuse(what + " \"" + text.c_str() + "...\" contains a NUL byte");
    }

    // Readers disagree on untagged polygons, so every polygon gets a surface.
    void prepare_tags() {
        tags_ = doc_.tags;
        for (const std::string& tag : tags_) check_name(tag, "tag");
        for (const host::Layer& layer : doc_.layers)
            if (has_untagged_polygon(layer)) {
                auto it = std::find(tags_.begin(), tags_.end(), "Default");
                default_surface_ = std::int32_t(it - tags_.begin());
                if (it == tags_.end()) tags_.push_back("Default");
                return;
            }
    }

    static bool has_untagged_polygon(const host::Layer& layer) {
        const host::PolygonTags* surfaces = layer.find_tags(LWPTAG_SURF);
        if (!surfaces) return layer.polygon_count() > 0;
        const std::int32_t* values = surfaces->values.data();
        return std::find(values, values + layer.polygon_count(), host::kNoTag) != values + layer.polygon_count();
    }

    void write_tags() {
        std::uint64_t chunk = out_.open_chunk(kTags);
        for (const std::string& tag : tags_) out_.s0(tag);
        out_.close_chunk(chunk);
    }

    void write_layer(const host::Layer& layer) {
        std::string where = "layer " + std::to_string(layer.number);
        if (layer.number < 0 || layer.number > 0xFFFF) refuse(where + ": the number must be 0 to 65535");
        if (layer.parent < -1 || layer.parent > 0xFFFE) refuse(where + ": parent " + std::to_string(layer.parent) +
                                                               " must be -1 (none) or 0 to 65534");
        check_name(layer.name, where + " name");
        write_layer_header(layer);
        if (layer.point_count() > 0) write_points(layer, where);
        for (const host::VertexMap& map : layer.vmaps) write_vmap(layer, map, where);
        write_polygons(layer, where);
    }

    void write_layer_header(const host::Layer& layer) {
        std::uint64_t chunk = out_.open_chunk(kLayr);
        out_.u2(std::uint16_t(layer.number));
        out_.u2(layer.flags);
        for (double p : layer.pivot) out_.f4(float(p));
        out_.s0(layer.name);
        if (layer.parent >= 0) out_.u2(std::uint16_t(layer.parent));
        out_.close_chunk(chunk);
    }

    void write_points(const host::Layer& layer, const std::string& where) {
        float low[3], high[3];
        for (int axis = 0; axis < 3; ++axis) low[axis] = high[axis] = float(layer.position(0)[axis]);
        std::uint64_t chunk = out_.open_chunk(kPnts);
        const double* position = layer.positions.data();
        for (std::size_t i = 0; i < layer.point_count(); ++i, position += 3) {
            std::uint8_t* p = out_.room(12);
            for (int axis = 0; axis < 3; ++axis) {
                float v = float(position[axis]);
                if (!std::isfinite(v))
                    refuse(where + ": point " + std::to_string(i) + " has a coordinate that is not finite as a float");
                low[axis] = std::min(low[axis], v);
                high[axis] = std::max(high[axis], v);
                IffWriter::store_u4(p + 4 * axis, std::bit_cast<std::uint32_t>(v));
            }
            out_.advance(12);
        }
        out_.close_chunk(chunk);
        chunk = out_.open_chunk(kBbox);
        for (float v : low) out_.f4(v);
        for (float v : high) out_.f4(v);
        out_.close_chunk(chunk);
    }

    void check_map(const std::string& what, const std::string& name, int dimension) const {
        check_name(name, "map name");
        if (dimension < 0 || dimension > 0xFFFF) refuse(what + ": dimension " + std::to_string(dimension));
    }

    // Writes the VMPA, then opens the map chunk and writes its header; returns the open chunk.
    std::uint64_t write_map_header(LWID id, LWID type, int dimension, const std::string& name,
                          const std::vector<std::uint8_t>& vmpa) {
        if (!vmpa.empty()) out_.chunk(kVmpa, vmpa);
        std::uint64_t chunk = out_.open_chunk(id);
        out_.id4(type);
        out_.u2(std::uint16_t(dimension));
        out_.s0(name);
        return chunk;
    }

    void write_vmap(const host::Layer& layer, const host::VertexMap& map, const std::string& where) {
        std::string what = where + " VMAP \"" + map.name + "\"";
        check_map(what, map.name, map.dimension);
        std::uint64_t chunk = write_map_header(kVmap, map.type, map.dimension, map.name, map.vmpa);
        const std::size_t entry = 4 + 4 * std::size_t(map.dimension);
        constexpr std::uint32_t kPage = host::VertexMap::kPagePoints;
        map.for_each_page([&](std::uint32_t first, const std::uint8_t* marks, const float* values) {
            // A page of valid points whose indices all take one form is written without a check
            // per value; the rest (and any fault, with its message) goes point by point.
            const std::uint32_t last = first + (kPage - 1);
            const bool valid = last < layer.point_count() && last <= kMaxIndex;
            if (valid && last < 0xFF00 && write_map_page<2>(map.dimension, first, marks, values)) return;
            if (valid && first >= 0xFF00 && write_map_page<4>(map.dimension, first, marks, values)) return;
            for (std::uint32_t k = 0; k < kPage; ++k) {
                if (!marks[k]) continue;
                const std::uint32_t point = first + k;
                check_point_index(layer, point, [&] { return what; });
                std::uint8_t* p = out_.room(entry);
                std::size_t n = IffWriter::store_vx(p, point);
                const float* value = values + std::size_t(k) * std::size_t(map.dimension);
                for (int d = 0; d < map.dimension; ++d, n += 4) IffWriter::store_u4(p + n, std::bit_cast<std::uint32_t>(value[d]));
                out_.advance(n);
            }
        });
        out_.close_chunk(chunk);
    }

    // The marked values of one page whose point indices all take IndexBytes; false, with nothing
    // written, for a dimension it leaves to the general loop.
    template <std::size_t IndexBytes>
    bool write_map_page(int dimension, std::uint32_t first, const std::uint8_t* marks, const float* values) {
        switch (dimension) {
            case 1: write_map_page<IndexBytes, 1>(first, marks, values); return true;
            case 2: write_map_page<IndexBytes, 2>(first, marks, values); return true;
            case 3: write_map_page<IndexBytes, 3>(first, marks, values); return true;
            case 4: write_map_page<IndexBytes, 4>(first, marks, values); return true;
            default: return false;
        }
    }

    template <std::size_t IndexBytes, int Dimension>
    void write_map_page(std::uint32_t first, const std::uint8_t* marks, const float* values) {
        constexpr std::uint32_t kPage = host::VertexMap::kPagePoints;
        std::uint8_t* const start = out_.room(kPage * (IndexBytes + 4 * Dimension));
        std::uint8_t* p = start;
        for (std::uint32_t k = 0; k < kPage; ++k, values += Dimension) {
            if (!marks[k]) continue;
            if constexpr (IndexBytes == 2)
                IffWriter::store_u2(p, std::uint16_t(first + k));
            else
                IffWriter::store_u4(p, (first + k) | 0xFF000000u);
            p += IndexBytes;
            for (int d = 0; d < Dimension; ++d, p += 4) IffWriter::store_u4(p, std::bit_cast<std::uint32_t>(values[d]));
        }
        out_.advance(std::size_t(p - start));
    }

    // `what` builds the message's subject only when there is a fault: these run once per corner.
    template <class Describe>
    void check_point_index(const host::Layer& layer, std::uint32_t point, const Describe& what) {
        if (point >= layer.point_count())
            refuse(what() + ": point index " + std::to_string(point) + ", the layer has " +
                   std::to_string(layer.point_count()) + " points");
        if (point > kMaxIndex) refuse(what() + ": point index " + std::to_string(point) + " is above 0xFFFFFF");
    }

    template <class Describe>
    void write_point_index(const host::Layer& layer, std::uint32_t point, const Describe& what) {
        check_point_index(layer, point, what);
        out_.vx(point);
    }

    template <class Describe>
    void check_polygon_index(std::size_t polygon, const Describe& what) {
        if (polygon > kMaxIndex)
            refuse(what() + ": polygon index " + std::to_string(polygon) + " within its POLS is above 0xFFFFFF");
    }

    template <class Describe>
    void write_polygon_index(std::size_t polygon, const Describe& what) {
        check_polygon_index(polygon, what);
        out_.vx(std::uint32_t(polygon));
    }

    void write_polygons(const host::Layer& layer, const std::string& where) {
        std::vector<PolygonRun> runs = polygon_runs(layer);
        std::vector<EntriesByRun> vmad_entries = bucket_vmad_entries(layer, runs, where);
        for (std::size_t r = 0; r < runs.size(); ++r) {
            write_pols(layer, runs[r], where);
            write_ptags(layer, runs[r], where);
            for (std::size_t m = 0; m < layer.vmads.size(); ++m)
                write_vmad(layer, layer.vmads[m], runs[r], vmad_entries[m].run(r), where);
        }
        // A map with no entries refers to no polygon, and would otherwise be lost.
        for (const host::DiscontinuousMap& map : layer.vmads)
            if (map.entry_count() == 0) write_vmad(layer, map, {}, {}, where);
    }

    void write_pols(const host::Layer& layer, const PolygonRun& run, const std::string& where) {
        std::uint64_t chunk = out_.open_chunk(kPols);
        out_.id4(layer.poly_type[run.begin]);
        // Every valid index is below this; one comparison a corner, the faults sorted out after.
        const std::uint64_t valid_below = std::min<std::uint64_t>(layer.point_count(), std::uint64_t(kMaxIndex) + 1);
        for (std::size_t i = run.begin; i < run.end; ++i) {
            auto what = [&] { return where + " polygon " + std::to_string(i); };
            auto points = layer.polygon(i);
            if (points.empty() || points.size() > kMaxPolygonVertices)
                refuse(what() + ": " + std::to_string(points.size()) + " points, an LWO2 polygon holds 1 to " +
                       std::to_string(kMaxPolygonVertices));
            std::uint8_t* p = out_.room(2 + 4 * points.size());
            IffWriter::store_u2(p, std::uint16_t(points.size() | (layer.poly_flag_bits[i] & 0xFC00)));
            std::size_t n = 2;
            for (std::uint32_t point : points) {
                if (point >= valid_below) check_point_index(layer, point, what);
                n += IffWriter::store_vx(p + n, point);
            }
            out_.advance(n);
        }
        out_.close_chunk(chunk);
    }

    std::int32_t tag_value(const host::PolygonTags& tags, std::size_t polygon) const {
        std::int32_t value = polygon < tags.values.size() ? tags.values[polygon] : host::kNoTag;
        if (value == host::kNoTag && tags.type == LWPTAG_SURF) return default_surface_;
        return value;
    }

    void write_ptags(const host::Layer& layer, const PolygonRun& run, const std::string& where) {
        host::PolygonTags default_surfaces{LWPTAG_SURF, {}};
        bool has_surfaces = layer.find_tags(LWPTAG_SURF) != nullptr;
        for (const host::PolygonTags& tags : layer.poly_tags) write_ptag(tags, run, where);
        if (!has_surfaces) write_ptag(default_surfaces, run, where);
    }

    void write_ptag(const host::PolygonTags& tags, const PolygonRun& run, const std::string& where) {
        std::uint64_t chunk = 0;
        bool opened = false;
        const std::int64_t limit = std::min<std::int64_t>(host::names_a_tag(tags.type) ? std::int64_t(tags_.size()) : 0x10000,
                                                          0x10000);
        for (std::size_t i = run.begin; i < run.end; ++i) {
            std::int32_t value = tag_value(tags, i);
            if (value == host::kNoTag) continue;
            auto what = [&] { return where + " polygon " + std::to_string(i) + " PTAG " + host::id_text(tags.type); };
            if (value < 0 || value >= limit)
                refuse(what() + ": value " + std::to_string(value) + " must be below " + std::to_string(limit));
            if (!opened) {
                chunk = out_.open_chunk(kPtag);
                out_.id4(tags.type);
                opened = true;
            }
            const std::size_t polygon = i - run.begin;
            check_polygon_index(polygon, what);
            std::uint8_t* p = out_.room(6);
            const std::size_t n = IffWriter::store_vx(p, std::uint32_t(polygon));
            IffWriter::store_u2(p + n, std::uint16_t(value));
            out_.advance(n + 2);
        }
        if (opened) out_.close_chunk(chunk);
    }

    // For every map, its entries grouped by the run their polygon is in (a VMAD counts polygons
    // from its POLS, so it is written after each run with that run's entries).
    struct EntriesByRun {
        std::vector<std::size_t> order;   // entry indices, run by run, file order within a run
        std::vector<std::size_t> starts;  // run r owns order[starts[r] .. starts[r + 1])

        std::span<const std::size_t> run(std::size_t r) const {
            return {order.data() + starts[r], starts[r + 1] - starts[r]};
        }
    };

    std::vector<EntriesByRun> bucket_vmad_entries(const host::Layer& layer, const std::vector<PolygonRun>& runs,
                                                  const std::string& where) const {
        std::vector<std::uint32_t> run_of_polygon(layer.polygon_count());
        for (std::size_t r = 0; r < runs.size(); ++r)
            std::fill(run_of_polygon.begin() + std::ptrdiff_t(runs[r].begin),
                      run_of_polygon.begin() + std::ptrdiff_t(runs[r].end), std::uint32_t(r));
        std::vector<EntriesByRun> result(layer.vmads.size());
        for (std::size_t m = 0; m < layer.vmads.size(); ++m) {
            const host::DiscontinuousMap& map = layer.vmads[m];
            std::string what = where + " VMAD \"" + map.name + "\"";
            check_map(what, map.name, map.dimension);
            if (map.polygons.size() != map.points.size() ||
                map.values.size() != map.points.size() * std::size_t(map.dimension))
                refuse(what + ": the points, polygons and values do not match in number");
            // Counting sort by run, keeping the order of the entries within a run.
            EntriesByRun& entries = result[m];
            entries.starts.assign(runs.size() + 1, 0);
            for (std::uint32_t polygon : map.polygons) {
                if (polygon >= layer.polygon_count())
                    refuse(what + ": polygon index " + std::to_string(polygon) + ", the layer has " +
                           std::to_string(layer.polygon_count()) + " polygons");
                ++entries.starts[run_of_polygon[polygon] + 1];
            }
            for (std::size_t r = 0; r < runs.size(); ++r) entries.starts[r + 1] += entries.starts[r];
            entries.order.resize(map.entry_count());
            std::vector<std::size_t> next(entries.starts.begin(), entries.starts.end() - 1);
            for (std::size_t e = 0; e < map.entry_count(); ++e)
                entries.order[next[run_of_polygon[map.polygons[e]]]++] = e;
        }
        return result;
    }

    void write_vmad(const host::Layer& layer, const host::DiscontinuousMap& map, const PolygonRun& run,
                    std::span<const std::size_t> entries, const std::string& where) {
        std::string what = where + " VMAD \"" + map.name + "\"";
        if (entries.empty() && map.entry_count() != 0) return;
        std::uint64_t chunk = write_map_header(kVmad, map.type, map.dimension, map.name, map.vmpa);
        for (std::size_t e : entries) {
            auto describe = [&] { return what; };
            write_point_index(layer, map.points[e], describe);
            write_polygon_index(map.polygons[e] - run.begin, describe);
            for (int d = 0; d < map.dimension; ++d) out_.f4(map.values[e * std::size_t(map.dimension) + std::size_t(d)]);
        }
        out_.close_chunk(chunk);
    }

    void write_kept_chunks() {
        // LightWave puts envelopes before clips; anything else follows in the order it was read.
        for (LWID first : {kEnvl, kClip})
            for (const host::RawChunk& chunk : doc_.chunks)
                if (chunk.id == first) out_.chunk(chunk.id, chunk.data);
        for (const host::RawChunk& chunk : doc_.chunks)
            if (chunk.id != kEnvl && chunk.id != kClip && !is_geometry(chunk.id)) out_.chunk(chunk.id, chunk.data);
    }

    // An older object (LWOB, LWLO) keeps chunks it does not know, and some of them have LWO2
    // ids: written as they are, a PTAG or VMAP would be read back as this object's geometry.
    static bool is_geometry(LWID id) {
        for (LWID own : {kTags, kLayr, kPnts, kBbox, kVmpa, kVmap, kVmad, kPols, kPtag, kSurf})
            if (id == own) return true;
        return false;
    }

    void write_surface(const host::Surface& surface) {
        if (!surface.lwo2_data.empty()) {
            out_.chunk(kSurf, surface.lwo2_data);
            return;
        }
        check_name(surface.name, "surface");
        std::uint64_t chunk = out_.open_chunk(kSurf);
        out_.s0(surface.name);
        out_.s0("");  // no source surface, no sub-chunks: LightWave's defaults
        out_.close_chunk(chunk);
    }

    const host::Document& doc_;
    const std::filesystem::path& name_;
    IffWriter& out_;
    std::vector<std::string> tags_;
    std::int32_t default_surface_ = host::kNoTag;
};

}  // namespace

std::vector<std::uint8_t> encode_lwo2(const host::Document& document, const std::filesystem::path& name_for_errors) {
    IffWriter out;
    Lwo2Writer(document, name_for_errors, out).encode();
    return out.take();
}

void encode_lwo2(const host::Document& document, const std::filesystem::path& name_for_errors, IffWriter& out) {
    Lwo2Writer(document, name_for_errors, out).encode();
}

}  // namespace zelkor::io
