// The sampler with prepared frames must draw exactly the points z_polygonu draws, with the same
// number of draws, on any polygon: planar or warped, convex or not, degenerate, with a zero or
// non-unit normal, starting at the origin or not. Failures print the seed.
#include "random/polygon_sampler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace zelkor {
namespace {

// `corners` 0 picks a count of 0 to 7 for each polygon.
void random_polygon(random& rng, face6_typ& face, int corners) {
    const int n = corners > 0 ? corners : rng.z_zakresu(0, 7);
    delete[] face.points;
    face.num_points = n;
    face.points = n > 0 ? new XYZ6_typ[std::size_t(n)] : nullptr;
    const bool from_origin = rng.percent() < 0.2, flat = rng.TorF();
    for (int i = 0; i < n; ++i) {
        XYZ6_typ p(rng.z_zakresu(-3.0, 3.0), flat ? 0.5 : rng.z_zakresu(-3.0, 3.0), rng.z_zakresu(-3.0, 3.0));
        if (rng.percent() < 0.1 && i > 0) p = face.points[i - 1];   // a repeated point
        if (rng.percent() < 0.1) p.x = 0.0;                          // edges straight across x
        face.points[i] = p;
    }
    if (from_origin && n > 0) face.points[0] = XYZ6_typ(rng.TorF() ? 0.0 : -0.0);
    const double pick = rng.percent();
    face.normal = pick < 0.1 ? XYZ6_typ(0.0)
                  : pick < 0.3 ? XYZ6_typ(0.0, 1.0, 0.0)
                               : XYZ6_typ(rng.z_zakresu(-2.0, 2.0), rng.z_zakresu(-2.0, 2.0), rng.z_zakresu(-2.0, 2.0));
}

// foresee, one draw ahead of the polygon's index, must see the same point and draw count; a
// sampler prepared on several threads must be the same. Tables of mixed polygons, and tables
// whose polygons all have as many corners (blocks found by their index alone).
TEST(PolygonSampler, DrawsAndForeseesTheSamePointsAsZPolygonu) {
    for (int corners : {0, 3, 4, 6}) {
        SCOPED_TRACE(testing::Message() << "corners " << corners);
        random setup;
        setup.fixed(11 + corners);
        std::vector<face6_typ> table(300);
        for (face6_typ& face : table) random_polygon(setup, face, corners);
        const int count = int(table.size());
        const polygon_sampler sampler(table.data(), count), shared(table.data(), count, 3);
        random direct, prepared;
        for (int seed = 1; seed <= 200; ++seed) {
            direct.fixed(seed);
            prepared.fixed(seed);
            for (int draw = 0; draw < 300; ++draw) {  // past the 624th draw, where foresee must stop
                SCOPED_TRACE(testing::Message() << "seed " << seed << " draw " << draw);
                const int k = direct.z_zakresu(0, count - 1);
                XYZ6_typ seen;
                int seen_draws = 0;
                const bool foreseen = shared.foresee(prepared, k, 1, seen, seen_draws);
                ASSERT_EQ(prepared.z_zakresu(0, count - 1), k);
                const int start = prepared.mti;
                const XYZ6_typ want = direct.z_polygonu(&table[std::size_t(k)]);
                const XYZ6_typ got = (draw % 2 ? shared : sampler).draw(prepared, k);
                ASSERT_EQ(std::memcmp(&want, &got, sizeof want), 0) << "polygon " << k;
                ASSERT_TRUE(!foreseen || (std::memcmp(&want, &seen, sizeof want) == 0 && prepared.mti - start == seen_draws))
                    << "foreseen wrongly, polygon " << k;
            }
            ASSERT_EQ(direct.get(), prepared.get()) << "seed " << seed << ": a different number of draws";
        }
    }
}

}  // namespace
}  // namespace zelkor
