// Nearest-clone queries over a run's clone positions, for measuring how the clones are spread.
// Clones stand on surfaces, so a flat grid finds them: square columns over the two widest axes of
// the clones' box, in one array indexed by column, each holding the clones above and below it;
// the third axis is left to the exact distance. The usual question, a clone within a column or
// two, is answered from a few neighbouring columns; a point far from every clone (a hole the
// density map left, a probe beyond the clones' extent) by a k-d tree built the first time one is
// asked.
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

    // `positions` holds x, y, z per clone and must outlive this object. `cell_size` is a column's
    // width: about the expected distance between neighbours keeps queries to a few columns. It is
    // enlarged when the clones' box would need more than a few columns per clone.
    NearestClone(std::span<const double> positions, double cell_size);
    ~NearestClone();

    std::size_t size() const { return count_; }
    double cell_size() const { return cell_; }

    // The clone nearest to `p` other than `skip`; the lowest index among equally near ones is not
    // promised, only the distance is exact.
    Hit nearest(const double p[3], std::size_t skip = kNone) const;
    // Some clone at `radius` or nearer from `p` (not always the nearest), or kNone.
    std::size_t clone_within(const double p[3], double radius) const;

    // The nearest other clone to the clone of rank `rank` (0 to size() - 1) in the order of the
    // columns: asking in rank order keeps consecutive queries local.
    Hit nearest_neighbour(std::size_t rank) const { return nearest(sorted_[rank].at, sorted_[rank].index); }

private:
    class Tree;

    // p's column along the grid's two axes, and where in it p lies (0 to 1, each); false for a
    // point too far off for column numbers.
    bool column_of(const double p[3], std::int64_t column[2], double fraction[2]) const;
    // The nearest clone within `reach` of p from the rings of columns around p's column, up to
    // `max_ring`; with `first_within`, the first clone found within reach. False when the rings
    // could not settle the answer and the tree must.
    bool ring_search(const double p[3], std::size_t skip, double reach, bool first_within, Hit& best, int max_ring) const;
    const Tree& tree() const;

    std::span<const double> positions_;
    std::size_t count_ = 0;
    double cell_ = 1;
    int axis_[2] = {0, 2};          // the grid's axes: 0 = x, 1 = y, 2 = z
    double origin_[2] = {0, 0};
    std::int64_t columns_[2] = {1, 1};
    bool gridded_ = false;  // false: every query goes to the tree
    std::vector<std::uint32_t> first_;  // column k's clones: sorted_[first_[k]] to sorted_[first_[k + 1] - 1]
    struct Placed {
        double at[3];
        std::uint32_t index;  // into the positions given
    };
    std::vector<Placed> sorted_;  // clones by column, so that a column's clones sit together
    mutable std::once_flag tree_built_;  // queries may come from several threads
    mutable std::unique_ptr<Tree> tree_;
};

}  // namespace zelkor::cli
