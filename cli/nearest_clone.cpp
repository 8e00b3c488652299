#include "cli/nearest_clone.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>
#include <numeric>

namespace zelkor::cli {

namespace {

// Cell coordinates take 21 bits each in a key, offset so that cells on either side of the
// clones' extent have keys too; the clones' own cells stay within kClonesCells of the origin.
constexpr std::int64_t kBias = std::int64_t(1) << 20;
constexpr double kClonesCells = double(std::int64_t(1) << 19);
// Rings searched before the tree answers: 7 x 7 x 7 cells, far more than an even scatter needs.
constexpr int kMaxRing = 3;
constexpr std::size_t kLeaf = 8;

std::uint64_t key_of(std::int64_t x, std::int64_t y, std::int64_t z) {
    return std::uint64_t(x + kBias) | std::uint64_t(y + kBias) << 21 | std::uint64_t(z + kBias) << 42;
}

double squared_distance(const double* a, const double* b) {
    const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return dx * dx + dy * dy + dz * dz;
}

}  // namespace

// A k-d tree kept in one array: the range [lo, hi) splits at its middle element on the axis of
// its widest spread; the two halves are the ranges on either side. No nodes are stored.
class NearestClone::Tree {
public:
    explicit Tree(std::span<const double> positions) : index_(positions.size() / 3), axis_(index_.size()) {
        std::iota(index_.begin(), index_.end(), std::uint32_t(0));
        points_ = positions;
        build(0, index_.size());
        // The points in tree order, so that a search reads them in sequence.
        tree_points_.resize(positions.size());
        for (std::size_t k = 0; k < index_.size(); ++k)
            std::copy_n(&positions[3 * std::size_t(index_[k])], 3, &tree_points_[3 * k]);
    }

    void nearest(const double p[3], std::size_t skip, std::size_t& best, double& best_squared) const {
        search(p, skip, 0, index_.size(), best, best_squared);
    }

private:
    void build(std::size_t lo, std::size_t hi) {
        if (hi - lo <= kLeaf) return;
        double low[3], high[3];
        for (int a = 0; a < 3; ++a) low[a] = high[a] = points_[3 * std::size_t(index_[lo]) + a];
        for (std::size_t k = lo + 1; k < hi; ++k)
            for (int a = 0; a < 3; ++a) {
                const double v = points_[3 * std::size_t(index_[k]) + a];
                low[a] = std::min(low[a], v);
                high[a] = std::max(high[a], v);
            }
        int axis = 0;
        for (int a = 1; a < 3; ++a)
            if (high[a] - low[a] > high[axis] - low[axis]) axis = a;
        const std::size_t mid = lo + (hi - lo) / 2;
        std::nth_element(index_.begin() + std::ptrdiff_t(lo), index_.begin() + std::ptrdiff_t(mid),
                         index_.begin() + std::ptrdiff_t(hi), [&](std::uint32_t a, std::uint32_t b) {
                             return points_[3 * std::size_t(a) + axis] < points_[3 * std::size_t(b) + axis];
                         });
        axis_[mid] = std::uint8_t(axis);
        build(lo, mid);
        build(mid + 1, hi);
    }

    void visit(const double p[3], std::size_t skip, std::size_t k, std::size_t& best, double& best_squared) const {
        if (index_[k] == skip) return;
        const double d = squared_distance(p, &tree_points_[3 * k]);
        if (d < best_squared) best_squared = d, best = index_[k];
    }

    void search(const double p[3], std::size_t skip, std::size_t lo, std::size_t hi, std::size_t& best,
                double& best_squared) const {
        if (hi - lo <= kLeaf) {
            for (std::size_t k = lo; k < hi; ++k) visit(p, skip, k, best, best_squared);
            return;
        }
        const std::size_t mid = lo + (hi - lo) / 2;
        visit(p, skip, mid, best, best_squared);
        const double diff = p[axis_[mid]] - tree_points_[3 * mid + axis_[mid]];
        if (diff < 0) {
            search(p, skip, lo, mid, best, best_squared);
            if (diff * diff < best_squared) search(p, skip, mid + 1, hi, best, best_squared);
        } else {
            search(p, skip, mid + 1, hi, best, best_squared);
            if (diff * diff < best_squared) search(p, skip, lo, mid, best, best_squared);
        }
    }

