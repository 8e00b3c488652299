// Nearest-clone queries over a run's clone positions, for measuring how the clones are spread.
// A hashed grid of cubic cells answers the usual question, a clone within a cell or two, by
// looking at a handful of cells; a point far from every clone (a hole the density map left, a
// probe beyond the clones' extent) is answered by a k-d tree built the first time one is asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace zelkor::cli {

class NearestClone {
public:
    static constexpr std::size_t kNone = std::size_t(-1);

    struct Hit {
        std::size_t clone = kNone;  // index into the positions given; kNone when there is none
        double distance = 0;
    };

    // `positions` holds x, y, z per clone and must outlive this object. `cell_size` is the grid's
    // cell edge: about the expected distance between neighbours keeps queries to a few cells. It
    // is enlarged when the clones' extent would need more cells along an axis than a key holds.
    NearestClone(std::span<const double> positions, double cell_size);
    ~NearestClone();

    std::size_t size() const { return count_; }
    double cell_size() const { return cell_; }

    // The clone nearest to `p` other than `skip`; the lowest index among equally near ones is not
    // promised, only the distance is exact.
    Hit nearest(const double p[3], std::size_t skip = kNone) const;
    // Some clone at `radius` or nearer from `p` (not always the nearest), or kNone.
    std::size_t clone_within(const double p[3], double radius) const;

    // The clone nearest to another, the clones taken in the order of their cells (rank 0 to
    // size() - 1), which keeps consecutive queries local; `clone` of the hit's query is query_of().
    Hit nearest_neighbour(std::size_t rank) const { return nearest(sorted_[rank].at, sorted_[rank].index); }
    std::size_t query_of(std::size_t rank) const { return sorted_[rank].index; }

private:
    struct Cell {
        std::uint64_t key = 0;  // 0: empty slot
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };
    class Tree;

    bool cell_of(const double p[3], std::int64_t cell[3], double fraction[3]) const;
    const Cell* find(std::uint64_t key) const;
    // The nearest clone within `reach` of p from the rings of cells around p's cell, up to
    // `max_ring`; with `first_within`, the first clone found within reach. False when the rings
    // could not settle the answer and the tree must.
    bool ring_search(const double p[3], std::size_t skip, double reach, bool first_within, Hit& best, int max_ring) const;
    const Tree& tree() const;

    std::span<const double> positions_;
    std::size_t count_ = 0;
    double cell_ = 1;
    double origin_[3] = {0, 0, 0};
    std::vector<Cell> table_;        // open addressing, a power of two in size
    std::vector<std::uint64_t> occupied_;  // a bit per cell, by its hash: clear for an empty cell
    struct Placed {
        double at[3];
        std::uint32_t index;  // into the positions given
    };
    std::vector<Placed> sorted_;  // clones in cell order, so that a cell's clones sit together
    mutable std::once_flag tree_built_;  // queries may come from several threads
    mutable std::unique_ptr<Tree> tree_;
};

}  // namespace zelkor::cli
