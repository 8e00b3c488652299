#include "host/document.h"

#include <algorithm>
#include <cassert>

namespace zelkor::host {

void VertexMap::set(std::uint32_t point, const float* v) {
    if (point >= has.size()) {
        has.resize(std::size_t(point) + 1, 0);
        values.resize(has.size() * dimension, 0.0f);
    }
    has[point] = 1;
    std::copy(v, v + dimension, values.begin() + std::size_t(point) * dimension);
}

void VertexMap::clear(std::uint32_t point) {
    if (point < has.size()) has[point] = 0;
}

std::size_t VertexMap::value_count() const {
    return std::size_t(std::count(has.begin(), has.end(), std::uint8_t(1)));
}

std::uint32_t Layer::add_point(double x, double y, double z) {
    positions.insert(positions.end(), {x, y, z});
    return std::uint32_t(point_count() - 1);
}

std::uint32_t Layer::add_polygon(LWID type, std::span<const std::uint32_t> points, std::uint16_t flag_bits) {
    poly_type.push_back(type);
    poly_flag_bits.push_back(flag_bits);
    poly_selected.push_back(0);
    poly_points.insert(poly_points.end(), points.begin(), points.end());
    poly_start.push_back(std::uint32_t(poly_points.size()));
    for (PolygonTags& t : poly_tags) t.values.push_back(kNoTag);
    return std::uint32_t(polygon_count() - 1);
}

PolygonTags* Layer::find_tags(LWID type) {
    for (PolygonTags& t : poly_tags)
        if (t.type == type) return &t;
    return nullptr;
}

const PolygonTags* Layer::find_tags(LWID type) const {
    return const_cast<Layer*>(this)->find_tags(type);
}

PolygonTags& Layer::tags_of(LWID type) {
    if (PolygonTags* t = find_tags(type)) return *t;
    poly_tags.push_back({type, std::vector<std::int32_t>(polygon_count(), kNoTag)});
    return poly_tags.back();
}

std::int32_t Layer::tag(LWID type, std::size_t polygon) const {
    const PolygonTags* t = find_tags(type);
    return t ? t->values[polygon] : kNoTag;
}

void Layer::set_tag(LWID type, std::size_t polygon, std::int32_t value) {
    assert(polygon < polygon_count());
    tags_of(type).values[polygon] = value;
}

VertexMap* Layer::find_vmap(LWID type, std::string_view name) {
    for (VertexMap& m : vmaps)
        if (m.type == type && m.name == name) return &m;
    return nullptr;
}

const VertexMap* Layer::find_vmap(LWID type, std::string_view name) const {
    return const_cast<Layer*>(this)->find_vmap(type, name);
}

VertexMap& Layer::vmap(LWID type, std::string_view name, int dimension) {
    if (VertexMap* m = find_vmap(type, name)) return *m;
    VertexMap& m = vmaps.emplace_back();
    m.type = type;
    m.name = std::string(name);
    m.dimension = dimension;
    return m;
}

int Document::find_tag(std::string_view name) const {
    auto it = std::find(tags.begin(), tags.end(), name);
    return it == tags.end() ? -1 : int(it - tags.begin());
}

int Document::tag_index(std::string_view name) {
    int i = find_tag(name);
    if (i >= 0) return i;
    tags.emplace_back(name);
    return int(tags.size() - 1);
}

const Surface* Document::find_surface(std::string_view name) const {
    for (const Surface& s : surfaces)
        if (s.name == name) return &s;
    return nullptr;
}

Layer* Document::find_layer(int number) {
    for (Layer& l : layers)
        if (l.number == number) return &l;
    return nullptr;
}

}  // namespace zelkor::host
