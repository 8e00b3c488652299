// OBJ writing: every layer into one point list, the first UV map, surfaces as `usemtl` and parts
// as `g`. Numbers are written in the shortest form that reads back to the same value, so a
// document read from OBJ is written back as it was read.
#include "io/obj.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <map>
#include <optional>
#include <unordered_set>

#include "io/atomic_file.h"
#include "io/dropped_data.h"
#include "io/surface_look.h"

namespace zelkor::io {

namespace {

using host::Document;
using host::Layer;

constexpr std::uint32_t kNoUv = 0xFFFFFFFFu;

template <typename Real>
void append_number(std::string& out, Real value) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

// The `vt` numbering of one layer's UVs: one per point with a value, one per distinct value a
// point takes on its own at some corners.
class UvNumbering {
public:
    // `first` is the index the layer's first `vt` gets.
    UvNumbering(const Layer& layer, const std::string& map_name, std::uint32_t first) : next_(first) {
        map_ = map_name.empty() ? nullptr : layer.find_vmap(LWVMAP_TXUV, map_name);
        if (map_) number_points(layer);
        for (const host::DiscontinuousMap& m : layer.vmads)
            if (m.type == LWVMAP_TXUV && m.name == map_name) number_corners(m);
    }

    // The vt lines, in the order of their numbers.
    const std::vector<float>& values() const { return values_; }
    std::uint32_t next_index() const { return next_; }

    // The vt of one corner, or kNoUv.
    std::uint32_t corner(std::uint32_t polygon, std::uint32_t point) const {
        auto it = std::lower_bound(corners_.begin(), corners_.end(), CornerUv{polygon, point, 0});
        if (it != corners_.end() && it->polygon == polygon && it->point == point) return it->uv;
        return point < by_point_.size() ? by_point_[point] : kNoUv;
    }

private:
    struct CornerUv {
        std::uint32_t polygon, point, uv;
        bool operator<(const CornerUv& o) const { return polygon != o.polygon ? polygon < o.polygon : point < o.point; }
    };

    std::uint32_t add(const float* uv) {
        values_.insert(values_.end(), uv, uv + 2);
        return next_++;
    }

    void number_points(const Layer& layer) {
        by_point_.assign(layer.point_count(), kNoUv);
        for (std::uint32_t p = 0; p < by_point_.size(); ++p)
            if (map_->has_value(p)) by_point_[p] = add(map_->value(p));
    }

    // Corners of one point with the same value share one vt.
    void number_corners(const host::DiscontinuousMap& m) {
        std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::uint32_t> by_value;
        for (std::size_t i = 0; i < m.entry_count(); ++i) {
            const float* uv = &m.values[i * std::size_t(m.dimension)];
            auto key = std::make_tuple(m.points[i], std::bit_cast<std::uint32_t>(uv[0]), std::bit_cast<std::uint32_t>(uv[1]));
            auto [it, added] = by_value.try_emplace(key, 0);
            if (added) it->second = add(uv);
            corners_.push_back({m.polygons[i], m.points[i], it->second});
        }
        std::sort(corners_.begin(), corners_.end());
    }

    const host::VertexMap* map_ = nullptr;
    std::uint32_t next_;
    std::vector<float> values_;
    std::vector<std::uint32_t> by_point_;
    std::vector<CornerUv> corners_;
};

// The name of a polygon's SURF or PART tag, or empty.
std::string_view tag_name(const Document& document, const Layer& layer, LWID kind, std::size_t polygon) {
    std::int32_t tag = layer.tag(kind, polygon);
    if (tag < 0 || std::size_t(tag) >= document.tags.size()) return {};
    return document.tags[std::size_t(tag)];
}

// The surface a FACE polygon is written under, or nothing for a polygon OBJ leaves out.
std::optional<std::string_view> face_surface(const Document& document, const Layer& layer, std::size_t polygon) {
    if (layer.poly_type[polygon] != LWPOLTYPE_FACE || layer.polygon(polygon).empty()) return std::nullopt;
    std::string_view surface = tag_name(document, layer, LWPTAG_SURF, polygon);
    return surface.empty() ? "Default" : surface;
}

class ObjWriter {
public:
    ObjWriter(const Document& document, std::string uv_map, std::string mtl_name)
        : document_(document), uv_map_(std::move(uv_map)), mtl_name_(std::move(mtl_name)) {}

    std::string write() {
        out_ += "# Wavefront OBJ written by Zelkor\n";
        if (!mtl_name_.empty()) {
            out_ += "mtllib ";
            out_ += mtl_name_;
            out_ += '\n';
        }
        for (const Layer& layer : document_.layers) write_points(layer);
        std::uint32_t first_uv = 0;
        for (const Layer& layer : document_.layers) {
            uvs_.emplace_back(layer, uv_map_, first_uv);
            first_uv = uvs_.back().next_index();
            write_uvs(uvs_.back());
        }
        std::uint32_t first_point = 0;
        for (std::size_t i = 0; i < document_.layers.size(); ++i) {
            write_polygons(document_.layers[i], uvs_[i], first_point);
            first_point += std::uint32_t(document_.layers[i].point_count());
        }
        return std::move(out_);
    }

private:
    // Left-handed to right-handed: z negated.
    void write_points(const Layer& layer) {
        for (std::size_t p = 0; p < layer.point_count(); ++p) {
            const double* xyz = layer.position(p);
            out_ += "v ";
            // As every other format holds them: the shortest text that reads back to the same
            // float (a double's 17 digits make the file a fifth larger for nothing).
            append_number(out_, float(xyz[0]));
            out_ += ' ';
            append_number(out_, float(xyz[1]));
            out_ += ' ';
            append_number(out_, -float(xyz[2]));
            out_ += '\n';
        }
    }

