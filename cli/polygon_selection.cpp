#include "cli/polygon_selection.h"

#include "cli/usage_error.h"

namespace zelkor::cli {

PolygonFilter parse_polygon_filter(const std::string& text) {
    const std::size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    if (colon == std::string::npos || colon + 1 == text.size() || (kind != "surface" && kind != "part"))
        throw UsageError("--select " + text + ": expected surface:NAME or part:NAME");
    return {kind == "surface" ? LWPTAG_SURF : LWPTAG_PART, text.substr(colon + 1)};
}

void select_polygons(host::Document& document, const std::vector<int>& foreground,
                     const std::vector<PolygonFilter>& filters) {
    for (int index : foreground) {
        host::Layer& layer = document.layers[std::size_t(index)];
        layer.poly_selected.assign(layer.polygon_count(), 0);
    }
    for (const PolygonFilter& filter : filters) {
        const int tag = document.find_tag(filter.name);
        std::size_t matched = 0;
        for (int index : foreground) {
            host::Layer& layer = document.layers[std::size_t(index)];
            for (std::size_t p = 0; tag >= 0 && p < layer.polygon_count(); ++p) {
                if (layer.tag(filter.tag_type, p) != tag) continue;
                layer.poly_selected[p] = 1;
                ++matched;
            }
        }
        if (matched == 0)
            throw UsageError(std::string("--select: no target polygon has the ") +
                             (filter.tag_type == LWPTAG_SURF ? "surface" : "part") + " \"" + filter.name + "\"");
    }
}

}  // namespace zelkor::cli
