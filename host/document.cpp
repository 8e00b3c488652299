#include "host/document.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>

namespace zelkor::host {

std::string id_text(LWID id) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((id >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08X", unsigned(id));
            return hex;
        }
        text += c;
    }
    return text;
}

void VertexMap::set(std::uint32_t point, const float* v) {
    const std::uint32_t block = point / kPagePoints;
    if (block >= page_by_block_.size()) page_by_block_.resize(std::size_t(block) + 1, kNoPage);
    std::uint32_t& page = page_by_block_[block];
    if (page == kNoPage) {
        page = std::uint32_t(has_.size() / kPagePoints);
        has_.resize(has_.size() + kPagePoints, 0);
        values_.resize(values_.size() + std::size_t(kPagePoints) * dimension, 0.0f);
    }
    const std::size_t slot = std::size_t(page) * kPagePoints + point % kPagePoints;
    has_[slot] = 1;
    float* to = values_.data() + slot * dimension;
    // The usual dimensions as fixed-size copies: a plug-in sets millions of values one at a time.
    switch (dimension) {
        case 1: std::memcpy(to, v, sizeof(float)); break;
        case 2: std::memcpy(to, v, 2 * sizeof(float)); break;
        case 3: std::memcpy(to, v, 3 * sizeof(float)); break;
        case 4: std::memcpy(to, v, 4 * sizeof(float)); break;
        default: std::copy(v, v + dimension, to);
    }
    span_ = std::max(span_, point + 1);
}

void VertexMap::clear(std::uint32_t point) {
    const std::uint32_t page = page_of(point);
    if (page != kNoPage) has_[std::size_t(page) * kPagePoints + point % kPagePoints] = 0;
}

std::size_t VertexMap::value_count() const {
    std::size_t count = 0;
    for_each_value([&](std::uint32_t, const float*) { ++count; });
    return count;
}

void VertexMap::truncate(std::uint32_t span) {
    if (span >= span_) return;
    for (std::uint32_t point = span; point < span_ && point % kPagePoints != 0; ++point) clear(point);
    const std::uint32_t first_whole_block = (span + kPagePoints - 1) / kPagePoints;
    if (first_whole_block < page_by_block_.size()) {
        // Pages are appended in the order they were made: when every page from the first one
        // dropped onwards is dropped, their storage goes too.
        std::uint32_t lowest = kNoPage;
        std::size_t dropped = 0;
        for (std::size_t b = first_whole_block; b < page_by_block_.size(); ++b)
            if (page_by_block_[b] != kNoPage) {
                lowest = std::min(lowest, page_by_block_[b]);
                ++dropped;
            }
        page_by_block_.resize(first_whole_block);
        if (lowest != kNoPage && has_.size() / kPagePoints - lowest == dropped) {
            has_.resize(std::size_t(lowest) * kPagePoints);
            values_.resize(std::size_t(lowest) * kPagePoints * dimension);
        }
    }
    span_ = span;
}

std::size_t VertexMap::bytes_to_set(std::uint32_t point) const {
    if (page_of(point) != kNoPage) return 0;
    return kPagePoints * (1 + sizeof(float) * std::size_t(dimension));
}

namespace {

template <class T>
std::span<std::byte> room_after(FlatArray<T>& array, std::size_t count) {
    if (array.capacity() * sizeof(T) < large_block::kThreshold) return {};
    const std::span<std::byte> spare = array.spare_bytes();
    return spare.first(std::min(spare.size(), count * sizeof(T)));
}

}  // namespace

std::array<std::span<std::byte>, 2> VertexMap::room_for_pages(std::size_t pages) {
    return {room_after(values_, pages * kPagePoints * std::size_t(dimension)), room_after(has_, pages * kPagePoints)};
}

bool VertexMap::same_values(const VertexMap& other) const {
    if (value_count() != other.value_count()) return false;
    bool same = true;
    for_each_value([&](std::uint32_t point, const float* v) {
        same = same && other.has_value(point) &&
               std::memcmp(v, other.value(point), sizeof(float) * std::size_t(dimension)) == 0;
    });
    return same;
}

std::uint32_t Layer::add_point(double x, double y, double z) {
    positions.push_back(x);
    positions.push_back(y);
    positions.push_back(z);
    return std::uint32_t(point_count() - 1);
}

std::uint32_t Layer::add_polygon(LWID type, std::span<const std::uint32_t> points, std::uint16_t flag_bits) {
    poly_type.push_back(type);
    poly_flag_bits.push_back(flag_bits);
    poly_selected.push_back(0);
    for (std::uint32_t point : points) poly_points.push_back(point);
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
    for (const PolygonTags& t : poly_tags)
        if (t.type == type) return &t;
    return nullptr;
}

PolygonTags& Layer::tags_of(LWID type) {
    if (PolygonTags* t = find_tags(type)) return *t;
    poly_tags.push_back({type, FlatArray<std::int32_t>(polygon_count(), kNoTag)});
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
    for (const VertexMap& m : vmaps)
        if (m.type == type && m.name == name) return &m;
    return nullptr;
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
