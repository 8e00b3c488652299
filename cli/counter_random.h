// Random numbers addressed by position instead of drawn in sequence: value `index` of a stream is
// a hash of (seed, index), so any value can be had without drawing the ones before it. The
// command line measures a run with these and never with the module's generator, whose state the
// measurement would otherwise move (and with it every later run's draws).
//
// The hash is the SplitMix64 finaliser (Steele, Lea and Flood, "Fast splittable pseudorandom
// number generators", OOPSLA 2014), applied to seed + index times the golden-ratio increment,
// which is exactly SplitMix64's output number `index` for that seed.
#pragma once

#include <cstdint>

namespace zelkor::cli {

inline std::uint64_t counter_bits(std::uint64_t seed, std::uint64_t index) {
    std::uint64_t z = seed + (index + 1) * 0x9e3779b97f4a7c15ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

// A double in [0, 1) with 53 random bits.
inline double counter_uniform(std::uint64_t seed, std::uint64_t index) {
    return double(counter_bits(seed, index) >> 11) * 0x1.0p-53;
}

}  // namespace zelkor::cli
