#include "io/lwo_read_state.h"

#include <cmath>
#include <string>

namespace zelkor::io {

LwoReadState::LwoReadState(std::span<const std::uint8_t> file, const std::filesystem::path& name_for_errors)
    : file_(file), name_(name_for_errors), memory_left_((std::size_t(64) << 20) + 64 * file.size()) {}

host::Layer& LwoReadState::layer() {
    if (!has_layer_) open_layer(host::Layer{});
    return doc_.layers[layer_index_];
}

void LwoReadState::open_layer(host::Layer layer) {
    doc_.layers.push_back(std::move(layer));
    layer_index_ = doc_.layers.size() - 1;
    has_layer_ = true;
    point_base_ = 0;
    polygon_base_ = 0;
}

void LwoReadState::read_points(ChunkCursor& in) {
    if (in.remaining() % 12 != 0)
        in.fail(in.chunk().header_offset, "size " + std::to_string(in.chunk().size) + " is not a multiple of 12");
    host::Layer& target = layer();
    point_base_ = std::uint32_t(target.point_count());
    target.positions.reserve(target.positions.size() + in.remaining() / 4);
    while (!in.at_end()) {
        std::size_t at = in.offset();
        float x = in.f4(), y = in.f4(), z = in.f4();
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
            in.fail(at, "point " + std::to_string(target.point_count()) + " has a coordinate that is not finite");
        target.positions.insert(target.positions.end(), {double(x), double(y), double(z)});
    }
}

std::uint32_t LwoReadState::point_index(const ChunkCursor& in, std::size_t at, std::uint32_t file_index) {
    host::Layer& target = layer();
    std::uint64_t index = std::uint64_t(point_base_) + file_index;
    if (index >= target.point_count())
        in.fail(at, "point index " + std::to_string(index) + ", layer " + std::to_string(target.number) + " has " +
                        counted(target.point_count(), "point"));
    return std::uint32_t(index);
}

std::uint32_t LwoReadState::polygon_index(const ChunkCursor& in, std::size_t at, std::uint32_t file_index) {
    host::Layer& target = layer();
    std::uint64_t index = std::uint64_t(polygon_base_) + file_index;
    if (index >= target.polygon_count())
        in.fail(at, "polygon index " + std::to_string(index) + ", layer " + std::to_string(target.number) +
                        " has " + counted(target.polygon_count(), "polygon"));
    return std::uint32_t(index);
}

void LwoReadState::add_polygon(const ChunkCursor& in, std::size_t at, LWID type,
                               std::span<const std::uint32_t> points, std::uint16_t flag_bits) {
    host::Layer& target = layer();
    charge(in, at, target.poly_tags.size() * sizeof(std::int32_t));
    target.add_polygon(type, points, flag_bits);
}

void LwoReadState::set_tag(const ChunkCursor& in, std::size_t at, LWID type, std::uint32_t polygon,
                           std::int32_t value) {
    host::Layer& target = layer();
    if (!target.find_tags(type)) charge(in, at, target.polygon_count() * sizeof(std::int32_t));
    target.set_tag(type, polygon, value);
}

void LwoReadState::set_map_value(const ChunkCursor& in, std::size_t at, host::VertexMap& map,
                                 std::uint32_t point, const float* values) {
    if (std::size_t bytes = map.bytes_to_set(point)) charge(in, at, bytes);
    map.set(point, values);
}

std::string LwoReadState::map_key(LWID type, const std::string& name, char kind) const {
    std::string key = std::to_string(layer_index_);
    key.append(1, kind).append(host::id_text(type)).append(1, ':').append(name);
    return key;
}

host::VertexMap* LwoReadState::find_vmap(LWID type, const std::string& name) {
    auto it = map_index_.find(map_key(type, name, 'p'));
    return it == map_index_.end() ? nullptr : &layer().vmaps[it->second];
}

host::VertexMap& LwoReadState::add_vmap(LWID type, const std::string& name, int dimension) {
    host::Layer& target = layer();
    map_index_.emplace(map_key(type, name, 'p'), target.vmaps.size());
    host::VertexMap& map = target.vmaps.emplace_back();
    map.type = type;
    map.name = name;
    map.dimension = dimension;
    return map;
}

host::DiscontinuousMap* LwoReadState::find_vmad(LWID type, const std::string& name) {
    auto it = map_index_.find(map_key(type, name, 'c'));
    return it == map_index_.end() ? nullptr : &layer().vmads[it->second];
}

host::DiscontinuousMap& LwoReadState::add_vmad(LWID type, const std::string& name, int dimension) {
    host::Layer& target = layer();
    map_index_.emplace(map_key(type, name, 'c'), target.vmads.size());
    host::DiscontinuousMap& map = target.vmads.emplace_back();
    map.type = type;
    map.name = name;
    map.dimension = dimension;
    return map;
}

void LwoReadState::charge(const ChunkCursor& in, std::size_t at, std::size_t bytes) {
    if (bytes > memory_left_)
        in.fail(at, "vertex maps and polygon tags would need more memory than a file of " +
                        std::to_string(file_.size()) + " bytes may ask for");
    memory_left_ -= bytes;
}

}  // namespace zelkor::io
