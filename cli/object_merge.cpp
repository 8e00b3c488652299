#include "cli/object_merge.h"

#include <algorithm>
#include <string>

namespace zelkor::cli {

namespace {


void remap_tags(host::Layer& layer, const host::Document& templ, host::Document& merged) {
    for (host::PolygonTags& tags : layer.poly_tags) {
        if (!host::names_a_tag(tags.type)) continue;
        for (std::int32_t& value : tags.values) {
            if (value < 0 || std::size_t(value) >= templ.tags.size()) continue;
            value = merged.tag_index(templ.tags[std::size_t(value)]);
        }
    }
}

int last_layer_number(const host::Document& document) {
    int last = -1;
    for (const host::Layer& layer : document.layers) last = std::max(last, layer.number);
    return last;
}

}  // namespace

MergedObject merge_object(host::Document target, const host::Document& templ) {
    MergedObject merged;
    merged.target_layer_count = target.layers.size();
    merged.target_surface_count = target.surfaces.size();
    merged.document = std::move(target);
    // Layer numbers stay unique in the merged object; nothing outside this run sees them.
    const int offset = last_layer_number(merged.document) + 1;
    for (const host::Layer& source : templ.layers) {
        host::Layer layer = source;
        layer.number += offset;
        if (layer.parent >= 0) layer.parent += offset;
        remap_tags(layer, templ, merged.document);
        merged.document.layers.push_back(std::move(layer));
    }
    return merged;
}

std::vector<std::size_t> target_polygon_counts(const MergedObject& merged) {
    std::vector<std::size_t> counts;
    for (std::size_t k = 0; k < merged.target_layer_count; ++k) counts.push_back(merged.document.layers[k].polygon_count());
    return counts;
}

host::Document split_target(MergedObject merged, const host::Document& templ,
                            const std::vector<std::size_t>& polygon_counts_before) {
    host::Document out = std::move(merged.document);
    out.layers.resize(merged.target_layer_count);
    for (std::size_t k = 0; k < out.layers.size(); ++k) {
        const host::Layer& layer = out.layers[k];
        const host::PolygonTags* surfaces = layer.find_tags(LWPTAG_SURF);
        if (!surfaces) continue;
        // A million clones use a handful of surfaces, mostly the same one polygon after polygon.
        std::vector<std::uint8_t> seen(out.tags.size());
        std::int32_t last = host::kNoTag;
        for (std::size_t p = polygon_counts_before[k]; p < layer.polygon_count() && p < surfaces->values.size(); ++p) {
            const std::int32_t tag = surfaces->values[p];
            if (tag == last) continue;
            last = tag;
            if (tag < 0 || std::size_t(tag) >= out.tags.size() || seen[std::size_t(tag)]) continue;
            seen[std::size_t(tag)] = true;
            const std::string& name = out.tags[std::size_t(tag)];
            if (out.find_surface(name)) continue;
            if (const host::Surface* surface = templ.find_surface(name)) out.surfaces.push_back(*surface);
        }
    }
    return out;
}

}  // namespace zelkor::cli
