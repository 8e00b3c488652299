#include "clone/template_snapshot.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "clone/copy.h"

namespace zelkor {

namespace {

constexpr std::size_t kBufferFloats = 65536;

// Written into the buffer before each read: a value slot that still holds it afterwards was not
// written by the host. (A map value with exactly these bits only sends the run to the scan.)
constexpr std::uint32_t kUnwritten = 0x7FA5A5A5u;

struct scan_state {
    std::unordered_map<LWPntID, std::uint32_t>* index_by_source;
    std::vector<LWPntID>* sources;
    std::vector<std::uint32_t>* corners;
    std::vector<std::uint8_t>* first_use;
    std::vector<std::pair<LWID, LWPolID>>* polygons;
    std::vector<std::uint32_t>* corner_counts;
};

EDError collect_polygon(void* data, const EDPolygonInfo* polygon) {
    scan_state& s = *static_cast<scan_state*>(data);
    s.polygons->emplace_back(polygon->type, polygon->pol);
    const int count = polygon->numPnts > 0 ? polygon->numPnts : 0;
    s.corner_counts->push_back(std::uint32_t(count));
    for (int j = 0; j < count; ++j) {
        auto [it, is_new] = s.index_by_source->emplace(polygon->points[j], std::uint32_t(s.sources->size()));
        if (is_new) s.sources->push_back(polygon->points[j]);
        s.corners->push_back(it->second);
        s.first_use->push_back(is_new ? 1 : 0);
    }
    return EDERR_NONE;
}

}  // namespace

template_snapshot::template_snapshot(MeshEditOp* session, const name_lists& names, float* buffer) {
    std::unordered_map<LWPntID, std::uint32_t> index_by_source;
    std::vector<LWPntID> sources;
    std::vector<std::pair<LWID, LWPolID>> polygons;
    std::vector<std::uint32_t> corner_counts;
    scan_state state{&index_by_source, &sources, &corners_, &first_use_, &polygons, &corner_counts};
    session->polyScan(session->state, collect_polygon, &state, OPLYR_BG);

    std::uint32_t corner = 0;
    for (std::size_t k = 0; k < polygons.size(); ++k) {
        polygons_.push_back({polygons[k].first, polygons[k].second, corner, corner_counts[k]});
        corner += corner_counts[k];
    }

    auto add_maps = [&](UV_typ* list, LWID type, int dimension, bool morph) {
        int morph_index = 0;
        for (UV_typ* m = list; m; m = m->next) maps_.push_back({type, m->name, dimension, morph, morph ? morph_index++ : 0});
    };
    add_maps(names.uv, LWVMAP_TXUV, 2, false);
    add_maps(names.weight, LWVMAP_WGHT, 1, false);
    add_maps(names.morph, LWVMAP_MORF, 3, true);
    add_maps(names.subpatch, LWVMAP_MNVW, 1, false);
    add_maps(names.spot, LWVMAP_SPOT, 3, false);

    std::vector<float> saved(buffer, buffer + kBufferFloats);
    points_.reserve(sources.size());
    for (LWPntID source : sources) {
        const EDPointInfo* info = session->pointInfo(session->state, source);
        point p;
        p.position = XYZ6_typ(info->position);
        p.first_value = std::uint32_t(point_values_.size());
        p.values_before_index = 0;
        p.first_morph = std::uint32_t(morph_values_);
        points_.push_back(p);
        read_values(session, source, buffer);
    }
    std::copy(saved.begin(), saved.end(), buffer);
    made_.resize(points_.size());
}

void template_snapshot::read_values(MeshEditOp* session, LWPntID source, float* buffer) {
    point& p = points_.back();
    for (std::uint32_t m = 0; m < maps_.size(); ++m) {
        const map_ref& map = maps_[m];
        for (int d = 0; d < map.dimension; ++d) std::memcpy(&buffer[d], &kUnwritten, sizeof(float));
        session->pointVSet(session->state, nullptr, map.type, map.name);
        if (!session->pointVGet(session->state, source, buffer)) continue;
        for (int d = 0; d < map.dimension; ++d) {
            std::uint32_t bits;
            std::memcpy(&bits, &buffer[d], sizeof bits);
            if (bits == kUnwritten) usable_ = false;
        }
        point_values_.push_back({m, std::uint32_t(values_.size())});
        if (map.morph) ++morph_values_;
        values_.insert(values_.end(), buffer, buffer + map.dimension);
        if (map.type == LWVMAP_TXUV || map.type == LWVMAP_WGHT) p.values_before_index += 1;
    }
}

void template_snapshot::compute_clone(const clone_transform& transform, const XYZ6_typ& position, XYZ6_typ* r_points,
                                      float* r_morph_values) const {
    for (std::size_t index = 0; index < points_.size(); ++index) {
        const point& p = points_[index];
        XYZ6_typ at = transform.apply(p.position);
        at += position;
        r_points[index] = at;
        const std::uint32_t end = index + 1 < points_.size() ? points_[index + 1].first_value : std::uint32_t(point_values_.size());
        for (std::uint32_t v = p.first_value; v < end; ++v) {
            if (!maps_[point_values_[v].map].morph) continue;
            const float* value = values_.data() + point_values_[v].first;
            XYZ6_typ offset;
            offset.x = value[0];
            offset.y = value[1];
            offset.z = value[2];
            offset = transform.apply(offset);
            *r_morph_values++ = float(offset.x);
            *r_morph_values++ = float(offset.y);
            *r_morph_values++ = float(offset.z);
        }
    }
}

void template_snapshot::add_clone(MeshEditOp* session, const XYZ6_typ* points, const float* morph_values,
                                  float clone_index, const std::vector<std::string>& morph_names) {
    // Morph offsets come in point order; a point's first offset follows those of earlier points.
    auto make_point = [&](std::uint32_t index) {
        const point& p = points_[index];
        XYZ6_typ at = points[index];
        LWPntID made = session->addPoint(session->state, at);
        made_[index] = made;
        const float* morph = morph_values + 3 * std::size_t(p.first_morph);
        const std::uint32_t end = index + 1 < points_.size() ? points_[index + 1].first_value : std::uint32_t(point_values_.size());
        for (std::uint32_t v = p.first_value; v < end; ++v) {
            if (v == p.first_value + p.values_before_index)
                session->pntVMap(session->state, made, LWVMAP_WGHT, "ZK_index", 1, &clone_index);
            const map_ref& map = maps_[point_values_[v].map];
            if (!map.morph) {
                session->pntVMap(session->state, made, map.type, map.name, map.dimension, values_.data() + point_values_[v].first);
                continue;
            }
            float turned[3] = {morph[0], morph[1], morph[2]};
            morph += 3;
            session->pntVMap(session->state, made, LWVMAP_MORF, morph_names[std::size_t(map.morph_index)].c_str(), 3, turned);
        }
        if (end - p.first_value == p.values_before_index)
            session->pntVMap(session->state, made, LWVMAP_WGHT, "ZK_index", 1, &clone_index);
    };

    for (const polygon& poly : polygons_) {
        polygon_points_.resize(poly.corner_count);
        for (std::uint32_t k = 0; k < poly.corner_count; ++k) {
            const std::uint32_t corner = poly.first_corner + k;
            if (first_use_[corner]) make_point(corners_[corner]);
            polygon_points_[k] = made_[corners_[corner]];
        }
        session->addPoly(session->state, poly.type, poly.pol, nullptr, int(poly.corner_count), polygon_points_.data());
    }
}

}  // namespace zelkor
