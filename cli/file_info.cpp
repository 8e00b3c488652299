#include "cli/file_info.h"

#include "io/file_text.h"

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zelkor::cli {


namespace {

std::string polygon_types(const host::Layer& layer) {
    std::vector<std::pair<LWID, std::size_t>> counts;  // in order of first appearance
    for (LWID type : layer.poly_type) {
        auto it = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == type; });
        if (it == counts.end()) counts.push_back({type, 1});
        else ++it->second;
    }
    std::string text;
    for (const auto& [type, count] : counts) text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + host::id_text(type);
    return text.empty() ? "none" : text;
}

void print_layers(std::ostream& out, const host::Document& document) {
    out << "layers:\n";
    for (const host::Layer& layer : document.layers) {
        out << "  " << layer.number + 1 << "  \"" << io::printable(layer.name) << "\"  " << layer.point_count() << " points, "
            << layer.polygon_count() << " polygons (" << polygon_types(layer) << ")\n";
    }
}

void print_vertex_maps(std::ostream& out, const host::Document& document) {
    struct MapUse {
        LWID type;
        std::string name;
        std::string layers;
        bool discontinuous;
    };
    std::vector<MapUse> maps;
    std::unordered_map<std::string, std::size_t> index_by_key;  // a file may hold thousands of maps
    auto note = [&](LWID type, const std::string& name, int shown_layer, bool discontinuous) {
        std::string key = host::id_text(type) + (discontinuous ? "+" : "-") + name;
        auto [it, is_new] = index_by_key.emplace(std::move(key), maps.size());
        if (!is_new) {
            maps[it->second].layers += ", " + std::to_string(shown_layer);
            return;
        }
        maps.push_back({type, name, std::to_string(shown_layer), discontinuous});
    };
    for (const host::Layer& layer : document.layers) {
        for (const host::VertexMap& map : layer.vmaps) note(map.type, map.name, layer.number + 1, false);
        for (const host::DiscontinuousMap& map : layer.vmads) note(map.type, map.name, layer.number + 1, true);
    }
    out << "vertex maps:" << (maps.empty() ? " none" : "") << "\n";
    for (const MapUse& m : maps)
        out << "  " << host::id_text(m.type) << "  \"" << io::printable(m.name) << "\"" << (m.discontinuous ? " (per polygon corner)" : "")
            << "  layers " << m.layers << "\n";
}

}  // namespace

void print_file_info(std::ostream& out, const std::string& path, const host::Document& document) {
    out << io::printable(path) << "\n";
    print_layers(out, document);
    print_vertex_maps(out, document);
    out << "surfaces:" << (document.surfaces.empty() ? " none" : "") << "\n";
    for (const host::Surface& surface : document.surfaces) out << "  \"" << io::printable(surface.name) << "\"\n";
}

}  // namespace zelkor::cli
