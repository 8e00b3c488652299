// The object the module works on: the target file's layers, then the template file's, in one
// document, so that the modeller's foreground (target) and background (template) layers, tag list
// and vertex-map names are those of one object. After the run the target file is taken back out.
#pragma once

#include <cstddef>
#include <vector>

#include "host/document.h"

namespace zelkor::cli {

struct MergedObject {
    host::Document document;
    std::size_t target_layer_count = 0;
    std::size_t target_surface_count = 0;
};

// Template layers are renumbered after the target's (parents follow) and their SURF, PART and
// COLR tag values are remapped into the merged tag list; other tag kinds (SMGP) are raw numbers and
// kept. Surfaces and object-level chunks are the target's.
MergedObject merge_object(host::Document target, const host::Document& templ);

// The target file's layers with what the run added, plus the template's Surface for each surface
// that a polygon added by the run uses and the target lacks.
host::Document split_target(MergedObject merged, const host::Document& templ,
                            const std::vector<std::size_t>& polygon_counts_before);

// Polygon counts of the target layers, taken before the run, so that split_target can tell the
// added polygons.
std::vector<std::size_t> target_polygon_counts(const MergedObject& merged);

}  // namespace zelkor::cli
