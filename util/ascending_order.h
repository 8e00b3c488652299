// The order of n numbers from the smallest, equal numbers in index order: what a stable sort
// gives, found by a radix sort in a few passes over the keys instead of n log n comparisons.
// The numbers must not be NaN; -0 and +0 count as equal, as `<` has them.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "util/huge_page_allocator.h"

namespace zelkor {

namespace ascending_order_detail {

// A double's bits turned into an unsigned number of the same order: negatives have all their
// bits flipped (larger magnitude, smaller number), positives only the sign bit.
inline std::uint64_t ordered_bits(double v) {
    if (v == 0) v = 0;  // -0 sorts with +0
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
    return bits >> 63 ? ~bits : bits | (std::uint64_t(1) << 63);
}

struct entry {
    std::uint64_t key;
    std::uint32_t index;
};

}  // namespace ascending_order_detail

// Indices 0 .. n-1 in ascending order of value(i) (ties by index).
template <class Value>
std::vector<std::uint32_t> ascending_order(std::size_t n, Value value) {
    using ascending_order_detail::entry;
    std::vector<entry, huge_page_allocator<entry>> from(n), to(n);
    constexpr int kDigits = 8;  // of 8 bits, lowest first: each pass is stable, so ties keep index order
    std::array<std::array<std::size_t, 256>, kDigits> counts{};
    for (std::size_t i = 0; i < n; ++i) {
        from[i] = {ascending_order_detail::ordered_bits(value(i)), std::uint32_t(i)};
        for (int d = 0; d < kDigits; ++d) ++counts[std::size_t(d)][(from[i].key >> (8 * d)) & 0xFF];
    }
    for (int d = 0; d < kDigits; ++d) {
        std::array<std::size_t, 256>& count = counts[std::size_t(d)];
        // A digit that every key shares (the sign and exponent bytes, mostly) moves nothing.
        if (n == 0 || count[(from[0].key >> (8 * d)) & 0xFF] == n) continue;
        std::size_t sum = 0;
        for (std::size_t& c : count) {
            const std::size_t here = c;
            c = sum;
            sum += here;
        }
        for (const entry& e : from) to[count[(e.key >> (8 * d)) & 0xFF]++] = e;
        from.swap(to);
    }
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = from[i].index;
    return order;
}

}  // namespace zelkor