    void write_uvs(const UvNumbering& uvs) {
        const std::vector<float>& values = uvs.values();
        for (std::size_t i = 0; i < values.size(); i += 2) {
            out_ += "vt ";
            append_number(out_, values[i]);
            out_ += ' ';
            append_number(out_, values[i + 1]);
            out_ += '\n';
        }
    }

    void write_polygons(const Layer& layer, const UvNumbering& uvs, std::uint32_t first_point) {
        for (std::size_t polygon = 0; polygon < layer.polygon_count(); ++polygon) {
            const std::optional<std::string_view> surface = face_surface(document_, layer, polygon);
            if (!surface) continue;
            std::span<const std::uint32_t> points = layer.polygon(polygon);
            switch_part(tag_name(document_, layer, LWPTAG_PART, polygon));
            switch_surface(*surface);
            out_ += 'f';
            // Left-handed to right-handed: a b c d -> a d c b.
            write_corner(points[0], uvs, polygon, first_point);
            for (std::size_t k = points.size() - 1; k > 0; --k) write_corner(points[k], uvs, polygon, first_point);
            out_ += '\n';
        }
    }

    void write_corner(std::uint32_t point, const UvNumbering& uvs, std::size_t polygon, std::uint32_t first_point) {
        out_ += ' ';
        append_number(out_, std::uint64_t(first_point) + point + 1);
        std::uint32_t uv = uvs.corner(std::uint32_t(polygon), point);
        if (uv == kNoUv) return;
        out_ += '/';
        append_number(out_, std::uint64_t(uv) + 1);
    }

    void switch_surface(std::string_view name) {
        if (has_surface_ && name == surface_) return;
        has_surface_ = true;
        surface_ = name;
        out_ += "usemtl ";
        out_ += name;
        out_ += '\n';
    }

    // `g default` ends a part: OBJ's name for the group of polygons that have none.
    void switch_part(std::string_view name) {
        if (name == part_) return;
        part_ = name;
        out_ += "g ";
        out_ += name.empty() ? kNoGroup : name;
        out_ += '\n';
    }

    const Document& document_;
    std::string uv_map_;
    std::string mtl_name_;
    std::string out_;
    std::vector<UvNumbering> uvs_;
    bool has_surface_ = false;
    std::string surface_;
    std::string part_;
};

// The first UV map of the first layer that has one.
std::string first_uv_map(const Document& document) {
    for (const Layer& layer : document.layers)
        for (const host::VertexMap& map : layer.vmaps)
            if (map.type == LWVMAP_TXUV) return map.name;
    return {};
}

// Kind of a map OBJ leaves out; UV maps other than the one written are named after it.
std::string dropped_map_kind(LWID type, const std::string& uv_map) {
    if (type == LWVMAP_TXUV && !uv_map.empty()) return "UV maps other than " + uv_map + ":";
    return map_kind(type);
}

std::vector<std::string> dropped_by_obj(const Document& document, const std::string& uv_map) {
    DroppedData dropped;
    for (const Layer& layer : document.layers) {
        for (const host::VertexMap& map : layer.vmaps)
            if (!(map.type == LWVMAP_TXUV && map.name == uv_map)) dropped.add(dropped_map_kind(map.type, uv_map), map.name);
        for (const host::DiscontinuousMap& map : layer.vmads)
            if (!(map.type == LWVMAP_TXUV && map.name == uv_map)) dropped.add(dropped_map_kind(map.type, uv_map), map.name);
        for (std::size_t polygon = 0; polygon < layer.polygon_count(); ++polygon)
            if (layer.poly_type[polygon] != LWPOLTYPE_FACE)
                dropped.count("polygons other than faces:", host::id_text(layer.poly_type[polygon]));
    }
    return dropped.lines();
}

}  // namespace

std::string encode_obj(const host::Document& document, std::vector<std::string>* warnings, const std::string& mtl_name) {
    std::string uv_map = first_uv_map(document);
    if (warnings) *warnings = dropped_by_obj(document, uv_map);
    return ObjWriter(document, uv_map, mtl_name).write();
}

std::string encode_mtl(const host::Document& document) {
    std::vector<std::string_view> names;  // in order of first use
    std::unordered_set<std::string_view> seen;
    for (const Layer& layer : document.layers)
        for (std::size_t polygon = 0; polygon < layer.polygon_count(); ++polygon)
            if (const std::optional<std::string_view> name = face_surface(document, layer, polygon); name && seen.insert(*name).second)
                names.push_back(*name);
    const SurfaceLooks looks(document);
    std::string out = "# Wavefront materials written by Zelkor\n";
    for (std::string_view name : names) {
        const SurfaceLook look = looks(name);
        out.append("newmtl ").append(name).append("\nKd");
        for (float c : look.colour) {
            out += ' ';
            append_number(out, std::clamp(c * look.diffuse, 0.0f, 1.0f));
        }
        out += "\nKs";
        for (int k = 0; k < 3; ++k) {
            out += ' ';
            append_number(out, std::clamp(look.specular, 0.0f, 1.0f));
        }
        out += "\n";
    }
    return out;
}

std::vector<std::string> write_obj(const host::Document& document, AtomicOutput& output, AtomicOutput* mtl) {
    std::vector<std::string> warnings;
    const std::string mtl_name = mtl ? mtl->path().filename().string() : std::string();
    const std::string text = encode_obj(document, &warnings, mtl_name);
    output.write_now(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (mtl) {
        const std::string materials = encode_mtl(document);
        mtl->write_now(std::span(reinterpret_cast<const std::uint8_t*>(materials.data()), materials.size()));
    }
    return warnings;
}

}  // namespace zelkor::io
