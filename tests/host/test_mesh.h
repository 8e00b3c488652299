// Small documents for the host tests, and a full text dump of a document so that "unchanged" can
// be checked field by field with one comparison whose failure shows the difference.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "host/document.h"

namespace zelkor::host::testing {

inline Layer& add_layer(Document& document, int number) {
    Layer& layer = document.layers.emplace_back();
    layer.number = number;
    return layer;
}

inline std::uint32_t add_polygon(Layer& layer, std::initializer_list<std::uint32_t> points, LWID type = LWPOLTYPE_FACE) {
    const std::vector<std::uint32_t> list(points);
    return layer.add_polygon(type, list);
}

// A unit quad in the plane y = height, facing +Y, with its four points appended to the layer.
inline std::uint32_t add_up_quad(Layer& layer, double x, double height) {
    const std::uint32_t a = layer.add_point(x, height, 0);
    layer.add_point(x, height, 1);
    layer.add_point(x + 1, height, 1);
    layer.add_point(x + 1, height, 0);
    return add_polygon(layer, {a, a + 1, a + 2, a + 3});
}

inline std::string hex_double(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", v);
    return text;
}

inline std::string dump(const Document& document) {
    std::string out;
    auto line = [&](const std::string& text) { out += text + "\n"; };
    for (const std::string& tag : document.tags) line("tag " + tag);
    for (const Surface& s : document.surfaces) line("surface " + s.name + " " + std::to_string(s.lwo2_data.size()));
    for (const RawChunk& c : document.chunks) line("chunk " + std::to_string(c.id) + " " + std::to_string(c.data.size()));
    for (const Layer& l : document.layers) {
        line("layer " + std::to_string(l.number) + " " + l.name + " flags " + std::to_string(l.flags) + " parent " +
             std::to_string(l.parent));
        std::string p = "positions";
        for (double v : l.positions) p += " " + hex_double(v);
        line(p);
        std::string poly = "polygons";
        for (std::size_t i = 0; i < l.poly_type.size(); ++i) poly += " t" + std::to_string(l.poly_type[i]);
        for (std::uint16_t f : l.poly_flag_bits) poly += " f" + std::to_string(f);
        for (std::uint8_t s : l.poly_selected) poly += " s" + std::to_string(s);
        for (std::uint32_t s : l.poly_start) poly += " o" + std::to_string(s);
        for (std::uint32_t s : l.poly_points) poly += " p" + std::to_string(s);
        line(poly);
        for (const PolygonTags& t : l.poly_tags) {
            std::string tags = "tags " + std::to_string(t.type);
            for (std::int32_t v : t.values) tags += " " + std::to_string(v);
            line(tags);
        }
        for (const VertexMap& m : l.vmaps) {
            std::string map = "vmap " + std::to_string(m.type) + " " + m.name + " dim " + std::to_string(m.dimension) +
                              " vmpa " + std::to_string(m.vmpa.size());
            for (std::uint8_t h : m.has) map += " h" + std::to_string(h);
            for (float v : m.values) map += " " + hex_double(v);
            line(map);
        }
        for (const DiscontinuousMap& m : l.vmads) line("vmad " + m.name + " " + std::to_string(m.entry_count()));
    }
    return out;
}

}  // namespace zelkor::host::testing
