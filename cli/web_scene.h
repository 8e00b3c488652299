// What the browser panel's 3-D view draws, from the document the module works on: the target and
// the template as triangle meshes, and the clones a run added as one transform each, so that the
// page draws them as instances of the template.
//
// The page works in right-handed coordinates with y up; the modeller's are left-handed with y up,
// so every position, transform and triangle is mirrored in z (and its corners reversed) here.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/document.h"

namespace zelkor::cli {

// {"points": n, "positions": base64 float32 xyz, "indices": base64 uint32 triangles} for the
// polygons of `layers` with three or more corners, each cut into a fan.
std::string mesh_json(const host::Document& document, const std::vector<int>& layers);

// The clones a run added to layer `layer` of `document`, which held `polygons_before` polygons
// before it: the background `template_layers` rebuilt once per clone, polygon for polygon.
struct CloneTransforms {
    std::size_t count = 0;
    // 12 per clone: the rows of the 3 x 4 matrix that takes a template point to the clone's, in
    // the page's coordinates. Found by least squares over the clone's points, so a clone made
    // with jitter gets the transform that fits its points best.
    std::vector<float> rows;
    std::vector<float> index;  // each clone's "ZK_index" value, when the layer has the map
};

CloneTransforms clone_transforms(const host::Document& document, int layer, std::size_t polygons_before,
                                 const std::vector<int>& template_layers);

// {"count": n, "transforms": base64 float32 rows, "index": base64 float32 or null}
std::string transforms_json(const CloneTransforms& clones);

std::string base64(const void* data, std::size_t bytes);

}  // namespace zelkor::cli
