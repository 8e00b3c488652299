// Random points on the polygons of a table, as z_polygonu draws them, with each polygon's local
// frame worked out once instead of at every draw.
//
// z_polygonu spends its time on trigonometry (three arc tangents for the frame, a sine and a
// cosine for every rotation of every point) and, over a large table, on fetching the polygon's
// points from wherever they were allocated. Both depend only on the polygon, so the sampler
// works them out once for the whole table and keeps, in one flat array, each polygon's points
// already in its frame with the rotations back out of it. What remains per draw is the draws and
// the same multiplications in the same order, so the points agree to the bit.
#pragma once

#include <cstdint>
#include <vector>

#include "math/face.h"
#include "random/random.h"
#include "util/huge_page_allocator.h"

namespace zelkor {

class polygon_sampler {
public:
    // Prepares every polygon of the table; `threads` > 1 shares the work (results do not depend
    // on it).
    polygon_sampler(const face6_typ* table, int count, int threads = 1);

    // rng.z_polygonu(&table[index]), bit for bit, with the same draws.
    XYZ6_typ draw(random& rng, int index) const;

    // The point draw(rng, index) would give if it started `ahead` draws from now, worked out
    // without drawing, and the draws it would take; false when the generator cannot look that
    // far. For fetching ahead what a later try will need.
    bool foresee(const random& rng, int index, int ahead, XYZ6_typ& r_point, int& r_draws) const;
    // Starts fetching what draw(.., index) reads.
    void prefetch(int index) const {
        const XYZ6_typ* block = blocks_.data() + start_of(std::size_t(index));
        __builtin_prefetch(block);
        __builtin_prefetch(block + 3);
        __builtin_prefetch(block + 6);
    }

private:
    // Per polygon, at offset_[index]: the origin; (sx, cx, sz), (cz, sy, cy), the sines and
    // cosines of the turns out of the frame about X, Z and Y; (marks of the untouched zero turns,
    // number of points, 0); then the points in the frame. Polygons without a point array or with fewer than 3
    // points have no block.
    static constexpr std::size_t kHeader = 4;

    void prepare(int first, int last);
    // Where polygon k's block starts (an empty block where the polygon has no frame).
    std::size_t start_of(std::size_t k) const { return stride_ != 0 ? k * stride_ : offset_[k]; }
    bool has_block(std::size_t k) const { return stride_ != 0 || offset_[k + 1] != offset_[k]; }
    template <class Draw>
    XYZ6_typ point(int index, Draw&& draw) const;

    const face6_typ* table_;
    // Every block's size when all polygons have frames of as many points (a grid of quads, a
    // triangulated mesh): a draw then finds its block without reading an offset, which over a
    // large table is a cache miss of its own. Otherwise 0, and offset_ holds count + 1 offsets.
    std::size_t stride_ = 0;
    std::vector<std::size_t, huge_page_allocator<std::size_t>> offset_;
    std::vector<XYZ6_typ, huge_page_allocator<XYZ6_typ>> blocks_;
};

}  // namespace zelkor
