// LWO2 reader: geometry chunks are parsed into the document, surfaces and every other
// object-level chunk are kept as raw bytes.
#include <string>
#include <vector>

#include "io/lwo_ids.h"
#include "io/lwo_read.h"
#include "io/lwo_read_state.h"

namespace zelkor::io {

namespace {

using namespace lwo;

// Larger dimensions occur in no known map type; the cap keeps one map entry from asking for
// gigabytes of dense storage.
constexpr int kMaxMapDimension = 64;

// The dimension a map type must have, or -1 when any is allowed.
int required_dimension(LWID type) {
    switch (type) {
        case LWVMAP_TXUV: return 2;
        case LWVMAP_WGHT:
        case LWVMAP_MNVW: return 1;
        case LWVMAP_MORF:
        case LWVMAP_SPOT:
        case kMapNorm: return 3;
        case kMapPick: return 0;
        default: return -1;
    }
}

bool dimension_fits(LWID type, int dimension) {
    if (type == kMapRgb || type == kMapRgba) return dimension == 3 || dimension == 4;
    int required = required_dimension(type);
    return required < 0 || dimension == required;
}

// Tags whose value is a TAGS index; other kinds hold a raw number.

class Lwo2Reader {
public:
    Lwo2Reader(std::span<const std::uint8_t> file, const std::filesystem::path& name) : state_(file, name) {}

    host::Document read(const IffForm& form) {
        for (const IffChunk& chunk : form.chunks) read_chunk(chunk);
        return state_.take_document();
    }

private:
    void read_chunk(const IffChunk& chunk) {
        ChunkCursor in = state_.cursor(chunk);
        std::vector<std::uint8_t> vmpa = std::move(pending_vmpa_);
        pending_vmpa_.clear();
        switch (chunk.id) {
            case kTags: read_tags(in); break;
            case kLayr: read_layer(in); break;
            case kPnts: state_.read_points(in); break;
            case kBbox: state_.layer(); break;  // recomputed on writing, never trusted
            case kVmpa: {
                state_.layer();
                auto data = in.rest();
                pending_vmpa_.assign(data.begin(), data.end());
                break;
            }
            case kVmap: read_vmap(in, std::move(vmpa)); break;
            case kVmad: read_vmad(in, std::move(vmpa)); break;
            case kPols: read_polygons(in); break;
            case kPtag: read_polygon_tags(in); break;
            case kSurf: read_surface(in); break;
            default: {
                auto data = in.rest();
                state_.document().chunks.push_back({chunk.id, {data.begin(), data.end()}});
            }
        }
    }

    void read_tags(ChunkCursor& in) {
        host::Document& doc = state_.document();
        // A later TAGS chunk continues the list; the PTAGs after it count from its first name.
        tag_base_ = doc.tags.size();
        while (!in.at_end()) doc.tags.push_back(in.s0());
    }

    void read_layer(ChunkCursor& in) {
        host::Layer layer;
        layer.number = in.u2();
        layer.flags = in.u2();
        for (double& p : layer.pivot) p = in.f4();
        layer.name = in.s0();
        if (in.remaining() >= 2) {
            std::uint16_t parent = in.u2();
            layer.parent = parent == 0xFFFF ? -1 : int(parent);
        }
        state_.open_layer(std::move(layer));
    }

    void read_polygons(ChunkCursor& in) {
        LWID type = in.id4();
        in.set_label("POLS " + host::id_text(type));
        state_.start_polygons();
        while (!in.at_end()) {
            std::size_t at = in.offset();
            std::uint16_t word = in.u2();
            std::uint32_t count = word & 0x03FF;
            if (count == 0) in.fail(at, "polygon with 0 vertices");
            corners_.clear();
            for (std::uint32_t i = 0; i < count; ++i) {
                std::size_t index_at = in.offset();
                corners_.push_back(state_.point_index(in, index_at, in.vx()));
            }
            state_.add_polygon(in, at, type, corners_, std::uint16_t(word & 0xFC00));
        }
    }

    void read_polygon_tags(ChunkCursor& in) {
        LWID type = in.id4();
        in.set_label("PTAG " + host::id_text(type));
        bool names_a_tag = host::names_a_tag(type);
        std::size_t tag_count = state_.document().tags.size();
        while (!in.at_end()) {
            std::size_t polygon_at = in.offset();
            std::uint32_t polygon = state_.polygon_index(in, polygon_at, in.vx());
            std::size_t tag_at = in.offset();
            std::size_t value = in.u2();
            if (names_a_tag) {
                value += tag_base_;
                if (value >= tag_count)
                    in.fail(tag_at, "tag " + std::to_string(value) + ", TAGS has " + counted(tag_count, "name"));
            }
            state_.set_tag(in, polygon_at, type, polygon, std::int32_t(value));
        }
    }

