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

// A generator on the same seed, advanced by hand to check what a draw consumed.
struct Pair {
    zelkor::random drawn;
    zelkor::random by_hand;
    explicit Pair(int seed) {
        drawn.fixed(seed);
        by_hand.fixed(seed);
    }
    void expect_in_step(int skipped) {
        for (int i = 0; i < skipped; ++i) by_hand.get();
        EXPECT_EQ(drawn.get(), by_hand.get()) << "expected " << skipped << " values consumed";
    }
};

std::vector<double> draws(CRandom& g, int count) {
    std::vector<double> out;
    for (int i = 0; i < count; ++i) out.push_back(g.get());
    return out;
}

void fill(face6_typ& face, std::vector<XYZ6_typ> points, XYZ6_typ normal) {
    delete[] face.points;
    face.num_points = static_cast<int>(points.size());
    face.points = new XYZ6_typ[points.size()];
    for (size_t i = 0; i < points.size(); ++i) face.points[i] = points[i];
    face.normal = normal;
}

const XYZ6_typ kUp(0.0, 1.0, 0.0);

// --- seeding ---------------------------------------------------------------------------------

TEST(RandomFixed, Seed25GivesKnownValues) {
    zelkor::random r;
    r.fixed(25);
    EXPECT_EQ(r.get(), 0.2344675420863711);
    EXPECT_EQ(r.get(), 0.3957254005120428);
    EXPECT_EQ(r.get(), 0.15251686567266398);
}

TEST(RandomFixed, NegativeSeedIsNegated) {
    for (int seed : {25, 1, 4357, 123456}) {
        CRandom plain;
        plain.randomize(static_cast<std::uint64_t>(seed));
        zelkor::random negative;
        negative.fixed(-seed);
        EXPECT_EQ(draws(negative, 700), draws(plain, 700)) << "seed " << -seed;
    }
}

TEST(RandomFixed, ZeroGivesSeed4357) {
    CRandom plain;
    plain.randomize(4357);
    zelkor::random r;
    r.fixed(0);
    EXPECT_EQ(draws(r, 5), draws(plain, 5));
}

TEST(RandomFixed, IntMinStaysNegativeAndIsSignExtended) {
    // 0 - INT_MIN wraps to INT_MIN in 32 bits; widened with its sign that is 0xffffffff80000000.
    CRandom plain;
    plain.randomize(0xffffffff80000000u);
    zelkor::random r;
    r.fixed(INT_MIN);
    EXPECT_EQ(draws(r, 5), draws(plain, 5));
}

TEST(RandomFixed, LargePositiveSeedPassesThrough) {
    CRandom plain;
    plain.randomize(INT_MAX);
    zelkor::random r;
    r.fixed(INT_MAX);
    EXPECT_EQ(draws(r, 5), draws(plain, 5));
}

TEST(RandomConstruction, SeededFromTheClock) {
    std::uint32_t before = static_cast<std::uint32_t>(std::time(nullptr));
    zelkor::random r;
    std::uint32_t after = static_cast<std::uint32_t>(std::time(nullptr));
    EXPECT_EQ(r.mti, 624);
    std::vector<double> drawn = draws(r, 3);
    CRandom at_before, at_after;
    at_before.randomize(before);
    at_after.randomize(after);
    bool matches = drawn == draws(at_before, 3) || drawn == draws(at_after, 3);
    EXPECT_TRUE(matches) << "not seeded with the time in seconds";
}

TEST(RandomConstruction, ModuleGeneratorIsSeededAtLoad) {
    // Seeded before any test ran, so never in the unseeded state.
    EXPECT_LE(zelkor::losoj.mti, 624);
}

// --- booleans and fractions ------------------------------------------------------------------

TEST(RandomTorF, TrueOnlyAboveOneHalf) {
    zelkor::random r;
    // 0x7fffffff and 0x80000000 scale to just below and just above 0.5.
    script_words(r, {0x7fffffffu, 0x80000000u, 0u, 0xffffffffu});
    EXPECT_FALSE(r.TorF());
    EXPECT_TRUE(r.TorF());
    EXPECT_FALSE(r.TorF());
    EXPECT_TRUE(r.TorF());
}

