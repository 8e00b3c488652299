// A grid of placed clone positions that answers the placement's spacing question ("is some placed
// position strictly closer than d to c?") by looking only near c.
//
// The answer is the one the x-sorted list walk gives: a position q blocks c exactly when
// q.x > c.x - d, q.x <= c.x + d and d > c.calc_distance(q), evaluated with the same floating-point
// operations. The grid only narrows down which q are looked at.
//
// Clones stand on surfaces, so the grid is flat: square cells over the two widest axes of the
// target's bounding box, as wide as the spacing distance, in one flat array indexed by cell. A
// query visits the few cells around c (3 x 3 at the usual distance); the third axis is left to the
// exact test. Positions outside the box fall into its border cells, which keeps them findable,
// only in longer lists.
//
// A cell holds its first position inline, half a cache line, so that a query reads a few
// adjacent cells rather than chasing every position through memory; only further positions of
// a crowded cell are looked up elsewhere.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "math/vector.h"
#include "util/huge_page_allocator.h"
#include "util/page_prefault.h"

namespace zelkor {

class spacing_grid {
public:
    // `low` and `high` bound most positions to come, `cell_size` is the distance most queries use
    // and `expected` the number of positions; other values work too, only slower.
    spacing_grid(const XYZ6_typ& low, const XYZ6_typ& high, double cell_size, std::size_t expected);

    void add(const XYZ6_typ& position);
    bool is_blocked(const XYZ6_typ& c, double d) const;
    std::size_t size() const { return points_.size(); }
    // The reserved room the positions to come will fill.
    void spare_room(std::vector<std::span<std::byte>>& ranges) {
        ranges.push_back(spare_capacity(points_));
        ranges.push_back(spare_capacity(next_));
    }
    // Starts fetching the cells that is_blocked(c, d) reads, for a query soon to come. Always
    // inlined: called out of line (the compiler's choice once the placement called it from two
    // places) it left the placement at half its speed.
    [[gnu::always_inline]] void prefetch(const XYZ6_typ& c, double d) const;

private:
    // One position inline: at the usual spacing a cell holds fewer than one on average, and two
    // cells to a cache line read faster (and fault in less memory) than one cell holding two.
    static constexpr int kInline = 1;
    struct alignas(32) cell {
        XYZ6_typ inline_points[kInline];  // the first positions
        std::int32_t count = 0;           // positions in inline_points
        std::int32_t more = -1;           // further positions, chained through next_; -1 for none
    };

    // Coordinate `a` of p: 0 = x, 1 = y, 2 = z.
    static double axis(const XYZ6_typ& p, int a) { return static_cast<const double*>(p)[a]; }
    static bool blocks(const XYZ6_typ& q, const XYZ6_typ& c, double d) {
        return q.x > c.x - d && q.x <= c.x + d && d > c.calc_distance(q);
    }
    // Monotone in v, and clamped into the grid: a point beyond the box lands in a border cell, and
    // a range of values maps onto a range of cells that holds every point whose value lies within
    // it. For t >= 0 truncation is the floor, and below 0 (or NaN) the clamp gives 0 anyway.
    // `last` is the last cell's index, and `last_value` the same as a double.
    static std::int64_t clamped_cell(double v, double low, double inverse, std::int64_t last, double last_value) {
        const double t = (v - low) * inverse;
        if (!(t > 0)) return 0;
        if (t >= last_value) return last;
        return std::int64_t(t);
    }
    std::int64_t cell_u(double v) const { return clamped_cell(v, low_u_, inverse_cell_, cells_u_ - 1, last_u_); }
    std::int64_t cell_v(double v) const { return clamped_cell(v, low_v_, inverse_cell_, cells_v_ - 1, last_v_); }
    bool scan_all(const XYZ6_typ& c, double d) const;
    void clear_cells(std::size_t count);

    int axis_u_ = 0, axis_v_ = 2;      // the grid's two axes: 0 = x, 1 = y, 2 = z
    double low_u_ = 0, low_v_ = 0;
    double inverse_cell_ = 0;
    std::int64_t cells_u_ = 1, cells_v_ = 1;
    double last_u_ = 0, last_v_ = 0;   // cells_u_ - 1 and cells_v_ - 1, as doubles
    bool usable_ = false;              // false when no finite grid could be laid out
    std::vector<XYZ6_typ, huge_page_allocator<XYZ6_typ>> points_;  // in the order added
    std::vector<cell, huge_page_allocator<cell>> cells_;
    std::vector<std::int32_t, huge_page_allocator<std::int32_t>> next_;  // next further position of the same cell
    std::vector<std::int32_t> odd_;    // positions tested on every query: not finite, or too large
};

inline void spacing_grid::prefetch(const XYZ6_typ& c, double d) const {
    // A hint needs no exact window: the clamped cells of a NaN or infinite query are still cells,
    // and the few rows read by any query of at most one cell's reach each span two cache lines
    // from their first cell (cells are half a line, aligned).
    if (!usable_) return;
    const double cu = axis(c, axis_u_), cv = axis(c, axis_v_);
    const std::int64_t u0 = cell_u(cu - d), u1 = std::min(cell_u(cu + d), u0 + 2);
    const std::uintptr_t row_bytes = std::uintptr_t(cells_v_) * sizeof(cell);
    std::uintptr_t first = reinterpret_cast<std::uintptr_t>(cells_.data() + u0 * cells_v_ + cell_v(cv - d));
    for (std::int64_t u = u0; u <= u1; ++u, first += row_bytes) {
        __builtin_prefetch(reinterpret_cast<const void*>(first));
        __builtin_prefetch(reinterpret_cast<const void*>(first + 64));
    }
}

}  // namespace zelkor
