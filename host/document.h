// The modeller's in-memory mesh document: layers of points and polygons with their tags and
// vertex maps. It knows nothing of files (io/ reads and writes it) nor of plug-ins (the session
// in host/ edits it for them).
//
// Storage is flat so that scenes of millions of elements stay compact: positions in one array,
// polygons as offsets into one array of point indices, vertex maps as one value array each.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "api/host_api.h"
#include "host/flat_array.h"

namespace zelkor::host {

// Per-point values of one vertex map (type, name) in one layer.
//
// Values live in pages of 256 consecutive points; a page is made when one of its points first gets
// a value. A dense map costs what one flat array costs, and a map whose values sit on a few
// stretches of points (a morph map that only some clones write) costs only those stretches.
class VertexMap {
public:
    static constexpr std::uint32_t kPagePoints = 256;

    LWID type = 0;
    std::string name;
    int dimension = 0;
    std::vector<std::uint8_t> vmpa;  // raw VMPA data read just before this map (LWO), or empty

    bool has_value(std::uint32_t point) const {
        const std::uint32_t page = page_of(point);
        return page != kNoPage && has_[std::size_t(page) * kPagePoints + point % kPagePoints] != 0;
    }
    // The point's `dimension` values; only meaningful when has_value(point).
    const float* value(std::uint32_t point) const {
        return values_.data() + (std::size_t(page_of(point)) * kPagePoints + point % kPagePoints) * dimension;
    }
    void set(std::uint32_t point, const float* v);
    void clear(std::uint32_t point);
    std::size_t value_count() const;  // number of points that have a value
    // No point at or above the span has a value.
    std::uint32_t point_span() const { return span_; }
    // Forgets the values of every point at or above `span`.
    void truncate(std::uint32_t span);
    // Memory that set(point, ...) would add: a new page, or nothing.
    std::size_t bytes_to_set(std::uint32_t point) const;
    std::size_t page_count() const { return has_.size() / kPagePoints; }
    const void* storage() const { return values_.data(); }  // moves when the map grows
    // The room after the last page for `pages` more (their values, then their marks), where set()
    // makes its next pages: for a map large enough to have mappings of its own, else empty, and
    // no more than the arrays hold.
    std::array<std::span<std::byte>, 2> room_for_pages(std::size_t pages);

    // Calls visit(first_point, marks, values) for every page, in ascending point order: the page
    // holds the kPagePoints points from first_point on, with a mark each (non-zero where the point
    // has a value) and `dimension` values each.
    template <class Visit>
    void for_each_page(Visit visit) const {
        for (std::uint32_t block = 0; block < page_by_block_.size(); ++block) {
            const std::uint32_t page = page_by_block_[block];
            if (page == kNoPage) continue;
            const std::size_t first = std::size_t(page) * kPagePoints;
            visit(block * kPagePoints, has_.data() + first, values_.data() + first * dimension);
        }
    }

    // Calls visit(point, values) for every point with a value, in ascending point order.
    template <class Visit>
    void for_each_value(Visit visit) const {
        for_each_page([&](std::uint32_t first, const std::uint8_t* marks, const float* values) {
            for (std::uint32_t k = 0; k < kPagePoints; ++k)
                if (marks[k]) visit(first + k, values + std::size_t(k) * dimension);
        });
    }

    // Same points with the same value bits (page layout aside).
    bool same_values(const VertexMap& other) const;

    // Every value the pages hold, of points with and without a value (a cleared point keeps
    // its old one): for scans that only need to know that nothing stored is out of range.
    std::span<const float> stored_values() const { return {values_.data(), values_.size()}; }

private:
    static constexpr std::uint32_t kNoPage = 0xFFFFFFFFu;
    std::uint32_t page_of(std::uint32_t point) const {
        const std::uint32_t block = point / kPagePoints;
        return block < page_by_block_.size() ? page_by_block_[block] : kNoPage;
    }

