#include "host/session.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "host/handles.h"
#include "host/normals.h"

namespace zelkor::host {

struct Session::LayerStart {
    std::size_t positions = 0;
    std::size_t poly_type = 0;
    std::size_t poly_flag_bits = 0;
    std::size_t poly_selected = 0;
    std::size_t poly_start = 0;
    std::size_t poly_points = 0;
    std::vector<std::size_t> tag_values;  // per tag kind
    std::vector<std::uint32_t> map_span;  // per vertex map
};

struct Session::OverwrittenValue {
    std::uint32_t layer = 0;
    std::uint32_t map = 0;
    std::uint32_t point = 0;
    std::uint8_t had = 0;
    std::vector<float> values;
};

namespace {

Session* session_of(EDStateRef state) { return Session::from_state(state); }

void op_done(EDStateRef s, EDError error, int) { session_of(s)->done(error); }
int op_point_count(EDStateRef s, EltOpLayer layers, int mode) { return session_of(s)->point_count(layers, mode); }
int op_poly_count(EDStateRef s, EltOpLayer layers, int mode) { return session_of(s)->polygon_count(layers, mode); }
EDError op_point_scan(EDStateRef s, EDPointScanFunc callback, void* data, EltOpLayer layers) {
    return session_of(s)->point_scan(callback, data, layers);
}
EDError op_poly_scan(EDStateRef s, EDPolyScanFunc callback, void* data, EltOpLayer layers) {
    return session_of(s)->polygon_scan(callback, data, layers);
}
EDPointInfo* op_point_info(EDStateRef s, LWPntID point) { return session_of(s)->point_info(point); }
EDPolygonInfo* op_poly_info(EDStateRef s, LWPolID polygon) { return session_of(s)->polygon_info(polygon); }
int op_poly_normal(EDStateRef s, LWPolID polygon, double normal[3]) {
    return session_of(s)->polygon_normal(polygon, normal);
}
LWPntID op_add_point(EDStateRef s, double position[3]) { return session_of(s)->add_point(position); }
LWPolID op_add_poly(EDStateRef s, LWID type, LWPolID template_polygon, const char* surface, int count,
                    const LWPntID* points) {
    return session_of(s)->add_polygon(type, template_polygon, surface, count, points);
}
int op_point_vset(EDStateRef s, void*, LWID type, const char* name) { return session_of(s)->choose_map(type, name); }
int op_point_vget(EDStateRef s, LWPntID point, float* value) { return session_of(s)->point_map_value(point, value); }
EDError op_pnt_vmap(EDStateRef s, LWPntID point, LWID type, const char* name, int dimension, float* value) {
    return session_of(s)->write_map_value(point, type, name, dimension, value);
}

void check_layers(const Document& document, std::span<const int> layers) {
    for (int layer : layers)
        if (layer < 0 || std::size_t(layer) >= document.layers.size())
            throw std::invalid_argument("no layer at index " + std::to_string(layer));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Opening and closing

Session::Session(Document& document, std::span<const int> foreground, std::span<const int> background)
    : document_(document), foreground_(foreground.begin(), foreground.end()),
      background_(background.begin(), background.end()) {
    check_layers(document, foreground);
    check_layers(document, background);
    const std::size_t layer_count = document.layers.size();
    role_by_layer_.assign(layer_count, Role::None);
    for (int layer : foreground_) role_by_layer_[std::size_t(layer)] = Role::Foreground;
    for (int layer : background_) {
        if (role_by_layer_[std::size_t(layer)] != Role::None)
            throw std::invalid_argument("layer " + std::to_string(layer) + " is both foreground and background");
        role_by_layer_[std::size_t(layer)] = Role::Background;
    }

    // Counted once here, so that polyCount stays O(1) per call.
    selected_count_by_layer_.assign(layer_count, 0);
    for (int layer : foreground_) {
        const Layer& l = document.layers[std::size_t(layer)];
        const auto marked = l.poly_selected.begin() + std::ptrdiff_t(std::min(l.poly_selected.size(), l.polygon_count()));
        const std::size_t selected = std::size_t(std::count_if(l.poly_selected.begin(), marked, [](std::uint8_t s) { return s != 0; }));
        selected_count_by_layer_[std::size_t(layer)] = selected;
        foreground_has_selection_ = foreground_has_selection_ || selected > 0;
    }

    start_by_layer_.resize(layer_count);
    for (std::size_t i = 0; i < layer_count; ++i) {
        const Layer& l = document.layers[i];
        LayerStart& start = start_by_layer_[i];
        start.positions = l.positions.size();
        start.poly_type = l.poly_type.size();
        start.poly_flag_bits = l.poly_flag_bits.size();
        start.poly_selected = l.poly_selected.size();
        start.poly_start = l.poly_start.size();
        start.poly_points = l.poly_points.size();
        for (const PolygonTags& tags : l.poly_tags) start.tag_values.push_back(tags.values.size());
        for (const VertexMap& map : l.vmaps) start.map_span.push_back(map.point_span());
    }
    start_tag_count_ = document.tags.size();
    start_surface_count_ = document.surfaces.size();

    op_.state = reinterpret_cast<EDStateRef>(this);
    op_.layerNum = foreground_.empty() ? 0 : layer_number(std::uint32_t(foreground_.front()));
    op_.done = op_done;
    op_.pointCount = op_point_count;
    op_.polyCount = op_poly_count;
    op_.pointScan = op_point_scan;
    op_.polyScan = op_poly_scan;
    op_.pointInfo = op_point_info;
    op_.polyInfo = op_poly_info;
    op_.polyNormal = op_poly_normal;
    op_.addPoint = op_add_point;
    op_.addPoly = op_add_poly;
    op_.pointVSet = op_point_vset;
    op_.pointVGet = op_point_vget;
    op_.pntVMap = op_pnt_vmap;
}

Session::~Session() {
    if (open_) take_back();
}

void Session::done(EDError error) {
    if (!open_) return;
    ahead_.reset();
    open_ = false;
    result_.done_called = true;
    result_.error = error;
    result_.kept = error == EDERR_NONE;
    if (!result_.kept) take_back();
    overwritten_.clear();
}

void Session::take_back() {
    ahead_.reset();
    open_ = false;
    std::vector<Layer>& layers = document_.layers;
    for (auto it = overwritten_.rbegin(); it != overwritten_.rend(); ++it) {
        VertexMap& map = layers[it->layer].vmaps[it->map];
        if (it->had)
            map.set(it->point, it->values.data());
        else
            map.clear(it->point);
    }
    overwritten_.clear();

    for (std::size_t i = 0; i < start_by_layer_.size(); ++i) {
        Layer& l = layers[i];
        const LayerStart& start = start_by_layer_[i];
        l.positions.resize(start.positions);
        l.poly_type.resize(start.poly_type);
        l.poly_flag_bits.resize(start.poly_flag_bits);
        l.poly_selected.resize(start.poly_selected);
        l.poly_start.resize(start.poly_start);
        l.poly_points.resize(start.poly_points);
        l.poly_tags.erase(l.poly_tags.begin() + std::ptrdiff_t(start.tag_values.size()), l.poly_tags.end());
        for (std::size_t k = 0; k < start.tag_values.size(); ++k) l.poly_tags[k].values.resize(start.tag_values[k]);
        l.vmaps.erase(l.vmaps.begin() + std::ptrdiff_t(start.map_span.size()), l.vmaps.end());
        for (std::size_t k = 0; k < start.map_span.size(); ++k) l.vmaps[k].truncate(start.map_span[k]);
    }
    document_.tags.resize(start_tag_count_);
    document_.surfaces.erase(document_.surfaces.begin() + std::ptrdiff_t(start_surface_count_), document_.surfaces.end());
}

// ---------------------------------------------------------------------------------------------
// Layers, handles and selection

template <class Visit>
void Session::for_each_layer(EltOpLayer layers, Visit visit) const {
    if (layers & OPLYR_FG)
        for (int layer : foreground_) visit(std::uint32_t(layer));
    if (layers & OPLYR_BG)
        for (int layer : background_) visit(std::uint32_t(layer));
}

int Session::layer_number(std::uint32_t layer) const { return document_.layers[layer].number + 1; }

bool Session::selected(std::uint32_t layer, std::uint32_t polygon) const {
    if (role_by_layer_[layer] != Role::Foreground) return false;
    if (!foreground_has_selection_) return true;
    const FlatArray<std::uint8_t>& flags = document_.layers[layer].poly_selected;
    return polygon < flags.size() && flags[polygon] != 0;
}

// ---------------------------------------------------------------------------------------------
// Counts and scans

int Session::point_count(EltOpLayer layers, int) const {
    if (!open_) return 0;
    std::size_t count = 0;
    // Every point counts as selected: the document keeps no point selection.
    for_each_layer(layers, [&](std::uint32_t layer) { count += document_.layers[layer].point_count(); });
    return int(count);
}

int Session::polygon_count(EltOpLayer layers, int mode) const {
    if (!open_) return 0;
    std::size_t count = 0;
    for_each_layer(layers, [&](std::uint32_t layer) {
        const std::size_t all = document_.layers[layer].polygon_count();
        if (mode != EDCOUNT_SELECT) count += all;
        // New polygons are never marked selected, so they count only while nothing is.
        else if (role_by_layer_[layer] == Role::Foreground) count += foreground_has_selection_ ? selected_count_by_layer_[layer] : all;
    });
    return int(count);
}

EDError Session::point_scan(EDPointScanFunc callback, void* data, EltOpLayer layers) {
    if (!open_ || !callback) return EDERR_BADARGS;
    if (!(layers & (OPLYR_FG | OPLYR_BG))) return EDERR_BADLAYER;
    // Own buffers, so that the callback may call pointInfo or run another scan.
    EDPointInfo info{};
    std::vector<float> values;
    EDError result = EDERR_NONE;
    for_each_layer(layers, [&](std::uint32_t layer) {
        const std::size_t count = document_.layers[layer].point_count();
        for (std::size_t i = 0; i < count && result == EDERR_NONE && open_; ++i) {
            fill_point_info(info, values, layer, std::uint32_t(i));
            result = callback(data, &info);
        }
    });
    return result;
}

EDError Session::polygon_scan(EDPolyScanFunc callback, void* data, EltOpLayer layers) {
    if (!open_ || !callback) return EDERR_BADARGS;
    if (!(layers & (OPLYR_FG | OPLYR_BG))) return EDERR_BADLAYER;
    EDPolygonInfo info{};
    std::vector<LWPntID> points;
    EDError result = EDERR_NONE;
    for_each_layer(layers, [&](std::uint32_t layer) {
        // Polygons the callback adds are not visited. The layer is read afresh for every polygon
        // because the callback may grow its arrays.
        const std::size_t count = document_.layers[layer].polygon_count();
        for (std::size_t i = 0; i < count && result == EDERR_NONE && open_; ++i) {
            fill_polygon_info(info, points, layer, std::uint32_t(i));
            result = callback(data, &info);
        }
    });
    return result;
}

// ---------------------------------------------------------------------------------------------
// Element information

void Session::fill_point_info(EDPointInfo& info, std::vector<float>& values, std::uint32_t layer,
                              std::uint32_t index) const {
    const Layer& l = document_.layers[layer];
    info.pnt = point_handle({layer, index});
    info.userData = nullptr;
    info.layer = layer_number(layer);
    info.flags = EDDF_SELECT;
    std::copy(l.position(index), l.position(index) + 3, info.position);
    info.vmapVec = nullptr;
    if (const VertexMap* map = chosen_map(layer); map && map->has_value(index)) {
        // A copy: the module may write through vmapVec without touching the document.
        if (values.size() < std::size_t(map->dimension)) values.resize(std::size_t(map->dimension));
        std::copy(map->value(index), map->value(index) + map->dimension, values.begin());
        info.vmapVec = values.data();
    }
}

void Session::fill_polygon_info(EDPolygonInfo& info, std::vector<LWPntID>& points, std::uint32_t layer,
                                std::uint32_t index) const {
    const Layer& l = document_.layers[layer];
    const std::span<const std::uint32_t> corners = l.polygon(index);
    points.resize(corners.size());
    for (std::size_t k = 0; k < corners.size(); ++k) points[k] = point_handle({layer, corners[k]});
    const std::int32_t surface = l.tag(LWPTAG_SURF, index);
    info.pol = polygon_handle({layer, index});
    info.userData = nullptr;
    info.layer = layer_number(layer);
    info.flags = selected(layer, index) ? EDDF_SELECT : 0;
    info.numPnts = int(corners.size());
    info.points = points.data();
    info.surface = surface >= 0 && std::size_t(surface) < document_.tags.size()
                       ? document_.tags[std::size_t(surface)].c_str() : nullptr;
    info.type = l.poly_type[index];
}

EDPointInfo* Session::point_info(LWPntID point) {
    std::uint32_t layer = 0, index = 0;
    if (!open_ || !valid_point(point, layer, index)) return nullptr;
    fill_point_info(point_info_, point_info_values_, layer, index);
    return &point_info_;
}

EDPolygonInfo* Session::polygon_info(LWPolID polygon) {
    std::uint32_t layer = 0, index = 0;
    if (!open_ || !valid_polygon(polygon, layer, index)) return nullptr;
    fill_polygon_info(polygon_info_, polygon_info_points_, layer, index);
    return &polygon_info_;
}

int Session::polygon_normal(LWPolID polygon, double r_normal[3]) {
    std::uint32_t layer = 0, index = 0;
    if (!open_ || !valid_polygon(polygon, layer, index)) {
        r_normal[0] = r_normal[1] = r_normal[2] = 0.0;
        return 0;
    }
    const Layer& l = document_.layers[layer];
    return newell_normal(l.positions.data(), l.polygon(index), r_normal);
}

// ---------------------------------------------------------------------------------------------
// New geometry

LWPntID Session::add_point(const double position[3]) {
    if (!open_ || foreground_.empty() || !position) return nullptr;
    const std::uint32_t layer = std::uint32_t(foreground_.front());
    const std::uint32_t index = document_.layers[layer].add_point(position[0], position[1], position[2]);
    result_.points_added += 1;
    return point_handle({layer, index});
}

int Session::surface_tag(const char* surface) {
    if (last_surface_tag_ < 0 || last_surface_ != surface) {
        last_surface_ = surface;
        last_surface_tag_ = document_.tag_index(last_surface_);
        if (!document_.find_surface(last_surface_)) document_.surfaces.push_back({last_surface_, {}});
    }
    return last_surface_tag_;
}

LWPolID Session::add_polygon(LWID type, LWPolID template_polygon, const char* surface, int point_count,
                             const LWPntID* points) {
    if (!open_ || foreground_.empty() || point_count <= 0 || !points) return nullptr;
    const std::uint32_t target = std::uint32_t(foreground_.front());
    std::uint32_t source = 0, source_index = 0;
    if (template_polygon && !valid_polygon(template_polygon, source, source_index)) return nullptr;

    // Every corner must be a point of the target layer.
    const std::size_t target_points = document_.layers[target].point_count();
    new_polygon_points_.resize(std::size_t(point_count));
    for (int k = 0; k < point_count; ++k) {
        const ElementRef ref = point_ref(points[k]);
        if (!points[k] || ref.layer != target || ref.index >= target_points) return nullptr;
        new_polygon_points_[std::size_t(k)] = ref.index;
    }

    std::vector<Layer>& layers = document_.layers;
    std::uint16_t flag_bits = 0;
    if (template_polygon && layers[source].poly_type[source_index] == type)
        flag_bits = layers[source].poly_flag_bits[source_index];
    const std::uint32_t index = layers[target].add_polygon(type, new_polygon_points_, flag_bits);

    if (template_polygon) {
        // By index: when source and target are one layer, tags_of finds every kind and adds none.
        for (std::size_t k = 0; k < layers[source].poly_tags.size(); ++k) {
            const PolygonTags& tags = layers[source].poly_tags[k];
            const std::int32_t value = tags.values[source_index];
            if (value != kNoTag) layers[target].set_tag(tags.type, index, value);
        }
    }
    if (surface) {
        const int tag = surface_tag(surface);
        layers[target].set_tag(LWPTAG_SURF, index, tag);
    }
    result_.polygons_added += 1;
    return polygon_handle({target, index});
}

// ---------------------------------------------------------------------------------------------
// Vertex maps

int Session::map_key(LWID type, const char* name) {
    // A plug-in names the same few maps over and over, usually with the same text pointers: the
    // keys last found for a few pointers are tried first (and still compared, as the text may
    // change). Searched whole, so that no two of a plug-in's names push each other out.
    for (const KeyByText& known : key_by_text_)
        if (known.text == name && map_keys_[std::size_t(known.key)].is(type, name)) return known.key;
    const int key = find_or_add_key(type, name);
    key_by_text_[next_text_slot_] = {name, key};
    next_text_slot_ = (next_text_slot_ + 1) % key_by_text_.size();
    return key;
}

int Session::find_or_add_key(LWID type, const char* name) {
    if (last_written_key_ >= 0 && map_keys_[std::size_t(last_written_key_)].is(type, name)) return last_written_key_;
    if (chosen_key_ >= 0 && map_keys_[std::size_t(chosen_key_)].is(type, name)) return chosen_key_;
    // Then by type and name in a hash: an object may hold thousands of maps.
    std::string lookup(reinterpret_cast<const char*>(&type), sizeof type);
    lookup += name;
    if (auto found = key_by_name_.find(lookup); found != key_by_name_.end()) return found->second;
    key_by_name_.emplace(std::move(lookup), int(map_keys_.size()));
    MapKey& key = map_keys_.emplace_back();
    key.type = type;
    key.name = name;
    key.map_by_layer.assign(document_.layers.size(), -1);
    for (std::size_t layer = 0; layer < document_.layers.size(); ++layer) {
        const std::vector<VertexMap>& maps = document_.layers[layer].vmaps;
        for (std::size_t m = 0; m < maps.size(); ++m)
            if (maps[m].type == type && maps[m].name == key.name) {
                key.map_by_layer[layer] = int(m);
                break;  // the first, as Layer::find_vmap answers
            }
    }
    return int(map_keys_.size() - 1);
}

const VertexMap* Session::chosen_map(std::uint32_t layer) const {
    if (chosen_key_ < 0) return nullptr;
    const int map = map_keys_[std::size_t(chosen_key_)].map_by_layer[layer];
    return map >= 0 ? &document_.layers[layer].vmaps[std::size_t(map)] : nullptr;
}

int Session::choose_map(LWID type, const char* name) {
    if (!open_ || !name) {
        chosen_key_ = -1;
        return 0;
    }
    chosen_key_ = map_key(type, name);
    const std::vector<int>& maps = map_keys_[std::size_t(chosen_key_)].map_by_layer;
    return std::any_of(maps.begin(), maps.end(), [](int m) { return m >= 0; }) ? 1 : 0;
}

int Session::point_map_value(LWPntID point, float* r_value) {
    std::uint32_t layer = 0, index = 0;
    if (!open_ || !r_value || !valid_point(point, layer, index)) return 0;
    const VertexMap* map = chosen_map(layer);
    if (!map || !map->has_value(index)) return 0;
    std::copy(map->value(index), map->value(index) + map->dimension, r_value);
    return 1;
}

void Session::remember_old_value(std::uint32_t layer, int map, std::uint32_t point) {
    const LayerStart& start = start_by_layer_[layer];
    // Maps made by this session, and values past a map's arrays at opening, vanish with the
    // truncation in take_back; only values that existed need their old contents.
    if (std::size_t(map) >= start.map_span.size() || point >= start.map_span[std::size_t(map)]) return;
    const VertexMap& m = document_.layers[layer].vmaps[std::size_t(map)];
    OverwrittenValue& old = overwritten_.emplace_back();
    old.layer = layer;
    old.map = std::uint32_t(map);
    old.point = point;
    old.had = m.has_value(point);
    if (old.had) old.values.assign(m.value(point), m.value(point) + m.dimension);
}

// A map that grows gets the room for its next pages mapped on another thread, a window at a
// time, so that the editing thread does not stop for fresh memory as the map fills. The last
// window may never be used: at most a few megabytes a map.
void Session::warm_ahead(std::uint32_t layer, int map, VertexMap& m) {
    constexpr std::size_t kWindowBytes = std::size_t(4) << 20;
    const std::size_t page_bytes = VertexMap::kPagePoints * (1 + sizeof(float) * std::size_t(m.dimension));
    const std::size_t window = std::max<std::size_t>(2, kWindowBytes / page_bytes);
    WarmMark& mark = warm_marks_[std::uint64_t(layer) << 32 | std::uint32_t(map)];
    if (m.page_count() < mark.next_page && m.storage() == mark.storage) return;
    for (std::span<std::byte> room : m.room_for_pages(window)) {
        if (room.empty()) continue;
        if (!ahead_) ahead_ = std::make_unique<AheadWarmer>();
        ahead_->post(room);
    }
    mark = {m.page_count() + window / 2, m.storage()};
}

EDError Session::write_map_value(LWPntID point, LWID type, const char* name, int dimension, const float* value) {
    std::uint32_t layer = 0, index = 0;
    if (!open_ || !name || !value || dimension <= 0) return EDERR_BADARGS;
    if (!valid_point(point, layer, index)) return EDERR_BADARGS;

    const int key_index = map_key(type, name);
    last_written_key_ = key_index;
    int& map = map_keys_[std::size_t(key_index)].map_by_layer[layer];
    Layer& l = document_.layers[layer];
    if (map < 0) {
        l.vmap(type, name, dimension);
        map = int(l.vmaps.size() - 1);
    }
    VertexMap& m = l.vmaps[std::size_t(map)];
    if (m.dimension != dimension) return EDERR_BADVMAP;
    remember_old_value(layer, map, index);
    const std::size_t pages = m.page_count();
    m.set(index, value);
    if (m.page_count() != pages) warm_ahead(layer, map, m);
    result_.map_values_written += 1;
    return EDERR_NONE;
}

}  // namespace zelkor::host