TEST(RandomTorF, OneDrawEach) {
    Pair p(31);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(p.drawn.TorF(), p.by_hand.get() > 0.5) << "draw " << i;
    p.expect_in_step(0);
}

TEST(RandomPercent, IsOneDraw) {
    Pair p(32);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(p.drawn.percent(), p.by_hand.get());
}

// --- integer range ---------------------------------------------------------------------------

TEST(RandomIntRange, EqualEndsReturnWithoutDraw) {
    Pair p(5);
    EXPECT_EQ(p.drawn.z_zakresu(5, 5), 5);
    EXPECT_EQ(p.drawn.z_zakresu(-3, -3), -3);
    p.expect_in_step(0);
}

TEST(RandomIntRange, FormulaAndOneDraw) {
    Pair p(77);
    const int ranges[][2] = {{0, 1}, {3, 7}, {0, 9}, {10, 1000}, {-5, 3}, {-20, -2}};
    for (auto& range : ranges) {
        for (int i = 0; i < 100; ++i) {
            int lo = range[0], hi = range[1];
            double r = p.by_hand.get();
            int expected = static_cast<int>(lo + static_cast<double>(hi - lo) * r + 0.5);
            ASSERT_EQ(p.drawn.z_zakresu(lo, hi), expected) << lo << ".." << hi << " r " << r;
        }
    }
    p.expect_in_step(0);
}

TEST(RandomIntRange, ArgumentOrderDoesNotMatter) {
    Pair p(8);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(p.drawn.z_zakresu(7, 3), p.by_hand.z_zakresu(3, 7));
}

TEST(RandomIntRange, ZeroOneSplitsAtOneHalf) {
    zelkor::random r;
    script_words(r, {0x7fffffffu, 0x80000000u});
    EXPECT_EQ(r.z_zakresu(0, 1), 0);
    EXPECT_EQ(r.z_zakresu(0, 1), 1);
}

TEST(RandomIntRange, EndpointsReachable) {
    zelkor::random r;
    script_words(r, {0u, 0xffffffffu, 0u, 0xffffffffu});
    EXPECT_EQ(r.z_zakresu(0, 10), 0);
    EXPECT_EQ(r.z_zakresu(0, 10), 10);
    EXPECT_EQ(r.z_zakresu(10, 0), 0);
    EXPECT_EQ(r.z_zakresu(10, 0), 10);
}

TEST(RandomIntRange, NegativeValuesTruncateTowardZero) {
    // -5 + 0 + 0.5 = -4.5 truncates to -4, not -5: the low end of a negative range is missed.
    zelkor::random r;
    script_words(r, {0u});
    EXPECT_EQ(r.z_zakresu(-5, 3), -4);
}

// --- real range ------------------------------------------------------------------------------

TEST(RandomRealRange, EqualEndsReturnWithoutDraw) {
    Pair p(6);
    EXPECT_EQ(p.drawn.z_zakresu(2.5, 2.5), 2.5);
    p.expect_in_step(0);
}

TEST(RandomRealRange, EndsOfTheDraw) {
    zelkor::random r;
    script_words(r, {0u, 0xffffffffu, 0u, 0xffffffffu});
    EXPECT_EQ(r.z_zakresu(0.0, 10.0), 0.0);
    EXPECT_EQ(r.z_zakresu(0.0, 10.0), 10.0);
    EXPECT_EQ(r.z_zakresu(10.0, 0.0), 0.0);
    EXPECT_EQ(r.z_zakresu(10.0, 0.0), 10.0);
}

TEST(RandomRealRange, FormulaAndOneDrawInEitherOrder) {
    Pair p(9);
    const double ranges[][2] = {{0.0, 10.0}, {10.0, 0.0}, {-1.5, 0.25}, {0.7, -1.1}};
    for (auto& range : ranges) {
        double a = range[0], b = range[1];
        double lo = a > b ? b : a, hi = a > b ? a : b;
        for (int i = 0; i < 100; ++i) {
            double r = p.by_hand.get();
            ASSERT_EQ(p.drawn.z_zakresu(a, b), (hi - lo) * r + lo) << a << ", " << b << " r " << r;
        }
    }
    p.expect_in_step(0);
}

