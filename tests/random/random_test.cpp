// The generator (its known sequences, seeding and regeneration) and the draws made from it, with
// the draws each call takes.
#include "random/random.h"
#include "api/run_observer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <ctime>
#include <initializer_list>
#include <utility>
#include <vector>

namespace zelkor {
namespace {

std::uint32_t temper(std::uint32_t y) {
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    return y ^ (y >> 18);
}

// Inverse of temper: each xor-shift step is undone by repeating it until the shifted bits run out.
std::uint32_t untemper(std::uint32_t y) {
    y ^= y >> 18;
    y ^= (y << 15) & 0xefc60000u;
    std::uint32_t t = y;
    for (int i = 0; i < 5; ++i) t = y ^ ((t << 7) & 0x9d2c5680u);
    y = t;
    for (int i = 0; i < 3; ++i) t = y ^ (t >> 11);
    return t;
}

// The next get() calls return the given tempered words (scaled), in order.
void script_words(CRandom& g, std::initializer_list<std::uint32_t> words) {
    int i = 0;
    for (std::uint32_t w : words) g.mt[i++] = untemper(w);
    g.mti = 0;
}

std::vector<double> draws(CRandom& g, int count) {
    std::vector<double> out;
    for (int i = 0; i < count; ++i) out.push_back(g.get());
    return out;
}

constexpr double kScale = 2.3283064370807974e-10;

// Textbook MT19937 with the old 69069 seeding, in 32-bit arithmetic: the first `count` values.
std::vector<double> reference_draws(std::uint32_t seed, int count) {
    std::uint32_t state[624];
    if (seed == 0) seed = 4357;
    for (std::uint32_t& word : state) {
        word = seed & 0xffff0000u;
        seed = 69069u * seed + 1u;
        word |= seed >> 16;
        seed = 69069u * seed + 1u;
    }
    std::vector<double> out;
    for (int i = 0; i < count; ++i) {
        for (int k = 0; i % 624 == 0 && k < 624; ++k) {
            const std::uint32_t y = (state[k] & 0x80000000u) | (state[(k + 1) % 624] & 0x7fffffffu);
            state[k] = state[(k + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? 0x9908b0dfu : 0u);
        }
        out.push_back(static_cast<double>(temper(state[i % 624])) * kScale);
    }
    return out;
}

std::vector<double> draws_after_seed(std::uint64_t seed, int count) {
    CRandom g;
    g.randomize(seed);
    return draws(g, count);
}

TEST(CRandom, KnownValuesOfSeedsAndExtremeWords) {
    const std::pair<std::uint64_t, std::vector<double>> cases[] = {
        {4357, {0.6675764777854961, 0.3690838726165434, 0.724830694898225}},
        {1, {0.8279834924796557, 0.9342079963381886, 0.05160866841944137}},
        {25, {0.2344675420863711, 0.3957254005120428, 0.15251686567266398}},
    };
    for (const auto& [seed, values] : cases) EXPECT_EQ(draws_after_seed(seed, 3), values) << "seed " << seed;
    CRandom g;  // the extreme words give exactly 1 and 0
    script_words(g, {0xffffffffu, 0u});
    EXPECT_EQ(draws(g, 2), (std::vector<double>{1.0, 0.0}));
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

TEST(CRandom, SixHundredTwentyFifthDrawRegeneratesAndPeekStopsBeforeIt) {
    CRandom g;
    g.randomize(99);
    double r = -1.0;
    EXPECT_EQ(g.mti, 624);
    EXPECT_FALSE(g.peek(0, r));  // the state is not yet twisted
    g.get();
    ASSERT_TRUE(g.peek(622, r));
    EXPECT_FALSE(g.peek(623, r) || g.peek(-1, r));
    draws(g, 622);
    EXPECT_EQ(g.get(), r);  // the 624th draw is what peek saw
    const std::uint64_t first_word_before = g.mt[0];
    const double v = g.get();
    EXPECT_EQ(v, static_cast<double>(temper(static_cast<std::uint32_t>(g.mt[0]))) * kScale);
    EXPECT_EQ(g.mti, 1);
    EXPECT_NE(g.mt[0], first_word_before);
    g.randomize(99);  // restarts the sequence
    EXPECT_EQ(draws(g, 3), draws_after_seed(99, 3));
}

TEST(CRandom, MatchesReferenceOverSeveralRegenerations) {
    for (std::uint32_t seed : {0u, 1u, 25u, 123456789u, 0xffffffffu}) {
        const std::vector<double> got = draws_after_seed(seed, 3000), want = reference_draws(seed, 3000);
        const auto differs = std::ranges::mismatch(got, want).in1;
        EXPECT_TRUE(differs == got.end()) << "seed " << seed << " differs from draw " << (differs - got.begin());
    }
}

void fill(face6_typ& face, const std::vector<XYZ6_typ>& points, XYZ6_typ normal = XYZ6_typ(0.0, 1.0, 0.0)) {
    delete[] face.points;
    face.num_points = static_cast<int>(points.size());
    face.points = new XYZ6_typ[points.size()];
    std::copy(points.begin(), points.end(), face.points);
    face.normal = normal;
}

const std::vector<XYZ6_typ> kUnitSquare = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};
// A C shape open towards +x, listed from the inner bottom corner: a vertical line through the
// notch meets z = 1, 2, 3 and 0 in that edge order. The first edge points along -x.
const std::vector<XYZ6_typ> kCShape = {{3, 0, 1}, {1, 0, 1}, {1, 0, 2}, {3, 0, 2}, {3, 0, 3}, {0, 0, 3}, {0, 0, 0}, {3, 0, 0}};

TEST(RandomSeeding, FixedNegatesNegativeSeeds) {
    // 0 stands for 4357; 0 - INT_MIN wraps to INT_MIN, widened with its sign.
    const std::pair<int, std::uint64_t> cases[] = {{25, 25}, {-25, 25}, {-1, 1}, {-123456, 123456}, {0, 4357},
                                                   {INT_MAX, INT_MAX}, {INT_MIN, 0xffffffff80000000u}};
    random r;
    for (const auto& [seed, plain] : cases) {
        r.fixed(seed);
        EXPECT_EQ(draws(r, 700), draws_after_seed(plain, 700)) << "seed " << seed;
    }
}

TEST(RandomSeeding, NewGeneratorsAreSeededFromTheClock) {
    EXPECT_LE(losoj.mti, 624);  // the module's generator, seeded before any test ran
    std::uint32_t before = static_cast<std::uint32_t>(std::time(nullptr));
    random r;
    std::uint32_t after = static_cast<std::uint32_t>(std::time(nullptr));
    const std::vector<double> drawn = draws(r, 3);
    EXPECT_TRUE(drawn == draws_after_seed(before, 3) || drawn == draws_after_seed(after, 3)) << "not seeded with the time";
    // A session seed is a clock value over its whole range: the module-wide generator then draws
    // as if the module had been loaded at that time.
    for (std::uint32_t clock_value : {0u, 1u, 0x80000000u, 0xffffffffu}) {
        zelkor_seed_session(clock_value);
        EXPECT_EQ(draws(losoj, 700), draws_after_seed(clock_value, 700)) << clock_value;
    }
}

TEST(RandomDraws, TorFIsTrueOnlyAboveOneHalfAndPercentIsOneDraw) {
    random r;
    // 0x7fffffff and 0x80000000 scale to just below and just above 0.5.
    script_words(r, {0x7fffffffu, 0x80000000u, 0u, 0xffffffffu, 0xffffffffu});
    EXPECT_EQ((std::vector<bool>{r.TorF(), r.TorF(), r.TorF(), r.TorF()}), (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(r.percent(), 1.0);
    EXPECT_EQ(r.mti, 5);
}

TEST(RandomRange, ScriptedDrawsTakeOneValueEach) {
    const struct {
        int a, b;
        std::uint32_t word;
        int expected;
    } cases[] = {
        {0, 1, 0x7fffffffu, 0}, {0, 1, 0x80000000u, 1},  // rounds at one half
        {0, 10, 0u, 0}, {0, 10, 0xffffffffu, 10}, {10, 0, 0u, 0}, {10, 0, 0xffffffffu, 10},
        {1000, 3, 0x40000000u, 252},  // 3 + 997 * 0.25000000005820766 + 0.5, truncated
        {-5, 3, 0u, -4},  // -4.5 truncates towards zero: the low end of a negative range is missed
        {INT_MIN, INT_MAX, 0x80000000u, INT_MIN},  // the span wraps to -1 as in 32-bit arithmetic
    };
    random r;
    for (const auto& c : cases) {
        script_words(r, {c.word});
        EXPECT_EQ(r.z_zakresu(c.a, c.b), c.expected) << c.a << ".." << c.b << " word " << c.word;
        EXPECT_EQ(r.mti, 1);
    }
    script_words(r, {0u, 0xffffffffu, 0u, 0xffffffffu, 0x40000000u});
    // The last, 0.25 to -1.5: (hi - lo) r + lo.
    EXPECT_EQ((std::vector{r.z_zakresu(0.0, 10.0), r.z_zakresu(0.0, 10.0), r.z_zakresu(10.0, 0.0), r.z_zakresu(10.0, 0.0),
                           r.z_zakresu(0.25, -1.5)}),
              (std::vector{0.0, 10.0, 0.0, 10.0, -1.0624999998981366}));
    EXPECT_TRUE(r.z_zakresu(5, 5) == 5 && r.z_zakresu(-3, -3) == -3 && r.z_zakresu(2.5, 2.5) == 2.5);  // no draw
    EXPECT_EQ(r.mti, 5);
}

TEST(RandomPolygon, ScriptedAndDegenerateRecords) {
    const struct {
        std::vector<XYZ6_typ> points;
        std::uint32_t x_word, z_word;
        XYZ6_typ expected;
        int consumed;
    } cases[] = {
        // At X = 1 the edge (1,0,0)-(1,0,1) lies on x = X; its first end (height 0) is the second
        // crossing, so Z has an empty range and is not drawn.
        {kUnitSquare, 0xffffffffu, 0x12345678u, {1, 0, 0}, 1},
        {kUnitSquare, 0u, 0xffffffffu, {0, 0, 1}, 2},
        {kUnitSquare, 0x40000000u, 0xc0000000u, {0.25000000005820766, 0, 0.75000000017462298}, 2},  // the identity frame
        // Over [-1.1, 0.1] a draw of 1 gives 0.10000000000000009, past every point: held at 0.1.
        {{{0, 0, 0}, {0.1, 0, 0}, {0.1, 0, 1}, {-1.1, 0, 1}, {-1.1, 0, 0}}, 0xffffffffu, 0u, {0.1, 0, 0}, 1},
        {{{1, 2, 3}, {4, 5, 6}}, 0xffffffffu, 0xffffffffu, {0, 0, 0}, 0},          // too few points
        {{{2, 3, 4}, {2, 3, 4}, {2, 3, 4}}, 0xffffffffu, 0xffffffffu, {2, 3, 4}, 0},  // X and Z empty
        {{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, 0xffffffffu, 0xffffffffu, {2, 0, 0}, 1},  // Z empty
        // A triangle: Z spans from the base to the sloped edge (2,0,0)-(0,0,2), so x + z = 2 at the top.
        {{{0, 0, 0}, {2, 0, 0}, {0, 0, 2}}, 0xc0000000u, 0u, {1.5000000003492460, 0, 0}, 2},
        {{{0, 0, 0}, {2, 0, 0}, {0, 0, 2}}, 0xc0000000u, 0xffffffffu, {1.5000000003492460, 0, 0.49999999965075403}, 2},
        // In the notch's column Z spans the first two crossings in edge order, z = 1 to 2 (drawn
        // downwards, as the frame is turned); beside it, the full height.
        {kCShape, 0x80000000u, 0u, {1.4999999996507543, 0, 2}, 2},
        {kCShape, 0x80000000u, 0xffffffffu, {1.499999999650754, 0, 1}, 2},
        {kCShape, 0xe0000000u, 0u, {0.37499999938881956, 0, 3}, 2},
    };
    random r;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.points.size() << " points, words " << c.x_word << " " << c.z_word);
        face6_typ face;
        fill(face, c.points);
        script_words(r, {c.x_word, c.z_word});
        const XYZ6_typ point = r.z_polygonu(&face);
        EXPECT_EQ((std::array{point.x, point.y, point.z}), (std::array{c.expected.x, c.expected.y, c.expected.z}));
        EXPECT_EQ(r.mti, c.consumed);
        for (std::size_t i = 0; i < c.points.size(); ++i) EXPECT_FALSE(face.points[i] - c.points[i] != 0.0) << "moved";
    }
    face6_typ no_positions;
    no_positions.num_points = 3;
    script_words(r, {0u});
    EXPECT_FALSE(r.z_polygonu(&no_positions) != 0.0);
    EXPECT_EQ(r.mti, 0);
}

TEST(RandomPolygon, TiltedTriangleStaysInItsPlane) {
    const XYZ6_typ a(1.0, 2.0, 3.0), b(2.5, 2.25, 2.0), c(0.5, 4.0, 3.5), n = (b - a) * (c - a);
    face6_typ triangle;
    fill(triangle, {a, b, c}, ~n);
    random r;
    r.fixed(3);
    for (int i = 0; i < 300; ++i) {
        const XYZ6_typ p = r.z_polygonu(&triangle), off = p - a;
        // The barycentric weights add to 1 only inside; the offset from a is normal to n.
        const double twice_area = ((c - b) * (p - b)).len() + ((a - c) * (p - c)).len() + ((b - a) * (p - a)).len();
        ASSERT_NEAR(twice_area / n.len(), 1.0, 1e-12) << "draw " << i;
        ASSERT_NEAR((off.x * n.x + off.y * n.y + off.z * n.z) / n.len(), 0.0, 1e-12) << "draw " << i;
    }
}

}  // namespace
}  // namespace zelkor
