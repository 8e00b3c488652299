// Mersenne Twister MT19937 (Matsumoto and Nishimura, 1998), giving doubles in [0, 1].
//
// The published twist and tempering, but seeded by the older routine that fills each state word
// from two steps of s <- 69069 s + 1, and scaled by 1 / (2^32 - 1) so that 0 and 1 both occur.
// Stored sequences of clone positions depend on every one of these choices.
#pragma once

#include <cstdint>

namespace zelkor {

class CRandom {
public:
    std::uint64_t* mt;  // 624 state words, each holding a 32-bit value
    int mti;            // next word to deliver; 624 = used up, 625 = never seeded

    // Allocates the state without seeding it; the first get() seeds with 4357.
    CRandom();
    ~CRandom();
    CRandom(const CRandom&) = delete;
    CRandom& operator=(const CRandom&) = delete;

    // Restarts the sequence; seed 0 means 4357. Only the low 32 bits of the seed matter.
    void randomize(std::uint64_t seed);
    // Next value in [0, 1], regenerating the state every 624 draws.
    double get() {
        if (mti >= 624) regenerate();
        return tempered(mt[mti++]);
    }
    // The value get() would return after `ahead` further calls, without drawing anything; false
    // when the state would first have to be regenerated. Lets a caller prepare for what comes.
    bool peek(int ahead, double& r_value) const {
        if (mti >= 624 || ahead < 0 || ahead >= 624 - mti) return false;
        r_value = tempered(mt[mti + ahead]);
        return true;
    }

private:
    // The published tempering, scaled by the double nearest to 1 / 4294967295, so that a tempered
    // 0xffffffff gives exactly 1.0.
    static double tempered(std::uint64_t y) {
        y ^= y >> 11;
        y ^= (y << 7) & 0x9d2c5680u;
        y ^= (y << 15) & 0xefc60000u;
        y ^= y >> 18;
        return static_cast<double>(y) * 2.3283064370807974e-10;
    }
    // Seeds with the default seed first when never seeded; then twists all 624 words.
    void regenerate();
};

}  // namespace zelkor