// --- point on a polygon ----------------------------------------------------------------------

TEST(RandomPolygon, UnitSquareIsIdentityFrame) {
    face6_typ square;
    fill(square, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, kUp);
    Pair p(25);
    for (int i = 0; i < 300; ++i) {
        double rx = p.by_hand.get();
        double rz = p.by_hand.get();
        XYZ6_typ point = p.drawn.z_polygonu(&square);
        ASSERT_EQ(point.x, rx) << "draw " << i;
        ASSERT_EQ(point.y, 0.0) << "draw " << i;
        ASSERT_EQ(point.z, rz) << "draw " << i;
    }
    // The record itself is untouched.
    EXPECT_EQ(square.points[2].x, 1.0);
    EXPECT_EQ(square.points[2].z, 1.0);
}

TEST(RandomPolygon, SquareAtFarSideTakesFirstEndOfStraightEdge) {
    // With X = 1 the edge (1,0,0)-(1,0,1) lies on the line x = X; its first end (height 0) is
    // the second crossing, so Z has an empty range, is not drawn, and the corner comes out.
    face6_typ square;
    fill(square, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, kUp);
    zelkor::random r;
    script_words(r, {0xffffffffu, 0x12345678u});
    XYZ6_typ point = r.z_polygonu(&square);
    EXPECT_EQ(point.x, 1.0);
    EXPECT_EQ(point.z, 0.0);
    EXPECT_EQ(r.mti, 1);
}

TEST(RandomPolygon, SquareAtNearSideSpansFullHeight) {
    face6_typ square;
    fill(square, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, kUp);
    zelkor::random r;
    script_words(r, {0u, 0xffffffffu});
    XYZ6_typ point = r.z_polygonu(&square);
    EXPECT_EQ(point.x, 0.0);
    EXPECT_EQ(point.z, 1.0);
}

TEST(RandomPolygon, TriangleCrossingHeights) {
    face6_typ triangle;
    fill(triangle, {{0, 0, 0}, {2, 0, 0}, {0, 0, 2}}, kUp);
    Pair p(12);
    for (int i = 0; i < 300; ++i) {
        double X = 2.0 * p.by_hand.get();
        // Crossings: 0 on the first edge, then on the edge (2,0,0)-(0,0,2).
        double h = (0.0 - 2.0) * ((X - 2.0) / (2.0 - 0.0)) + 0.0;
        double Z = h == 0.0 ? 0.0 : h * p.by_hand.get();
        XYZ6_typ point = p.drawn.z_polygonu(&triangle);
        ASSERT_EQ(point.x, X) << "draw " << i;
        ASSERT_EQ(point.z, Z) << "draw " << i;
        ASSERT_LE(point.x + point.z, 2.0 + 1e-15) << "draw " << i;
    }
}

TEST(RandomPolygon, TiltedTriangleStaysInItsPlane) {
    // A triangle turned out of every coordinate plane: points must come back onto it.
    XYZ6_typ a(1.0, 2.0, 3.0), b(2.5, 2.25, 2.0), c(0.5, 4.0, 3.5);
    face6_typ triangle;
    fill(triangle, {a, b, c}, ~((b - a) * (c - a)));
    zelkor::random r;
    r.fixed(3);
    for (int i = 0; i < 300; ++i) {
        XYZ6_typ point = r.z_polygonu(&triangle);
        // Barycentric coordinates of point in a, b, c, all in [0, 1] up to rounding.
        XYZ6_typ n = (b - a) * (c - a);
        double area = n.len();
        double wa = ((c - b) * (point - b)).len() / area;
        double wb = ((a - c) * (point - c)).len() / area;
        double wc = ((b - a) * (point - a)).len() / area;
        ASSERT_NEAR(wa + wb + wc, 1.0, 1e-12) << "draw " << i;
        XYZ6_typ off = point - a;
        ASSERT_NEAR((off.x * n.x + off.y * n.y + off.z * n.z) / area, 0.0, 1e-12) << "draw " << i;
    }
}

