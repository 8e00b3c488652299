#include "clone/spacing_grid.h"

#include <cmath>

namespace zelkor {

namespace {

bool finite(const XYZ6_typ& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Cell indices are clamped so that huge coordinates cannot overflow; clamped cells still hold
// their points, they are only shared by more of them.
constexpr double kCellLimit = 1e15;

}  // namespace

spacing_grid::spacing_grid(double cell_size)
    : cell_size_(cell_size),
      inverse_cell_(1.0 / cell_size),
      usable_(std::isfinite(cell_size) && cell_size > 0 && std::isfinite(1.0 / cell_size)) {
    slots_.assign(1024, slot{0, -1});
}

bool spacing_grid::blocks(const XYZ6_typ& q, const XYZ6_typ& c, double d) {
    XYZ6_typ from = c;
    return q.x > c.x - d && q.x <= c.x + d && d > from.calc_distance(q);
}

std::int64_t spacing_grid::cell_of(double v) const {
    double cell = std::floor(v * inverse_cell_);
    if (cell > kCellLimit) cell = kCellLimit;
    if (cell < -kCellLimit) cell = -kCellLimit;
    return std::int64_t(cell);
}

std::uint64_t spacing_grid::key_of(std::int64_t ix, std::int64_t iy, std::int64_t iz) {
    // A 64-bit mix of the three indices; equal keys from different cells only cost a few more
    // distance tests, never a wrong answer, because every candidate is tested exactly.
    std::uint64_t h = std::uint64_t(ix) * 0x9E3779B97F4A7C15ull;
    h ^= std::uint64_t(iy) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= std::uint64_t(iz) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return h;
}

std::int32_t spacing_grid::find_head(std::uint64_t key) const {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = std::size_t(key) & mask;; i = (i + 1) & mask) {
        const slot& s = slots_[i];
        if (s.head < 0) return -1;
        if (s.key == key) return s.head;
    }
}

void spacing_grid::insert(std::uint64_t key, std::int32_t point) {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = std::size_t(key) & mask;; i = (i + 1) & mask) {
        slot& s = slots_[i];
        if (s.head < 0) {
            s = slot{key, point};
            next_[point] = -1;
            ++used_slots_;
            return;
        }
        if (s.key == key) {
            next_[point] = s.head;
            s.head = point;
            return;
        }
    }
}

void spacing_grid::grow() {
    std::vector<slot> old = std::move(slots_);
    slots_.assign(old.size() * 2, slot{0, -1});
    std::size_t mask = slots_.size() - 1;
    for (const slot& s : old) {
        if (s.head < 0) continue;
        std::size_t i = std::size_t(s.key) & mask;
        while (slots_[i].head >= 0) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

void spacing_grid::add(const XYZ6_typ& position) {
    std::int32_t index = std::int32_t(points_.size());
    points_.push_back(position);
    next_.push_back(-1);
    if (!usable_ || !finite(position)) {
        odd_.push_back(index);
        return;
    }
    if (2 * (used_slots_ + 1) > slots_.size()) grow();
    insert(key_of(cell_of(position.x), cell_of(position.y), cell_of(position.z)), index);
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

    // A blocking q lies within d of c on every axis; the reach is widened by a relative margin
    // far above the rounding of the distance so that no such q falls outside the searched cells.
    double reach = d * (1.0 + 1e-9) + 1e-300;
    std::int64_t x0 = cell_of(c.x - reach), x1 = cell_of(c.x + reach);
    std::int64_t y0 = cell_of(c.y - reach), y1 = cell_of(c.y + reach);
    std::int64_t z0 = cell_of(c.z - reach), z1 = cell_of(c.z + reach);
    double cells = double(x1 - x0 + 1) * double(y1 - y0 + 1) * double(z1 - z0 + 1);
    if (cells > double(points_.size())) return scan_all(c, d);

    for (std::int32_t q : odd_)
        if (blocks(points_[q], c, d)) return true;
    for (std::int64_t ix = x0; ix <= x1; ++ix)
        for (std::int64_t iy = y0; iy <= y1; ++iy)
            for (std::int64_t iz = z0; iz <= z1; ++iz)
                for (std::int32_t q = find_head(key_of(ix, iy, iz)); q >= 0; q = next_[q])
                    if (blocks(points_[q], c, d)) return true;
    return false;
}

}  // namespace zelkor