    std::span<const double> points_;
    std::vector<std::uint32_t> index_;
    std::vector<std::uint8_t> axis_;
    std::vector<double> tree_points_;
};

NearestClone::NearestClone(std::span<const double> positions, double cell_size)
    : positions_(positions), count_(positions.size() / 3) {
    assert(positions.size() % 3 == 0 && count_ < std::numeric_limits<std::uint32_t>::max());
    double high[3] = {0, 0, 0};
    for (std::size_t i = 0; i < count_; ++i)
        for (int a = 0; a < 3; ++a) {
            const double v = positions[3 * i + a];
            if (i == 0 || v < origin_[a]) origin_[a] = v;
            if (i == 0 || v > high[a]) high[a] = v;
        }
    const double extent = std::max({high[0] - origin_[0], high[1] - origin_[1], high[2] - origin_[2]});
    cell_ = cell_size;
    if (!(cell_ > 0) || !std::isfinite(cell_)) cell_ = extent > 0 ? extent / 1024 : 1;
    cell_ = std::max(cell_, extent / kClonesCells);

    std::size_t capacity = 16;
    while (capacity < 2 * count_) capacity *= 2;
    table_.assign(capacity, Cell{});
    // Count per cell, then hand each cell its slice of the order: two passes, one allocation.
    std::vector<std::uint32_t> slot_of(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        std::int64_t cell[3];
        double fraction[3];
        [[maybe_unused]] const bool inside = cell_of(&positions[3 * i], cell, fraction);
        assert(inside);
        const std::uint64_t key = key_of(cell[0], cell[1], cell[2]);
        std::size_t slot = std::size_t((key * 0x9e3779b97f4a7c15ull) >> 40) & (capacity - 1);
        while (table_[slot].key != 0 && table_[slot].key != key) slot = (slot + 1) & (capacity - 1);
        table_[slot].key = key;
        ++table_[slot].count;
        slot_of[i] = std::uint32_t(slot);
    }
    std::uint32_t next = 0;
    for (Cell& c : table_) {
        c.first = next;
        next += c.count;
        c.count = 0;
    }
    order_.resize(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        Cell& c = table_[slot_of[i]];
        order_[c.first + c.count++] = std::uint32_t(i);
    }
    sorted_.resize(3 * count_);
    for (std::size_t k = 0; k < count_; ++k) std::copy_n(&positions[3 * std::size_t(order_[k])], 3, &sorted_[3 * k]);
}

NearestClone::~NearestClone() = default;

bool NearestClone::cell_of(const double p[3], std::int64_t cell[3], double fraction[3]) const {
    for (int a = 0; a < 3; ++a) {
        const double t = (p[a] - origin_[a]) / cell_;
        // Also false for a coordinate that is not a number.
        if (!(t >= -double(kBias) + 1 && t < double(kBias) - 1)) return false;
        const double whole = std::floor(t);
        cell[a] = std::int64_t(whole);
        fraction[a] = t - whole;
    }
    return true;
}

const NearestClone::Cell* NearestClone::find(std::uint64_t key) const {
    const std::size_t mask = table_.size() - 1;
    std::size_t slot = std::size_t((key * 0x9e3779b97f4a7c15ull) >> 40) & mask;
    while (table_[slot].key != 0) {
        if (table_[slot].key == key) return &table_[slot];
        slot = (slot + 1) & mask;
    }
    return nullptr;
}

bool NearestClone::ring_search(const double p[3], std::size_t skip, double reach, bool first_within, Hit& best,
                               int max_ring) const {
    std::int64_t cell[3];
    double fraction[3];
    if (count_ == 0 || !cell_of(p, cell, fraction)) return false;
    double best_squared = std::numeric_limits<double>::infinity();
    const double reach_squared = reach * reach;
    // How far p is from a cell `d` cells away along one axis, in cells.
    const auto gap = [](std::int64_t d, double f) { return d > 0 ? double(d) - f : d < 0 ? double(-d) - 1 + f : 0.0; };
    for (int r = 0; r <= max_ring; ++r) {
        for (std::int64_t dx = -r; dx <= r; ++dx)
            for (std::int64_t dy = -r; dy <= r; ++dy)
                for (std::int64_t dz = -r; dz <= r; ++dz) {
                    if (std::max({std::abs(dx), std::abs(dy), std::abs(dz)}) != r) continue;
                    const double gx = gap(dx, fraction[0]), gy = gap(dy, fraction[1]), gz = gap(dz, fraction[2]);
                    const double near_squared = (gx * gx + gy * gy + gz * gz) * cell_ * cell_;
                    if (near_squared > best_squared || near_squared > reach_squared) continue;
                    const Cell* c = find(key_of(cell[0] + dx, cell[1] + dy, cell[2] + dz));
                    if (!c) continue;
                    for (std::uint32_t k = c->first; k < c->first + c->count; ++k) {
                        if (order_[k] == skip) continue;
                        const double d = squared_distance(p, &sorted_[3 * std::size_t(k)]);
                        if (d < best_squared) best_squared = d, best.clone = order_[k];
                    }
                    if (first_within && best_squared <= reach_squared) {  // any_within needs no more
                        best.distance = std::sqrt(best_squared);
                        return true;
                    }
                }
        // Every cell of the next ring lies at least r cells away from p.
        const double settled = double(r) * cell_;
        if (best_squared <= settled * settled || reach <= settled) {
            best.distance = std::sqrt(best_squared);
            return true;
        }
    }
    return false;
}

const NearestClone::Tree& NearestClone::tree() const {
    if (!tree_) tree_ = std::make_unique<Tree>(positions_);
    return *tree_;
}

NearestClone::Hit NearestClone::nearest(const double p[3], std::size_t skip) const {
    Hit best;
    if (ring_search(p, skip, std::numeric_limits<double>::infinity(), false, best, kMaxRing)) return best;
    best = Hit{};
    double best_squared = std::numeric_limits<double>::infinity();
    if (count_ > 0) tree().nearest(p, skip, best.clone, best_squared);
    if (best.clone != kNone) best.distance = std::sqrt(best_squared);
    return best;
}

bool NearestClone::any_within(const double p[3], double radius) const {
    if (!(radius >= 0)) return false;
    Hit best;
    if (ring_search(p, kNone, radius, true, best, kMaxRing)) return best.clone != kNone && best.distance <= radius;
    const Hit hit = nearest(p);
    return hit.clone != kNone && hit.distance <= radius;
}

}  // namespace zelkor::cli
