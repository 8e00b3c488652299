// Small documents for the host tests, and a text dump of everything a session can change, so that
// "unchanged" is one comparison whose failure shows the difference.
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

// A unit quad in the plane y = height, facing +Y, with its four points appended to the layer.
inline std::uint32_t add_up_quad(Layer& layer, double x, double height) {
    const std::uint32_t a = layer.add_point(x, height, 0);
    layer.add_point(x, height, 1);
    layer.add_point(x + 1, height, 1);
    layer.add_point(x + 1, height, 0);
    const std::vector<std::uint32_t> points = {a, a + 1, a + 2, a + 3};
    return layer.add_polygon(LWPOLTYPE_FACE, points);
}

inline std::string dump(const Document& document) {
    std::string out;
    auto hex = [](double v) {  // every bit of the value
        char text[64];
        std::snprintf(text, sizeof text, " %a", v);
        return std::string(text);
    };
    for (const std::string& tag : document.tags) out += "tag " + tag + "\n";
    for (const Surface& s : document.surfaces) out += "surface " + s.name + "\n";
    for (const Layer& l : document.layers) {
        // Appended piece by piece: GCC 12 misreads "text" + std::to_string(...) as an overlapping copy.
        auto put = [&out](const char* label, auto value) {
            out += label;
            out += std::to_string(value);
        };
        put("layer ", l.number);
        out += "\npositions";
        for (double v : l.positions) out += hex(v);
        out += "\npolygons";
        for (std::size_t i = 0; i < l.poly_type.size(); ++i) put(" t", l.poly_type[i]);
        for (std::uint16_t f : l.poly_flag_bits) put(" f", f);
        for (std::uint8_t s : l.poly_selected) put(" s", s);
        for (std::uint32_t s : l.poly_start) put(" o", s);
        for (std::uint32_t s : l.poly_points) put(" p", s);
        for (const PolygonTags& t : l.poly_tags) {
            put("\ntags ", t.type);
            for (std::int32_t v : t.values) put(" ", v);
        }
        for (const VertexMap& m : l.vmaps) {
            put("\nvmap ", m.type);
            out += " " + m.name;
            put(" dim ", m.dimension);
            m.for_each_value([&](std::uint32_t point, const float* v) {
                put(" p", point);
                for (int d = 0; d < m.dimension; ++d) out += hex(v[d]);
            });
        }
        out += "\n";
    }
    return out;
}

}  // namespace zelkor::host::testing
