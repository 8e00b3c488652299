// Small documents for the host tests, and a text dump of everything a session can change, so that
// "unchanged" is one comparison whose failure shows the difference.
#pragma once

#include <cstdint>
#include <sstream>
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
    return layer.add_polygon(LWPOLTYPE_FACE, std::vector<std::uint32_t>{a, a + 1, a + 2, a + 3});
}

// Index 0 (number 0): two quads, the first of surface "Ground". Index 1 (number 4): a quad at
// y = 5 with every tag kind, flag bits, a UV map on points 0 and 2 and a weight map on point 1.
// Index 2 (number 7): a quad and a subdivision patch.
inline Document scene() {
    Document d;
    add_up_quad(add_layer(d, 0), 0, 0);
    add_up_quad(d.layers[0], 2, 0);
    d.layers[0].set_tag(LWPTAG_SURF, 0, d.tag_index("Ground"));
    Layer& b = add_layer(d, 4);
    add_up_quad(b, 0, 5);
    b.set_tag(LWPTAG_SURF, 0, d.tag_index("Bark"));
    b.set_tag(LWPTAG_PART, 0, d.tag_index("Trunk"));
    b.set_tag(LWPTAG_SMGP, 0, 3);
    b.set_tag(LWID_('S', 'O', 'F', 'T'), 0, 42);
    b.poly_flag_bits[0] = 0x400;
    const float uv0[2] = {0.25f, 0.5f}, uv2[2] = {1.0f, 0.75f}, w1 = 0.5f;
    b.vmap(LWVMAP_TXUV, "Bark UV", 2).set(0, uv0);
    b.vmap(LWVMAP_TXUV, "Bark UV", 2).set(2, uv2);
    b.vmap(LWVMAP_WGHT, "Height", 1).set(1, &w1);
    add_up_quad(add_layer(d, 7), 0, 1);
    d.layers[2].add_polygon(LWPOLTYPE_SUBD, std::vector<std::uint32_t>{0, 1, 2});
    d.surfaces = {{"Ground", {}}, {"Bark", {}}};
    return d;
}

inline std::vector<double> xyz(const double* v) { return {v[0], v[1], v[2]}; }

inline std::string dump(const Document& document) {
    std::ostringstream out;
    out << std::hexfloat;  // every bit of a value
    auto list = [&out](const std::string& label, const auto& values) {
        out << '\n' << label;
        for (auto v : values) out << ' ' << +v;
    };
    for (const std::string& tag : document.tags) out << "tag " << tag << '\n';
    for (const Surface& s : document.surfaces) out << "surface " << s.name << '\n';
    for (const Layer& l : document.layers) {
        out << "layer " << l.number;
        list("positions", l.positions);
        list("types", l.poly_type);
        list("flags", l.poly_flag_bits);
        list("selected", l.poly_selected);
        list("starts", l.poly_start);
        list("points", l.poly_points);
        for (const PolygonTags& t : l.poly_tags) list("tags " + id_text(t.type), t.values);
        for (const VertexMap& m : l.vmaps) {
            out << "\nvmap " << id_text(m.type) << ' ' << m.name << " dim " << m.dimension;
            m.for_each_value([&](std::uint32_t point, const float* v) {
                out << " p" << point;
                for (int d = 0; d < m.dimension; ++d) out << ' ' << v[d];
            });
        }
        out << '\n';
    }
    return out.str();
}

}  // namespace zelkor::host::testing
