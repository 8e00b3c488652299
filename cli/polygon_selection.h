// --select surface:NAME / part:NAME: marks the foreground polygons that carry one of the named
// surfaces or parts as selected, so that the module clones only on them.
#pragma once

#include <string>
#include <vector>

#include "host/document.h"

namespace zelkor::cli {

struct PolygonFilter {
    LWID tag_type = 0;  // LWPTAG_SURF or LWPTAG_PART
    std::string name;
};

// Throws UsageError for a text that is neither surface:NAME nor part:NAME.
PolygonFilter parse_polygon_filter(const std::string& text);

// Clears the selection of the foreground layers, then selects every polygon that matches any
// filter. Throws UsageError naming the first filter that matches no foreground polygon.
void select_polygons(host::Document& document, const std::vector<int>& foreground,
                     const std::vector<PolygonFilter>& filters);

}  // namespace zelkor::cli
