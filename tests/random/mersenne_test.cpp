#include "random/mersenne.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "random/generator_script.h"

using zelkor::CRandom;
using zelkor_test::kScale;
using zelkor_test::temper;

namespace {

// Textbook MT19937 with the old 69069 seeding, in 32-bit arithmetic, to check the generator over
// several regenerations.
class ReferenceMt {
public:
    explicit ReferenceMt(std::uint32_t seed) {
        if (seed == 0) seed = 4357;
        for (std::uint32_t& word : state_) {
            word = seed & 0xffff0000u;
            seed = 69069u * seed + 1u;
            word |= (seed & 0xffff0000u) >> 16;
            seed = 69069u * seed + 1u;
        }
    }
    std::uint32_t next_word() {
        if (index_ == 624) {
            for (int k = 0; k < 624; ++k) {
                std::uint32_t y = (state_[k] & 0x80000000u) | (state_[(k + 1) % 624] & 0x7fffffffu);
                state_[k] = state_[(k + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? 0x9908b0dfu : 0u);
            }
            index_ = 0;
        }
        return temper(state_[index_++]);
    }

private:
    std::uint32_t state_[624];
    int index_ = 624;
};

std::vector<double> draws(CRandom& g, int count) {
    std::vector<double> out;
    for (int i = 0; i < count; ++i) out.push_back(g.get());
    return out;
}

std::vector<double> draws_after_seed(std::uint64_t seed, int count) {
    CRandom g;
    g.randomize(seed);
    return draws(g, count);
}

TEST(CRandom, Seed4357KnownWordsAndValues) {
    CRandom g;
    g.randomize(4357);
    const std::uint32_t words[] = {0xaae64ac3u, 0x5e7c47dau, 0xb98e8121u};
    const double values[] = {0.6675764777854961, 0.3690838726165434, 0.724830694898225};
    for (int i = 0; i < 3; ++i) {
        double v = g.get();
        // After the first draw the state holds the regenerated, untempered words.
        EXPECT_EQ(temper(static_cast<std::uint32_t>(g.mt[i])), words[i]) << "word " << i;
        EXPECT_EQ(v, values[i]) << "draw " << i;
    }
}

TEST(CRandom, KnownValuesOfOtherSeeds) {
    EXPECT_EQ(draws_after_seed(1, 3),
              (std::vector<double>{0.8279834924796557, 0.9342079963381886, 0.05160866841944137}));
    EXPECT_EQ(draws_after_seed(25, 3),
              (std::vector<double>{0.2344675420863711, 0.3957254005120428, 0.15251686567266398}));
}

TEST(CRandom, SeedZeroNeverSeededAndHighSeedBits) {
    CRandom never_seeded;
    EXPECT_EQ(never_seeded.mti, 625);
    std::vector<double> expected = draws_after_seed(4357, 1000);
    EXPECT_EQ(draws(never_seeded, 1000), expected);
    EXPECT_EQ(draws_after_seed(0, 1000), expected);
    // Only the low 32 seed bits matter, and only an exact 0 stands for 4357.
    EXPECT_EQ(draws_after_seed(25 + (std::uint64_t{1} << 32), 700), draws_after_seed(25, 700));
    EXPECT_EQ(draws_after_seed(0xffffffff80000000u, 700), draws_after_seed(0x80000000u, 700));
    EXPECT_NE(draws_after_seed(std::uint64_t{1} << 32, 10), draws_after_seed(0, 10));
}

TEST(CRandom, SixHundredTwentyFifthDrawRegenerates) {
    CRandom g;
    g.randomize(99);
    EXPECT_EQ(g.mti, 624);
    draws(g, 624);
    EXPECT_EQ(g.mti, 624);
    std::uint64_t first_word_before = g.mt[0];
    double v = g.get();
    EXPECT_EQ(g.mti, 1);
    EXPECT_NE(g.mt[0], first_word_before);
    EXPECT_EQ(v, static_cast<double>(temper(static_cast<std::uint32_t>(g.mt[0]))) * kScale);
    g.randomize(99);  // restarts the sequence
    EXPECT_EQ(draws(g, 3), draws_after_seed(99, 3));
}

TEST(CRandom, MatchesReferenceOverSeveralRegenerations) {
    for (std::uint32_t seed : {0u, 1u, 25u, 123456789u, 0xffffffffu}) {
        CRandom g;
        g.randomize(seed);
        ReferenceMt ref(seed);
        for (int i = 0; i < 3000; ++i)
            ASSERT_EQ(g.get(), static_cast<double>(ref.next_word()) * kScale) << "seed " << seed << " draw " << i;
    }
}

TEST(CRandom, ExtremeWordsGiveExactlyZeroAndOne) {
    CRandom g;
    zelkor_test::script_words(g, {0xffffffffu, 0u});
    EXPECT_EQ(g.get(), 1.0);
    EXPECT_EQ(g.get(), 0.0);
}

}  // namespace