    // The part both map chunks start with: type, dimension, name.
    struct MapHeader {
        LWID type;
        int dimension;
        std::string name;
    };

    MapHeader read_map_header(ChunkCursor& in) {
        MapHeader header;
        header.type = in.id4();
        std::size_t dimension_at = in.offset();
        header.dimension = in.u2();
        header.name = in.s0();
        in.set_label(host::id_text(in.chunk().id) + " \"" + header.name + "\"");
        if (header.dimension > kMaxMapDimension)
            in.fail(dimension_at, "dimension " + std::to_string(header.dimension) + ", at most " +
                                      std::to_string(kMaxMapDimension) + " supported");
        if (!dimension_fits(header.type, header.dimension))
            in.fail(dimension_at, "dimension " + std::to_string(header.dimension) + " does not fit map type " +
                                      host::id_text(header.type));
        return header;
    }

    void read_values(ChunkCursor& in, int dimension) {
        values_.resize(std::size_t(dimension) + 1);  // never empty, so data() is always valid
        for (int i = 0; i < dimension; ++i) values_[std::size_t(i)] = in.f4();
    }

    // A map split over several chunks keeps one dimension.
    static void require_same_dimension(ChunkCursor& in, const MapHeader& header, int earlier) {
        if (earlier == header.dimension) return;
        in.fail(in.chunk().data_offset + 4, "dimension " + std::to_string(header.dimension) +
                                                ", an earlier chunk of this map has " + std::to_string(earlier));
    }

    void read_vmap(ChunkCursor& in, std::vector<std::uint8_t> vmpa) {
        MapHeader header = read_map_header(in);
        host::VertexMap* map = state_.find_vmap(header.type, header.name);
        if (!map) {
            map = &state_.add_vmap(header.type, header.name, header.dimension);
            map->vmpa = std::move(vmpa);
        } else {
            require_same_dimension(in, header, map->dimension);
        }
        while (!in.at_end()) {
            std::size_t at = in.offset();
            std::uint32_t point = state_.point_index(in, at, in.vx());
            read_values(in, header.dimension);
            state_.set_map_value(in, at, *map, point, values_.data());
        }
    }

    void read_vmad(ChunkCursor& in, std::vector<std::uint8_t> vmpa) {
        MapHeader header = read_map_header(in);
        host::DiscontinuousMap* map = state_.find_vmad(header.type, header.name);
        if (!map) {
            map = &state_.add_vmad(header.type, header.name, header.dimension);
            map->vmpa = std::move(vmpa);
        } else {
            require_same_dimension(in, header, map->dimension);
        }
        // A point that is not a corner of its polygon is kept: harmless, and seen in no real file.
        while (!in.at_end()) {
            std::size_t point_at = in.offset();
            std::uint32_t point = state_.point_index(in, point_at, in.vx());
            std::size_t polygon_at = in.offset();
            std::uint32_t polygon = state_.polygon_index(in, polygon_at, in.vx());
            read_values(in, header.dimension);
            map->points.push_back(point);
            map->polygons.push_back(polygon);
            map->values.insert(map->values.end(), values_.begin(), values_.begin() + header.dimension);
        }
    }

    void read_surface(ChunkCursor& in) {
        host::Surface surface;
        auto data = in.rest();
        surface.lwo2_data.assign(data.begin(), data.end());
        ChunkCursor name_in = state_.cursor(in.chunk());
        surface.name = name_in.s0();
        state_.document().surfaces.push_back(std::move(surface));
    }

    LwoReadState state_;
    std::size_t tag_base_ = 0;
    std::vector<std::uint8_t> pending_vmpa_;  // a VMPA belongs to the map chunk right after it
    std::vector<std::uint32_t> corners_;
    std::vector<float> values_;
};

}  // namespace

host::Document read_lwo2_form(const IffForm& form, std::span<const std::uint8_t> file,
                              const std::filesystem::path& name_for_errors) {
    return Lwo2Reader(file, name_for_errors).read(form);
}

}  // namespace zelkor::io
