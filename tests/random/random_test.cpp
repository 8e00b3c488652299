#include "random/random.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <ctime>
#include <vector>

#include "random/generator_script.h"

using zelkor::CRandom;
using zelkor::face6_typ;
using zelkor::XYZ6_typ;
using zelkor_test::script_words;

namespace {

std::vector<double> draws(CRandom& g, int count) {
    std::vector<double> out;
    for (int i = 0; i < count; ++i) out.push_back(g.get());
    return out;
}

void fill(face6_typ& face, std::vector<XYZ6_typ> points, XYZ6_typ normal = XYZ6_typ(0.0, 1.0, 0.0)) {
    delete[] face.points;
    face.num_points = static_cast<int>(points.size());
    face.points = new XYZ6_typ[points.size()];
    for (size_t i = 0; i < points.size(); ++i) face.points[i] = points[i];
    face.normal = normal;
}

const std::vector<XYZ6_typ> kUnitSquare = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};

TEST(RandomSeeding, FixedNegatesNegativeSeeds) {
    zelkor::random r;
    r.fixed(-25);
    EXPECT_EQ(r.get(), 0.2344675420863711);
    EXPECT_EQ(r.get(), 0.3957254005120428);
    EXPECT_EQ(r.get(), 0.15251686567266398);
    // 0 stands for 4357; 0 - INT_MIN wraps to INT_MIN, widened with its sign.
    const struct {
        int seed;
        std::uint64_t plain;
    } cases[] = {{25, 25}, {-25, 25}, {-1, 1}, {-123456, 123456}, {0, 4357}, {INT_MAX, INT_MAX},
                 {INT_MIN, 0xffffffff80000000u}};
    for (const auto& c : cases) {
        CRandom plain;
        plain.randomize(c.plain);
        r.fixed(c.seed);
        EXPECT_EQ(draws(r, 700), draws(plain, 700)) << "seed " << c.seed;
    }
}

TEST(RandomSeeding, NewGeneratorsAreSeededFromTheClock) {
    EXPECT_LE(zelkor::losoj.mti, 624);  // the module's generator, seeded before any test ran
    std::uint32_t before = static_cast<std::uint32_t>(std::time(nullptr));
    zelkor::random r;
    std::uint32_t after = static_cast<std::uint32_t>(std::time(nullptr));
    std::vector<double> drawn = draws(r, 3);
    CRandom at_before, at_after;
    at_before.randomize(before);
    at_after.randomize(after);
    EXPECT_TRUE(drawn == draws(at_before, 3) || drawn == draws(at_after, 3)) << "not seeded with the time";
}

TEST(RandomDraws, TorFIsTrueOnlyAboveOneHalfAndPercentIsOneDraw) {
    zelkor::random r;
    // 0x7fffffff and 0x80000000 scale to just below and just above 0.5.
    script_words(r, {0x7fffffffu, 0x80000000u, 0u, 0xffffffffu, 0xffffffffu});
    EXPECT_FALSE(r.TorF());
    EXPECT_TRUE(r.TorF());
    EXPECT_FALSE(r.TorF());
    EXPECT_TRUE(r.TorF());
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
    };
    zelkor::random r;
    for (const auto& c : cases) {
        script_words(r, {c.word});
        EXPECT_EQ(r.z_zakresu(c.a, c.b), c.expected) << c.a << ".." << c.b << " word " << c.word;
        EXPECT_EQ(r.mti, 1);
    }
    script_words(r, {0u, 0xffffffffu, 0u, 0xffffffffu, 0x40000000u});
    EXPECT_EQ(r.z_zakresu(0.0, 10.0), 0.0);
    EXPECT_EQ(r.z_zakresu(0.0, 10.0), 10.0);
    EXPECT_EQ(r.z_zakresu(10.0, 0.0), 0.0);
    EXPECT_EQ(r.z_zakresu(10.0, 0.0), 10.0);
    EXPECT_EQ(r.z_zakresu(0.25, -1.5), -1.0624999998981366);  // (hi - lo) r + lo
    // Equal ends return without a draw.
    EXPECT_EQ(r.z_zakresu(5, 5), 5);
    EXPECT_EQ(r.z_zakresu(-3, -3), -3);
    EXPECT_EQ(r.z_zakresu(2.5, 2.5), 2.5);
    EXPECT_EQ(r.mti, 5);
}

