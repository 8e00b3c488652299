// Test helpers: make a generator deliver chosen 32-bit outputs, and the reference tempering.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "random/mersenne.h"

namespace zelkor_test {

inline std::uint32_t temper(std::uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= y >> 18;
    return y;
}

// Inverse of temper: each xor-shift step is undone by repeating it until the shifted bits run out.
inline std::uint32_t untemper(std::uint32_t y) {
    y ^= y >> 18;
    y ^= (y << 15) & 0xefc60000u;
    std::uint32_t t = y;
    for (int i = 0; i < 5; ++i) t = y ^ ((t << 7) & 0x9d2c5680u);
    y = t;
    t = y;
    for (int i = 0; i < 3; ++i) t = y ^ (t >> 11);
    return t;
}

// The next get() calls return the given tempered words (scaled), in order.
inline void script_words(zelkor::CRandom& g, std::initializer_list<std::uint32_t> words) {
    int i = 0;
    for (std::uint32_t w : words) g.mt[i++] = untemper(w);
    g.mti = 0;
}

constexpr double kScale = 2.3283064370807974e-10;

}  // namespace zelkor_test
