// A spatial hash of placed clone positions that answers the placement's spacing question
// ("is some placed position strictly closer than d to c?") without walking every position.
//
// The answer is the one the x-sorted list walk gives: a position q blocks c exactly when
// q.x > c.x - d, q.x <= c.x + d and d > c.calc_distance(q), evaluated with the same floating-point
// operations. The grid only narrows down which q are looked at.
#pragma once

#include <cstdint>
#include <vector>

#include "math/vector.h"

namespace zelkor {

class spacing_grid {
public:
    // `cell_size` is the distance most queries use; other distances work too, only slower.
    explicit spacing_grid(double cell_size);

    void add(const XYZ6_typ& position);
    bool is_blocked(const XYZ6_typ& c, double d) const;
    std::size_t size() const { return points_.size(); }

private:
    struct slot {
        std::uint64_t key;
        std::int32_t head;  // -1 marks an empty slot
    };

    static bool blocks(const XYZ6_typ& q, const XYZ6_typ& c, double d);
    std::int64_t cell_of(double v) const;
    static std::uint64_t key_of(std::int64_t ix, std::int64_t iy, std::int64_t iz);
    std::int32_t find_head(std::uint64_t key) const;
    void insert(std::uint64_t key, std::int32_t point);
    void grow();
    bool scan_all(const XYZ6_typ& c, double d) const;

    double cell_size_;
    double inverse_cell_;
    bool usable_;                      // false when the cell size is zero or not finite
    std::vector<XYZ6_typ> points_;
    std::vector<std::int32_t> next_;   // next point of the same cell, -1 at the end
    std::vector<slot> slots_;          // open addressing, power-of-two size
    std::size_t used_slots_ = 0;
    std::vector<std::int32_t> odd_;    // points with a non-finite coordinate, never in a cell
};

}  // namespace zelkor