    FlatArray<std::uint32_t> page_by_block_;  // page index per block of kPagePoints points
    FlatArray<float> values_;                 // kPagePoints * dimension floats per page
    FlatArray<std::uint8_t> has_;             // kPagePoints marks per page
    std::uint32_t span_ = 0;
};

// Per-polygon-corner values (discontinuous maps), kept as they were read.
struct DiscontinuousMap {
    LWID type = 0;
    std::string name;
    int dimension = 0;
    std::vector<std::uint32_t> points;    // one entry per corner value
    std::vector<std::uint32_t> polygons;  // same length as `points`
    std::vector<float> values;            // `dimension` floats per entry
    std::vector<std::uint8_t> vmpa;

    std::size_t entry_count() const { return points.size(); }
};

// One kind of polygon tag (SURF, PART, SMGP, COLR, ...): a value per polygon, -1 for none.
// SURF, PART and COLR values index Document::tags; other kinds hold the raw number.
struct PolygonTags {
    LWID type = 0;
    FlatArray<std::int32_t> values;
};

constexpr std::int32_t kNoTag = -1;

// Whether values of this tag kind index Document::tags (surface, part and colour names) rather
// than being numbers of their own.
inline bool names_a_tag(LWID type) { return type == LWPTAG_SURF || type == LWPTAG_PART || type == LWPTAG_COLR; }

// A four-character code as its text ("FACE"), or as 0x followed by eight hex digits when a
// character is not printable.
std::string id_text(LWID id);

struct Layer {
    int number = 0;  // as stored in files: 0 for the first layer a modeller shows as "1"
    std::string name;
    std::uint16_t flags = 0;  // bit 0: hidden
    std::array<double, 3> pivot{0, 0, 0};
    int parent = -1;  // number of the parent layer, -1 for none

    FlatArray<double> positions;  // x, y, z per point

    FlatArray<LWID> poly_type;
    FlatArray<std::uint16_t> poly_flag_bits;  // high bits of a file's vertex-count word, kept
    FlatArray<std::uint8_t> poly_selected;    // 1 where the polygon is selected
    FlatArray<std::uint32_t> poly_start{0};   // polygon i uses poly_points[poly_start[i] .. poly_start[i+1])
    FlatArray<std::uint32_t> poly_points;
    std::vector<PolygonTags> poly_tags;

    std::vector<VertexMap> vmaps;
    std::vector<DiscontinuousMap> vmads;

    std::size_t point_count() const { return positions.size() / 3; }
    std::size_t polygon_count() const { return poly_type.size(); }
    std::span<const std::uint32_t> polygon(std::size_t i) const {
        return {poly_points.data() + poly_start[i], poly_start[i + 1] - poly_start[i]};
    }
    const double* position(std::size_t point) const { return positions.data() + 3 * point; }

    std::uint32_t add_point(double x, double y, double z);
    // Adds a polygon without tags; every tag kind of the layer gets kNoTag for it.
    std::uint32_t add_polygon(LWID type, std::span<const std::uint32_t> points, std::uint16_t flag_bits = 0);

    PolygonTags* find_tags(LWID type);
    const PolygonTags* find_tags(LWID type) const;
    PolygonTags& tags_of(LWID type);  // created, all kNoTag, when missing
    std::int32_t tag(LWID type, std::size_t polygon) const;  // kNoTag when none
    void set_tag(LWID type, std::size_t polygon, std::int32_t value);

    VertexMap* find_vmap(LWID type, std::string_view name);
    const VertexMap* find_vmap(LWID type, std::string_view name) const;
    VertexMap& vmap(LWID type, std::string_view name, int dimension);  // created when missing
};

// An object-level chunk carried through unchanged (clips, envelopes, descriptions, ...).
struct RawChunk {
    LWID id = 0;
    std::vector<std::uint8_t> data;
};

// A surface by name. `lwo2_data` is the data of its LWO2 SURF chunk (name included) when it came
// from an LWO2 file; surfaces from other formats carry only the name.
struct Surface {
    std::string name;
    std::vector<std::uint8_t> lwo2_data;
};

struct Document {
    std::vector<std::string> tags;  // names that polygon tags refer to: surfaces, parts, colours
    std::vector<Layer> layers;
    std::vector<Surface> surfaces;
    std::vector<RawChunk> chunks;   // other object-level chunks, in file order

    int find_tag(std::string_view name) const;  // -1 when missing
    int tag_index(std::string_view name);       // appended when missing
    const Surface* find_surface(std::string_view name) const;
    Layer* find_layer(int number);
};

}  // namespace zelkor::host
