#include "random/mersenne.h"

namespace zelkor {

namespace {

constexpr int N = 624;
constexpr int M = 397;
constexpr std::uint64_t kUpperMask = 0x80000000u;
constexpr std::uint64_t kLowerMask = 0x7fffffffu;
constexpr std::uint64_t kDefaultSeed = 4357;

std::uint64_t next_lcg(std::uint64_t s) { return 69069 * s + 1; }


}  // namespace

CRandom::CRandom() : mt(new std::uint64_t[N]), mti(N + 1) {}

CRandom::~CRandom() {
    if (mt != nullptr) delete[] mt;
}

void CRandom::randomize(std::uint64_t seed) {
    std::uint64_t s = seed == 0 ? kDefaultSeed : seed;
    // Upper half of each word from one LCG step, lower half from the next.
    for (int i = 0; i < N; ++i) {
        mt[i] = s & 0xffff0000u;
        s = next_lcg(s);
        mt[i] |= (s & 0xffff0000u) >> 16;
        s = next_lcg(s);
    }
    mti = N;
}

void CRandom::regenerate() {
    static constexpr std::uint64_t mag01[2] = {0, 0x9908b0dfu};
    if (mti == N + 1) randomize(0);
    int k = 0;
    for (; k < N - M; ++k) {
        std::uint64_t y = (mt[k] & kUpperMask) | (mt[k + 1] & kLowerMask);
        mt[k] = mt[k + M] ^ (y >> 1) ^ mag01[y & 1];
    }
    for (; k < N - 1; ++k) {
        std::uint64_t y = (mt[k] & kUpperMask) | (mt[k + 1] & kLowerMask);
        mt[k] = mt[k + (M - N)] ^ (y >> 1) ^ mag01[y & 1];
    }
    std::uint64_t y = (mt[N - 1] & kUpperMask) | (mt[0] & kLowerMask);
    mt[N - 1] = mt[M - 1] ^ (y >> 1) ^ mag01[y & 1];
    mti = 0;
}

}  // namespace zelkor