TEST(RandomPolygon, UnitSquareIsTheIdentityFrameAndTakesTwoDraws) {
    face6_typ square;
    fill(square, kUnitSquare);
    zelkor::random drawn, by_hand;  // by_hand is advanced by hand to check what drawn consumed
    drawn.fixed(25);
    by_hand.fixed(25);
    for (int i = 0; i < 300; ++i) {
        double rx = by_hand.get();
        double rz = by_hand.get();
        XYZ6_typ point = drawn.z_polygonu(&square);
        ASSERT_EQ(point.x, rx) << "draw " << i;
        ASSERT_EQ(point.y, 0.0) << "draw " << i;
        ASSERT_EQ(point.z, rz) << "draw " << i;
    }
    EXPECT_EQ(drawn.get(), by_hand.get());
    EXPECT_EQ(square.points[2].x, 1.0);  // the record itself is untouched
    EXPECT_EQ(square.points[2].z, 1.0);
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
        // Over [-1.1, 0.1] a draw of 1 gives 0.10000000000000009, past every point: held at 0.1.
        {{{0, 0, 0}, {0.1, 0, 0}, {0.1, 0, 1}, {-1.1, 0, 1}, {-1.1, 0, 0}}, 0xffffffffu, 0u, {0.1, 0, 0}, 1},
        {{{1, 2, 3}, {4, 5, 6}}, 0xffffffffu, 0xffffffffu, {0, 0, 0}, 0},          // too few points
        {{{2, 3, 4}, {2, 3, 4}, {2, 3, 4}}, 0xffffffffu, 0xffffffffu, {2, 3, 4}, 0},  // X and Z empty
        {{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, 0xffffffffu, 0xffffffffu, {2, 0, 0}, 1},  // Z empty
    };
    zelkor::random r;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.points.size() << " points, first x " << c.points[0].x);
        face6_typ face;
        fill(face, c.points);
        script_words(r, {c.x_word, c.z_word});
        XYZ6_typ point = r.z_polygonu(&face);
        EXPECT_EQ(point.x, c.expected.x);
        EXPECT_EQ(point.y, c.expected.y);
        EXPECT_EQ(point.z, c.expected.z);
        EXPECT_EQ(r.mti, c.consumed);
    }
    face6_typ no_positions;
    no_positions.num_points = 3;
    script_words(r, {0u});
    EXPECT_FALSE(r.z_polygonu(&no_positions) != 0.0);
    EXPECT_EQ(r.mti, 0);
}

TEST(RandomPolygon, TriangleSpansFromTheBaseToTheSlopedEdge) {
    face6_typ triangle;
    fill(triangle, {{0, 0, 0}, {2, 0, 0}, {0, 0, 2}});
    zelkor::random r;
    script_words(r, {0xc0000000u, 0u, 0xc0000000u, 0xffffffffu});  // X near 1.5, Z at either end
    XYZ6_typ low = r.z_polygonu(&triangle), high = r.z_polygonu(&triangle);
    EXPECT_NEAR(low.x, 1.5, 1e-9);
    EXPECT_EQ(low.z, 0.0);
    EXPECT_EQ(high.x, low.x);
    EXPECT_NEAR(high.z, 0.5, 1e-9);
    EXPECT_EQ(high.x + high.z, 2.0);  // on the edge (2,0,0)-(0,0,2)
}

TEST(RandomPolygon, TiltedTriangleStaysInItsPlane) {
    XYZ6_typ a(1.0, 2.0, 3.0), b(2.5, 2.25, 2.0), c(0.5, 4.0, 3.5);
    XYZ6_typ n = (b - a) * (c - a);
    face6_typ triangle;
    fill(triangle, {a, b, c}, ~n);
    zelkor::random r;
    r.fixed(3);
    for (int i = 0; i < 300; ++i) {
        XYZ6_typ point = r.z_polygonu(&triangle);
        // The barycentric weights add to 1 only inside; the offset from a is normal to n.
        double twice_area = ((c - b) * (point - b)).len() + ((a - c) * (point - c)).len() + ((b - a) * (point - a)).len();
        ASSERT_NEAR(twice_area / n.len(), 1.0, 1e-12) << "draw " << i;
        XYZ6_typ off = point - a;
        ASSERT_NEAR((off.x * n.x + off.y * n.y + off.z * n.z) / n.len(), 0.0, 1e-12) << "draw " << i;
    }
}

TEST(RandomPolygon, ConcaveTakesFirstTwoCrossingsInEdgeOrder) {
    // A C shape open towards +x, listed from the inner bottom corner: a vertical line through the
    // notch meets z = 1, 2, 3 and 0 in that edge order, so the point falls in the notch.
    face6_typ c_shape;
    fill(c_shape, {{3, 0, 1}, {1, 0, 1}, {1, 0, 2}, {3, 0, 2}, {3, 0, 3}, {0, 0, 3}, {0, 0, 0}, {3, 0, 0}});
    zelkor::random r;
    r.fixed(40);
    int in_notch_column = 0;
    for (int i = 0; i < 400; ++i) {
        XYZ6_typ point = r.z_polygonu(&c_shape);
        bool notch = point.x > 1.0 + 1e-9 && point.x < 3.0 - 1e-9;
        in_notch_column += notch;
        ASSERT_GE(point.z, (notch ? 1.0 : 0.0) - 1e-12) << "draw " << i;
        ASSERT_LE(point.z, (notch ? 2.0 : 3.0) + 1e-12) << "draw " << i;
    }
    EXPECT_GT(in_notch_column, 100);
}

}  // namespace