TEST(RandomPolygon, ConcaveTakesFirstTwoCrossingsInEdgeOrder) {
    // A C shape open towards +x, listed from the inner bottom corner: a vertical line through
    // the notch meets z = 1, 2, 3 and 0 in that edge order, so the first two crossings bound the
    // notch and the point falls outside the polygon.
    face6_typ c_shape;
    fill(c_shape, {{3, 0, 1}, {1, 0, 1}, {1, 0, 2}, {3, 0, 2}, {3, 0, 3}, {0, 0, 3}, {0, 0, 0}, {3, 0, 0}},
         kUp);
    zelkor::random r;
    r.fixed(40);
    int in_notch_column = 0;
    for (int i = 0; i < 400; ++i) {
        XYZ6_typ point = r.z_polygonu(&c_shape);
        ASSERT_NEAR(point.y, 0.0, 1e-12);
        if (point.x > 1.0 + 1e-9 && point.x < 3.0 - 1e-9) {
            ++in_notch_column;
            ASSERT_GE(point.z, 1.0 - 1e-12) << "draw " << i;
            ASSERT_LE(point.z, 2.0 + 1e-12) << "draw " << i;
        } else {
            ASSERT_GE(point.z, -1e-12) << "draw " << i;
            ASSERT_LE(point.z, 3.0 + 1e-12) << "draw " << i;
        }
    }
    EXPECT_GT(in_notch_column, 100);
}

TEST(RandomPolygon, OvershootingDrawIsKeptAtTheFarEnd) {
    // Over [-1.1, 0.1] a draw of exactly 1 gives (0.1 + 1.1) - 1.1 = 0.10000000000000009,
    // beyond every point; it is held at 0.1, where the polygon still has two crossings.
    face6_typ face;
    fill(face, {{0, 0, 0}, {0.1, 0, 0}, {0.1, 0, 1}, {-1.1, 0, 1}, {-1.1, 0, 0}}, kUp);
    zelkor::random r;
    script_words(r, {0xffffffffu, 0u});
    XYZ6_typ point = r.z_polygonu(&face);
    EXPECT_EQ(point.x, 0.1);
    EXPECT_EQ(point.z, 0.0);
    // The first edge and the straight edge at x = 0.1 both give height 0: Z is not drawn.
    EXPECT_EQ(r.mti, 1);
}

TEST(RandomPolygon, TooFewPointsGiveOriginWithoutDraw) {
    face6_typ two;
    fill(two, {{1, 2, 3}, {4, 5, 6}}, kUp);
    face6_typ empty;
    empty.num_points = 3;  // count without positions
    Pair p(2);
    XYZ6_typ a = p.drawn.z_polygonu(&two);
    XYZ6_typ b = p.drawn.z_polygonu(&empty);
    for (XYZ6_typ v : {a, b}) {
        EXPECT_EQ(v.x, 0.0);
        EXPECT_EQ(v.y, 0.0);
        EXPECT_EQ(v.z, 0.0);
    }
    p.expect_in_step(0);
}

TEST(RandomPolygon, CollapsedPolygonDrawsNothing) {
    // All points equal: X and Z both have empty ranges.
    face6_typ dot;
    fill(dot, {{2, 3, 4}, {2, 3, 4}, {2, 3, 4}}, kUp);
    Pair p(3);
    XYZ6_typ v = p.drawn.z_polygonu(&dot);
    EXPECT_EQ(v.x, 2.0);
    EXPECT_EQ(v.y, 3.0);
    EXPECT_EQ(v.z, 4.0);
    p.expect_in_step(0);
}

TEST(RandomPolygon, CollinearPolygonDrawsOnlyX) {
    face6_typ line;
    fill(line, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, kUp);
    Pair p(4);
    double X = 2.0 * p.by_hand.get();
    XYZ6_typ v = p.drawn.z_polygonu(&line);
    EXPECT_EQ(v.x, X);
    EXPECT_EQ(v.z, 0.0);
    p.expect_in_step(0);
}

TEST(RandomPolygon, TwoDrawsPerPoint) {
    face6_typ square;
    fill(square, {{0, 0, 0}, {2, 0, 0}, {2, 0, 3}, {0, 0, 3}}, kUp);
    Pair p(5);
    for (int i = 0; i < 10; ++i) p.drawn.z_polygonu(&square);
    p.expect_in_step(20);
}

}  // namespace
