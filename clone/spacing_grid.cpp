#include "clone/spacing_grid.h"

#include <algorithm>
#include <cmath>

namespace zelkor {

namespace {

bool finite(const XYZ6_typ& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Cells per grid: a few per expected position, so that a sparse scatter over a huge box does not
// pay for a huge array.
std::size_t cell_budget(std::size_t expected) { return std::max<std::size_t>(2 * expected, 1024); }

// Beyond this cell indices are not worth reasoning about: such positions and queries are tested
// one by one.
constexpr double kLargest = 1e30;

}  // namespace

// A million positions clear tens of megabytes of cells, and clearing fresh memory is mostly
// mapping it: another thread maps the upper half meanwhile.
void spacing_grid::clear_cells(std::size_t count) {
    cells_.reserve(count);
    const std::span<std::byte> room = spare_capacity(cells_);
    const page_prefault upper({room.subspan(room.size() / 2)});
    cells_.assign(count, cell{});
}

spacing_grid::spacing_grid(const XYZ6_typ& low, const XYZ6_typ& high, double cell_size, std::size_t expected) {
    points_.reserve(expected);
    next_.reserve(expected);
    if (!finite(low) || !finite(high) || !(cell_size > 0) || !std::isfinite(cell_size)) return;

    double extent[3] = {high.x - low.x, high.y - low.y, high.z - low.z};
    int order[3] = {0, 1, 2};
    std::stable_sort(order, order + 3, [&](int a, int b) { return extent[a] > extent[b]; });
    axis_u_ = std::min(order[0], order[1]);
    axis_v_ = std::max(order[0], order[1]);
    low_u_ = axis(low, axis_u_);
    low_v_ = axis(low, axis_v_);
    const double eu = extent[axis_u_], ev = extent[axis_v_];
    if (!std::isfinite(eu) || !std::isfinite(ev)) return;

    // Cells as wide as the spacing, unless that would exceed the budget.
    double width = cell_size;
    const double budget = double(cell_budget(expected));
    if ((eu / width + 1) * (ev / width + 1) > budget) width = std::max(std::sqrt(eu * ev / budget), std::max(eu, ev) / budget);
    inverse_cell_ = 1.0 / width;
    if (!std::isfinite(inverse_cell_) || !(inverse_cell_ > 0)) return;
    cells_u_ = std::int64_t(std::min(eu * inverse_cell_, budget)) + 1;
    cells_v_ = std::int64_t(std::min(ev * inverse_cell_, budget)) + 1;
    if (double(cells_u_) * double(cells_v_) > 2 * budget) return;
    last_u_ = double(cells_u_ - 1);
    last_v_ = double(cells_v_ - 1);
    clear_cells(std::size_t(cells_u_ * cells_v_));
    usable_ = true;
}


void spacing_grid::add(const XYZ6_typ& position) {
    const std::int32_t index = std::int32_t(points_.size());
    points_.push_back(position);
    next_.push_back(-1);
    const double u = axis(position, axis_u_), v = axis(position, axis_v_);
    if (!usable_ || !finite(position) || std::fabs(u) > kLargest || std::fabs(v) > kLargest) {
        odd_.push_back(index);
        return;
    }
    cell& home = cells_[std::size_t(cell_u(u) * cells_v_ + cell_v(v))];
    if (home.count < kInline) {
        home.inline_points[home.count++] = position;
        return;
    }
    next_.back() = home.more;
    home.more = index;
}

bool spacing_grid::scan_all(const XYZ6_typ& c, double d) const {
    for (const XYZ6_typ& q : points_)
        if (blocks(q, c, d)) return true;
    return false;
}

bool spacing_grid::is_blocked(const XYZ6_typ& c, double d) const {
    // Only a positive distance can exceed a distance; NaN compares false everywhere.
    if (!(d > 0) || points_.empty()) return false;
    // Below 1e-150 the squared differences can underflow to zero, so a computed distance no longer
    // bounds the coordinates; such distances take the plain scan.
    if (!usable_ || !finite(c) || !std::isfinite(d) || d < 1e-150) return scan_all(c, d);

    // A blocking q lies within d of c on every axis, as computed. The reach adds a margin far
    // above the rounding of the distance and of c -/+ reach itself, so that no such q falls
    // outside the searched cells.
    const double cu = axis(c, axis_u_), cv = axis(c, axis_v_);
    if (std::fabs(cu) > kLargest || std::fabs(cv) > kLargest || d > kLargest) return scan_all(c, d);
    const double reach_u = d * (1.0 + 1e-9) + std::fabs(cu) * 1e-15 + 1e-300;
    const double reach_v = d * (1.0 + 1e-9) + std::fabs(cv) * 1e-15 + 1e-300;
    const std::int64_t u0 = cell_u(cu - reach_u), u1 = cell_u(cu + reach_u);
    const std::int64_t v0 = cell_v(cv - reach_v), v1 = cell_v(cv + reach_v);
    // At most twice the cell budget in all, so the product cannot overflow.
    if ((u1 - u0 + 1) * (v1 - v0 + 1) > std::int64_t(points_.size())) return scan_all(c, d);

    for (std::int32_t q : odd_)
        if (blocks(points_[std::size_t(q)], c, d)) return true;
    for (std::int64_t u = u0; u <= u1; ++u) {
        const cell* row = cells_.data() + u * cells_v_;
        for (std::int64_t v = v0; v <= v1; ++v) {
            const cell& here = row[v];
            for (int slot = 0; slot < here.count; ++slot)
                if (blocks(here.inline_points[slot], c, d)) return true;
            for (std::int32_t q = here.more; q >= 0; q = next_[std::size_t(q)])
                if (blocks(points_[std::size_t(q)], c, d)) return true;
        }
    }
    return false;
}

}  // namespace zelkor
