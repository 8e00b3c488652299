#include "cli/nearest_clone.h"

#include <algorithm>
#include <array>
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

// Cells are hashed by blocks of 4 x 4 x 4: a block's cells take 64 neighbouring slots of the
// table, so that the few dozen cells around a query (and the clones they hold, which are stored in
// slot order) share a few cache lines instead of one each; and one 64-bit word of the occupancy
// bits, so that the empty cells around a query (most of them, around a surface) are passed over
// without a look into the table.
struct CellHash {
    std::uint64_t block;  // the block's hash
    unsigned within;      // the cell's place in its block

    explicit CellHash(std::uint64_t key) {
        constexpr std::uint64_t kCoordinate = (std::uint64_t(1) << 21) - 1;
        const std::uint64_t x = key & kCoordinate, y = key >> 21 & kCoordinate, z = key >> 42;
        block = (((x >> 2) | (y >> 2) << 21 | (z >> 2) << 42) * 0x9e3779b97f4a7c15ull) >> 40;
        within = unsigned((x & 3) | (y & 3) << 2 | (z & 3) << 4);
    }
    std::size_t home_slot(std::size_t mask) const { return std::size_t(block << 6 | within) & mask; }
    std::size_t word(std::size_t mask) const { return std::size_t(block) & mask; }
};

struct CellOffset {
    std::int8_t dx, dy, dz;
};

// The cells around a cell, ring by ring: ring r holds those r cells away along some axis.
const std::array<std::vector<CellOffset>, kMaxRing + 1>& ring_offsets() {
    static const auto rings = [] {
        std::array<std::vector<CellOffset>, kMaxRing + 1> t;
        for (int dx = -kMaxRing; dx <= kMaxRing; ++dx)
            for (int dy = -kMaxRing; dy <= kMaxRing; ++dy)
                for (int dz = -kMaxRing; dz <= kMaxRing; ++dz)
                    t[std::size_t(std::max({std::abs(dx), std::abs(dy), std::abs(dz)}))].push_back(
                        {std::int8_t(dx), std::int8_t(dy), std::int8_t(dz)});
        // Nearer cells first: a search that finds a near clone early prunes more.
        for (auto& ring : t)
            std::stable_sort(ring.begin(), ring.end(), [](CellOffset a, CellOffset b) {
                return a.dx * a.dx + a.dy * a.dy + a.dz * a.dz < b.dx * b.dx + b.dy * b.dy + b.dz * b.dz;
            });
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

    // Blocks sharing their 64 slots is fine: a surface crosses a block in a slab, filling few.
    std::size_t capacity = 64;
    while (capacity < 2 * count_) capacity *= 2;
    table_.assign(capacity, Cell{});
    occupied_.assign(capacity / 16, 0);  // a bit for every 16th slot: few words hold two blocks
    // Count per cell, then hand each cell its slice of the clones: two passes, one allocation.
    std::vector<std::uint32_t> slot_of(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        std::int64_t cell[3];
        double fraction[3];
        [[maybe_unused]] const bool inside = cell_of(&positions[3 * i], cell, fraction);
        assert(inside);
        const std::uint64_t key = key_of(cell[0], cell[1], cell[2]);
        const CellHash hash(key);
        occupied_[hash.word(occupied_.size() - 1)] |= std::uint64_t(1) << hash.within;
        std::size_t slot = hash.home_slot(capacity - 1);
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
    sorted_.resize(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        Cell& c = table_[slot_of[i]];
        Placed& placed = sorted_[c.first + c.count++];
        std::copy_n(&positions[3 * i], 3, placed.at);
        placed.index = std::uint32_t(i);
    }
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
    const CellHash hash(key);
    if (!(occupied_[hash.word(occupied_.size() - 1)] >> hash.within & 1)) return nullptr;
    const std::size_t mask = table_.size() - 1;
    for (std::size_t slot = hash.home_slot(mask); table_[slot].key != 0; slot = (slot + 1) & mask)
        if (table_[slot].key == key) return &table_[slot];
    return nullptr;
}

bool NearestClone::ring_search(const double p[3], std::size_t skip, double reach, bool first_within, Hit& best,
                               int max_ring) const {
    std::int64_t cell[3];
    double fraction[3];
    if (count_ == 0 || !cell_of(p, cell, fraction)) return false;
    double best_squared = std::numeric_limits<double>::infinity();
    const double reach_squared = reach * reach;
    // gaps[a][d + kMaxRing]: how far p is, squared, along axis a from the cells d cells away.
    double gaps[3][2 * kMaxRing + 1];
    double edge = 1;  // p's distance to its own cell's nearest face, in cells
    for (int a = 0; a < 3; ++a) {
        const double f = fraction[a];
        edge = std::min({edge, f, 1 - f});
        for (int d = -kMaxRing; d <= kMaxRing; ++d) {
            const double g = (d > 0 ? double(d) - f : d < 0 ? double(-d) - 1 + f : 0.0) * cell_;
            gaps[a][d + kMaxRing] = g * g;
        }
    }
    const auto& shells = ring_offsets();
    for (int r = 0; r <= max_ring; ++r) {
        for (const CellOffset& o : shells[std::size_t(r)]) {
            const double near_squared = gaps[0][o.dx + kMaxRing] + gaps[1][o.dy + kMaxRing] + gaps[2][o.dz + kMaxRing];
            if (near_squared > best_squared || near_squared > reach_squared) continue;
            const Cell* c = find(key_of(cell[0] + o.dx, cell[1] + o.dy, cell[2] + o.dz));
            if (!c) continue;
            for (std::uint32_t k = c->first; k < c->first + c->count; ++k) {
                const Placed& q = sorted_[k];
                if (q.index == skip) continue;
                const double d = squared_distance(p, q.at);
                if (d < best_squared) best_squared = d, best.clone = q.index;
            }
            if (first_within && best_squared <= reach_squared) {  // clone_within needs no more
                best.distance = std::sqrt(best_squared);
                return true;
            }
        }
        // Every cell of the next ring lies r cells and p's distance to its cell's nearest face away.
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
