#include "cli/nearest_clone.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <limits>
#include <numeric>

namespace zelkor::cli {

namespace {

// Rings searched before the tree answers: 7 x 7 columns, far more than an even scatter needs.
constexpr int kMaxRing = 3;
constexpr std::size_t kLeaf = 8;
// Column numbers stay far from where a double stops counting whole numbers.
constexpr double kFarthestColumn = 1e15;

struct ColumnOffset {
    std::int8_t du, dv;
};

// The columns around a column, ring by ring, nearer first: ring r holds those r columns away
// along one axis or both. A search that finds a near clone early passes over more columns.
const std::array<std::vector<ColumnOffset>, kMaxRing + 1>& ring_offsets() {
    static const auto rings = [] {
        std::array<std::vector<ColumnOffset>, kMaxRing + 1> t;
        for (int du = -kMaxRing; du <= kMaxRing; ++du)
            for (int dv = -kMaxRing; dv <= kMaxRing; ++dv)
                t[std::size_t(std::max(std::abs(du), std::abs(dv)))].push_back({std::int8_t(du), std::int8_t(dv)});
        for (auto& ring : t)
            std::stable_sort(ring.begin(), ring.end(),
                             [](ColumnOffset a, ColumnOffset b) { return a.du * a.du + a.dv * a.dv < b.du * b.du + b.dv * b.dv; });
        return t;
    }();
    return rings;
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
    double low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    for (std::size_t i = 0; i < count_; ++i)
        for (int a = 0; a < 3; ++a) {
            const double v = positions[3 * i + a];
            if (i == 0 || v < low[a]) low[a] = v;
            if (i == 0 || v > high[a]) high[a] = v;
        }
    const double extent[3] = {high[0] - low[0], high[1] - low[1], high[2] - low[2]};
    int order[3] = {0, 1, 2};
    std::stable_sort(order, order + 3, [&](int a, int b) { return extent[a] > extent[b]; });
    axis_[0] = std::min(order[0], order[1]);
    axis_[1] = std::max(order[0], order[1]);
    const double eu = extent[axis_[0]], ev = extent[axis_[1]];
    origin_[0] = low[axis_[0]];
    origin_[1] = low[axis_[1]];

    // Columns as wide as asked, unless that would take more than a few per clone.
    const double budget = double(std::max<std::size_t>(4 * count_, 1024));
    cell_ = cell_size;
    if (!(cell_ > 0) || !std::isfinite(cell_)) cell_ = std::max(eu, ev) > 0 ? std::max(eu, ev) / 1024 : 1;
    if ((eu / cell_ + 1) * (ev / cell_ + 1) > budget) cell_ = std::max(std::sqrt(eu * ev / budget), std::max(eu, ev) / budget);
    if (!(cell_ > 0) || !std::isfinite(cell_)) cell_ = 1;
    // A box too large to count in columns, or a clone whose coordinates are not numbers, leaves
    // every query to the tree.
    gridded_ = eu / cell_ <= budget && ev / cell_ <= budget;
    std::vector<std::uint32_t> column_of_clone(count_, 0);
    if (gridded_) {
        columns_[0] = std::int64_t(eu / cell_) + 1;
        columns_[1] = std::int64_t(ev / cell_) + 1;
        for (std::size_t i = 0; i < count_ && gridded_; ++i) {
            std::int64_t column[2] = {0, 0};
            double fraction[2];
            gridded_ = column_of(&positions[3 * i], column, fraction);
            const std::int64_t u = std::clamp<std::int64_t>(column[0], 0, columns_[0] - 1);
            const std::int64_t v = std::clamp<std::int64_t>(column[1], 0, columns_[1] - 1);
            column_of_clone[i] = std::uint32_t(u * columns_[1] + v);
        }
    }
    if (!gridded_) {
        columns_[0] = columns_[1] = 1;
        std::fill(column_of_clone.begin(), column_of_clone.end(), 0);
    }

    // Count per column, then hand each column its slice of the clones: two passes.
    first_.assign(std::size_t(columns_[0] * columns_[1]) + 1, 0);
    for (std::uint32_t column : column_of_clone) ++first_[column + 1];
    for (std::size_t k = 1; k < first_.size(); ++k) first_[k] += first_[k - 1];
    std::vector<std::uint32_t> filled(first_.begin(), first_.end() - 1);
    sorted_.resize(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        Placed& placed = sorted_[filled[column_of_clone[i]]++];
        std::copy_n(&positions[3 * i], 3, placed.at);
        placed.index = std::uint32_t(i);
    }
}

NearestClone::~NearestClone() = default;

bool NearestClone::column_of(const double p[3], std::int64_t column[2], double fraction[2]) const {
    for (int a = 0; a < 2; ++a) {
        const double t = (p[axis_[a]] - origin_[a]) / cell_;
        // Also false for a coordinate that is not a number.
        if (!(t > -kFarthestColumn && t < kFarthestColumn)) return false;
        const double whole = std::floor(t);
        column[a] = std::int64_t(whole);
        fraction[a] = t - whole;
    }
    return true;
}

bool NearestClone::ring_search(const double p[3], std::size_t skip, double reach, bool first_within, Hit& best,
                               int max_ring) const {
    std::int64_t column[2];
    double fraction[2];
    if (count_ == 0 || !gridded_ || !column_of(p, column, fraction)) return false;
    double best_squared = std::numeric_limits<double>::infinity();
    const double reach_squared = reach * reach;
    // gaps[a][d + kMaxRing]: how far p is, squared, along axis a from the columns d columns away.
    // A clone's distance from p is at least its column's distance in the grid's plane.
    double gaps[2][2 * kMaxRing + 1];
    double edge = 1;  // p's distance to its own column's nearest side, in columns
    for (int a = 0; a < 2; ++a) {
        const double f = fraction[a];
        edge = std::min({edge, f, 1 - f});
        for (int d = -kMaxRing; d <= kMaxRing; ++d) {
            const double g = (d > 0 ? double(d) - f : d < 0 ? double(-d) - 1 + f : 0.0) * cell_;
            gaps[a][d + kMaxRing] = g * g;
        }
    }
    const auto& rings = ring_offsets();
    for (int r = 0; r <= max_ring; ++r) {
        for (const ColumnOffset& o : rings[std::size_t(r)]) {
            const std::int64_t u = column[0] + o.du, v = column[1] + o.dv;
            if (u < 0 || u >= columns_[0] || v < 0 || v >= columns_[1]) continue;
            const double near_squared = gaps[0][o.du + kMaxRing] + gaps[1][o.dv + kMaxRing];
            if (near_squared > best_squared || near_squared > reach_squared) continue;
            const std::size_t k = std::size_t(u * columns_[1] + v);
            for (std::uint32_t i = first_[k]; i < first_[k + 1]; ++i) {
                const Placed& q = sorted_[i];
                if (q.index == skip) continue;
                const double d = squared_distance(p, q.at);
                if (d < best_squared) best_squared = d, best.clone = q.index;
            }
            if (first_within && best_squared <= reach_squared) {  // clone_within needs no more
                best.distance = std::sqrt(best_squared);
                return true;
            }
        }
        // Every column of the next ring lies r columns and p's distance to its column's nearest
        // side away.
        const double settled = (double(r) + edge) * cell_;
        if (best_squared <= settled * settled || reach <= settled) {
            best.distance = std::sqrt(best_squared);
            return true;
        }
    }
    return false;
}

const NearestClone::Tree& NearestClone::tree() const {
    std::call_once(tree_built_, [this] { tree_ = std::make_unique<Tree>(positions_); });
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

std::size_t NearestClone::clone_within(const double p[3], double radius) const {
    if (!(radius >= 0)) return kNone;
    Hit best;
    if (!ring_search(p, kNone, radius, true, best, kMaxRing)) best = nearest(p);
    return best.clone != kNone && best.distance <= radius ? best.clone : kNone;
}

}  // namespace zelkor::cli
