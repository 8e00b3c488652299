#include "io/dropped_data.h"

#include "host/document.h"

namespace zelkor::io {

DroppedData::Item& DroppedData::item(std::string_view kind, std::string_view name) {
    Kind* k = nullptr;
    for (Kind& existing : kinds_)
        if (existing.name == kind) k = &existing;
    if (!k) k = &kinds_.emplace_back(Kind{std::string(kind), {}});
    for (Item& existing : k->items)
        if (existing.name == name) return existing;
    return k->items.emplace_back(Item{std::string(name), 0});
}

void DroppedData::add(std::string_view kind, std::string_view name) { item(kind, name); }

void DroppedData::count(std::string_view kind, std::string_view name, std::size_t n) { item(kind, name).count += n; }

std::vector<std::string> DroppedData::lines() const {
    std::vector<std::string> lines;
    for (const Kind& kind : kinds_) {
        std::string line = kind.name;
        for (std::size_t i = 0; i < kind.items.size(); ++i) {
            line += i == 0 ? " " : ", ";
            if (kind.items[i].count > 0) line += std::to_string(kind.items[i].count) + " ";
            line += kind.items[i].name;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}


std::string map_kind(LWID type) {
    switch (type) {
    case LWVMAP_TXUV: return "UV maps";
    case LWVMAP_WGHT: return "weight maps";
    case LWVMAP_MORF:
    case LWVMAP_SPOT: return "morph maps";
    case LWVMAP_MNVW: return "subpatch weight maps";
    default: return host::id_text(type) + " maps";
    }
}

}  // namespace zelkor::io
