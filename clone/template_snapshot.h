// The background layer read once per run, so that each clone is made from memory instead of from
// a fresh scan of the template.
//
// The copy of one clone scans every background polygon, looks every corner up in the clone's
// point map, reads each new point's position and its value in every vertex map of the object,
// and only then adds the point, its values and the polygon. The reads give the same answers for
// every clone: the template lies in the background and the run only adds to the foreground. So
// they are made once: the polygons with their corners, the points in the order they are first
// met, and each point's map values. A clone then replays the very same sequence of additions
// (addPoint, pntVMap, addPoly) and of jitter draws that the scan would make.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "api/host_api.h"
#include "clone/transform.h"
#include "math/vector.h"

namespace zelkor {

struct UV_typ;

class template_snapshot {
public:
    // The five name lists of the run, in the copy's order: UV, weight, morph, subpatch weight,
    // absolute morph.
    struct name_lists {
        UV_typ* uv;
        UV_typ* weight;
        UV_typ* morph;
        UV_typ* subpatch;
        UV_typ* spot;
    };

    // Reads the background through `session`. `buffer` is the copy's value buffer (65536 floats):
    // it is used for the reads and left as it was found.
    template_snapshot(MeshEditOp* session, const name_lists& names, float* buffer);

    // False when a map answered with fewer values than its type has: the copy then reads on
    // what a previous read left in the buffer, which only the per-clone scan reproduces.
    bool usable() const { return usable_; }

    // One clone's geometry, computed apart from the host's thread: every point transformed by
    // `transform` and moved by `position`, and every morph offset transformed, in the order the
    // copy makes them (so that the jitter draws come in that order too).
    std::size_t point_count() const { return points_.size(); }
    std::size_t morph_value_count() const { return morph_values_; }
    void compute_clone(const clone_transform& transform, const XYZ6_typ& position, XYZ6_typ* r_points,
                       float* r_morph_values) const;

    // Adds a clone computed by compute_clone through `session`, with `clone_index` in "ZK_index"
    // and the morph maps written under `morph_names` (one per morph map, in list order).
    void add_clone(MeshEditOp* session, const XYZ6_typ* points, const float* morph_values, float clone_index,
                   const std::vector<std::string>& morph_names);

private:
    struct map_ref {
        LWID type;
        const char* name;
        int dimension;
        bool morph;  // offsets that turn with the clone
        int morph_index;
    };
    // One value of one point: values_[first .. first + dimension) in map maps_[map].
    struct point_value {
        std::uint32_t map;
        std::uint32_t first;
    };
    struct point {
        XYZ6_typ position;
        std::uint32_t first_value;  // point_values_[first_value .. next point's first_value)
        std::uint32_t values_before_index;  // UV and weight values come before "ZK_index"
        std::uint32_t first_morph;          // the point's first morph offset among the clone's
    };
    struct polygon {
        LWID type;
        LWPolID pol;
        std::uint32_t first_corner;
        std::uint32_t corner_count;
    };

    void read_values(MeshEditOp* session, LWPntID source, float* buffer);

    bool usable_ = true;
    std::size_t morph_values_ = 0;           // morph offsets per clone
    std::vector<map_ref> maps_;
    std::vector<point> points_;              // in the order first met
    std::vector<point_value> point_values_;
    std::vector<float> values_;
    std::vector<polygon> polygons_;          // in scan order
    std::vector<std::uint32_t> corners_;     // point index per corner
    std::vector<std::uint8_t> first_use_;    // 1 where a corner meets its point for the first time
    std::vector<LWPntID> made_;              // the current clone's point per template point
    std::vector<LWPntID> polygon_points_;
};

}  // namespace zelkor
