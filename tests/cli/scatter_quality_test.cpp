// The scatter figures against direct computations: every clone against every clone, every probe
// against every clone, on small random sets.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "cli/chi_square.h"
#include "cli/counter_random.h"
#include "cli/nearest_clone.h"
#include "cli/quality_plot.h"
#include "cli/scatter_quality.h"
#include "zelkor_runner.h"

namespace zelkor::cli {
namespace {

double squared(const double* a, const double* b) {
    const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return dx * dx + dy * dy + dz * dz;
}

// The nearest of `points` to p other than `skip`, by looking at all of them.
double direct_nearest(const std::vector<double>& points, const double* p, std::size_t skip = NearestClone::kNone) {
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < points.size() / 3; ++i)
        if (i != skip) best = std::min(best, squared(p, &points[3 * i]));
    return std::sqrt(best);
}

struct Draws {
    std::uint64_t seed;
    std::uint64_t n = 0;
    double next() { return counter_uniform(seed, n++); }
};

// Clones in clusters of `spread` around `clusters` centres over a 10 x 10 field, heights within 1.
std::vector<double> clustered_points(std::size_t count, int clusters, double spread, Draws& draws) {
    std::vector<double> centres, points;
    for (int k = 0; k < 3 * clusters; ++k) centres.push_back(draws.next() * 10);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t c = std::size_t(draws.next() * clusters);
        for (int a = 0; a < 3; ++a) points.push_back(centres[3 * c + a] + (draws.next() - 0.5) * spread * (a == 1 ? 0.1 : 1));
    }
    return points;
}

TEST(CounterRandom, IsSplitMix64) {
    // The first outputs of SplitMix64 seeded with 0, as its reference implementation prints them.
    EXPECT_EQ(counter_bits(0, 0), 0xe220a8397b1dcdafull);
    EXPECT_EQ(counter_bits(0, 1), 0x6e789e6aa1b965f4ull);
    EXPECT_EQ(counter_bits(0, 2), 0x06c45d188009454full);
}

TEST(NearestClone, AgreesWithADirectSearch) {
    struct Case {
        std::size_t count;
        int clusters;
        double spread, cell;
    };
    // Even and clustered sets; cells far smaller and far larger than the spacing; no cell size;
    // all clones on one spot (spread 0). Queries reach 30 units past the clones, so that the
    // tree answers some.
    const Case cases[] = {{1, 1, 1, 0.5}, {2, 1, 0, 0.5}, {40, 1, 20, 1.0}, {300, 1, 20, 0.7}, {300, 4, 0.5, 0.7},
                          {300, 2, 3, 0.01}, {300, 3, 3, 50}, {200, 1, 20, 0}, {50, 1, 0, 0.3}};
    for (std::uint64_t seed = 1; seed <= 20; ++seed)
        for (const Case& c : cases) {
            Draws draws{seed};
            const std::vector<double> points = clustered_points(c.count, c.clusters, c.spread, draws);
            const NearestClone grid(points, c.cell);
            SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(c.count) + " points, cell " + std::to_string(c.cell));
            for (std::size_t i = 0; i < c.count; ++i)
                ASSERT_EQ(grid.nearest(&points[3 * i], i).distance, c.count > 1 ? direct_nearest(points, &points[3 * i], i) : 0.0);
            for (int q = 0; q < 100; ++q) {
                const double p[3] = {draws.next() * 70 - 30, draws.next() * 4 - 2, draws.next() * 70 - 30};
                const double direct = direct_nearest(points, p);
                const NearestClone::Hit hit = grid.nearest(p);
                ASSERT_EQ(hit.distance, direct);
                ASSERT_EQ(std::sqrt(squared(p, &points[3 * hit.clone])), direct);
                ASSERT_NE(grid.clone_within(p, direct), NearestClone::kNone);
                ASSERT_EQ(grid.clone_within(p, std::nextafter(direct, 0.0)), NearestClone::kNone);
            }
        }
}

TEST(ChiSquare, MatchesPublishedCriticalValues) {
    // Upper 5 % and 1 % points of the chi-square distribution, from its published tables.
    const struct {
        double statistic, df, p;
    } rows[] = {{3.841459, 1, 0.05}, {6.634897, 1, 0.01}, {5.991465, 2, 0.05}, {18.307038, 10, 0.05},
                {124.342113, 100, 0.05}, {135.806723, 100, 0.01}, {1074.679449, 1000, 0.05}};
    for (const auto& row : rows) EXPECT_NEAR(chi_square_p_value(row.statistic, row.df), row.p, 2e-7) << row.statistic;
    // One degree of freedom has a closed form, over the whole range.
    for (double x = 0.01; x < 60; x *= 1.7) EXPECT_NEAR(chi_square_p_value(x, 1), std::erfc(std::sqrt(x / 2)), 1e-13) << x;
    EXPECT_EQ(chi_square_p_value(0, 3), 1.0);
    EXPECT_TRUE(std::isnan(chi_square_p_value(2, 0)));
}

// A bumpy grid of n x n quads over 10 x 10 units, a triangle, and a polygon of two points.
ScatterSample bumpy_target(int n) {
    ScatterSample s;
    const auto height = [](double x, double z) { return 0.3 * std::sin(x) * std::cos(0.7 * z); };
    const double step = 10.0 / n;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            std::vector<double> quad;
            for (auto [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
                const double x = (i + di) * step, z = (j + dj) * step;
                quad.insert(quad.end(), {x, height(x, z), z});
            }
            s.add_polygon(quad);
        }
    s.add_polygon(std::vector<double>{10, 0, 0, 14, 0, 0, 10, 0, 3});
    s.add_polygon(std::vector<double>{0, 0, 0, 1, 1, 1});
    s.clones_per_polygon.assign(s.polygon_count(), 0);
    return s;
}

void add_clone(ScatterSample& s, std::size_t polygon, double u, double v) {
    const double* p = &s.polygon_points[3 * s.polygon_starts[polygon]];
    const std::size_t count = s.polygon_starts[polygon + 1] - s.polygon_starts[polygon];
    const double* far = p + 3 * (count - 1);
    for (int a = 0; a < 3; ++a) s.positions.push_back(p[a] + u * (p[3 + a] - p[a]) + v * (far[a] - p[a]));
    ++s.clones_per_polygon[polygon];
}

TEST(ScatterQuality, FiguresAgreeWithDirectComputation) {
    for (std::uint64_t seed = 1; seed <= 12; ++seed)
        for (std::size_t clones : {std::size_t(2), std::size_t(37), std::size_t(400)}) {
            ScatterSample s = bumpy_target(8);
            Draws draws{seed * 1000 + clones};
            for (std::size_t i = 0; i < clones; ++i) add_clone(s, std::size_t(draws.next() * 65), draws.next(), draws.next());
            const ScatterQualitySettings settings{0.8, 20, seed};
            const ScatterQuality q = measure_scatter(s, settings);
            SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(clones) + " clones");

            double area = 0;  // the quads by their two fan triangles, the triangle's 6, the pair's 0
            for (std::size_t k = 0; k < 64; ++k) {
                const double* p = &s.polygon_points[3 * s.polygon_starts[k]];
                for (int t = 1; t <= 2; ++t) {
                    const double u[3] = {p[3 * t] - p[0], p[3 * t + 1] - p[1], p[3 * t + 2] - p[2]};
                    const double v[3] = {p[3 * t + 3] - p[0], p[3 * t + 4] - p[1], p[3 * t + 5] - p[2]};
                    area += 0.5 * std::hypot(u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]);
                }
            }
            area += 6;
            ASSERT_NEAR(q.area, area, 1e-12 * area);
            const double d_max = std::sqrt(2 * q.area / (std::sqrt(3.0) * double(clones)));
            const double base = 0.8 * std::sqrt(q.area / double(clones));

            double smallest = std::numeric_limits<double>::infinity(), sum = 0;
            for (std::size_t i = 0; i < clones; ++i) {
                const double d = direct_nearest(s.positions, &s.positions[3 * i], i);
                smallest = std::min(smallest, d);
                sum += d;
            }
            EXPECT_EQ(q.rho, smallest / d_max);
            EXPECT_NEAR(q.mean_nn_ratio, sum / double(clones) / d_max, 1e-12);  // summed in another order

            const std::vector<double> probes = coverage_probes(s, settings);
            ASSERT_EQ(probes.size(), 3 * 20 * clones);
            double widest = 0;
            std::size_t widest_at = 0;
            for (std::size_t k = 0; k < probes.size() / 3; ++k)
                if (const double d = direct_nearest(s.positions, &probes[3 * k]); d > widest) widest = d, widest_at = k;
            EXPECT_EQ(q.probes, probes.size() / 3);
            EXPECT_EQ(q.widest_gap, widest);
            EXPECT_EQ(q.coverage, widest / base);
            EXPECT_EQ(q.gap_point[0], probes[3 * widest_at]);
            EXPECT_EQ(direct_nearest(s.positions, &probes[3 * widest_at]),
                      std::sqrt(squared(&probes[3 * widest_at], &s.positions[3 * q.gap_clone])));
        }
}

TEST(ScatterQuality, ProbesFollowTheArea) {
    // Two squares of areas 1 and 9 and a 4 x 1 strip at a height: their probes, 20 per clone,
    // come in the areas' proportions (to within one per fan triangle) and lie on them.
    ScatterSample s;
    s.add_polygon(std::vector<double>{0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1});
    s.add_polygon(std::vector<double>{5, 0, 0, 8, 0, 0, 8, 0, 3, 5, 0, 3});
    s.add_polygon(std::vector<double>{0, 2, 5, 4, 2, 5, 4, 2, 6, 0, 2, 6});
    s.positions = {0.5, 0, 0.5, 6, 0, 1, 7, 0, 2, 2, 2, 5.5};
    const std::vector<double> probes = coverage_probes(s, {0.8, 20, 99});
    double counts[3] = {0, 0, 0};
    for (std::size_t k = 0; k < probes.size(); k += 3) {
        const double x = probes[k], y = probes[k + 1], z = probes[k + 2];
        const int on = y == 2 ? 2 : x >= 5 ? 1 : 0;
        const double low[3][2] = {{0, 0}, {5, 0}, {0, 5}}, high[3][2] = {{1, 1}, {8, 3}, {4, 6}};
        ASSERT_TRUE(y == 0 || y == 2);
        ASSERT_TRUE(x >= low[on][0] && x <= high[on][0] && z >= low[on][1] && z <= high[on][1]) << x << " " << z;
        ++counts[on];
    }
    ASSERT_EQ(probes.size(), 3u * 80);
    EXPECT_NEAR(counts[0], 80.0 * 1 / 14, 2);
    EXPECT_NEAR(counts[1], 80.0 * 9 / 14, 2);
    EXPECT_NEAR(counts[2], 80.0 * 4 / 14, 2);
}

TEST(ScatterQuality, ChiSquareOfClonesPerPolygon) {
    // Two equal halves holding 8 and 2 clones: expected 5 and 5, statistic (9 + 9) / 5, one
    // degree of freedom, whose tail is erfc(sqrt(x / 2)).
    ScatterSample s;
    s.add_polygon(std::vector<double>{0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1});
    s.add_polygon(std::vector<double>{1, 0, 0, 2, 0, 0, 2, 0, 1, 1, 0, 1});
    s.clones_per_polygon = {8, 2};
    for (int i = 0; i < 10; ++i) s.positions.insert(s.positions.end(), {i < 8 ? 0.1 * i : 1.2 + 0.1 * i, 0, 0.5});
    ScatterQuality q = measure_scatter(s, {});
    EXPECT_NEAR(q.chi_square, 3.6, 1e-12);
    EXPECT_EQ(q.degrees_of_freedom, 1u);
    EXPECT_NEAR(q.p_value, std::erfc(std::sqrt(1.8)), 1e-12);
    // Clones in proportion to the area: nothing to reject. Too few clones to pool twice: no test.
    s.clones_per_polygon = {5, 5};
    EXPECT_EQ(measure_scatter(s, {}).p_value, 1.0);
    s.clones_per_polygon = {3, 2};
    s.positions.resize(15);
    EXPECT_TRUE(std::isnan(measure_scatter(s, {}).p_value));
}

TEST(QualityPlot, DrawsClonesPolygonsAndTheWidestGap) {
    ScatterSample s = bumpy_target(4);
    for (int i = 0; i < 30; ++i) add_clone(s, std::size_t(i % 8), 0.3, 0.6);  // the quads with x < 5
    const ScatterQuality q = measure_scatter(s, {});
    const std::string svg = plot_svg(s, q);
    std::size_t circles = 0;
    for (std::size_t at = svg.find("<circle"); at != std::string::npos; at = svg.find("<circle", at + 1)) ++circles;
    EXPECT_EQ(circles, 30u + 2);  // the clones, the gap, the gap's sign in the legend
    EXPECT_NE(svg.find(">" + std::to_string(q.clones) + "<"), std::string::npos);

    const std::vector<std::uint8_t> png = plot_png(s, q);
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(png.data(), int(png.size()), &width, &height, &channels, 3);
    ASSERT_NE(pixels, nullptr);
    // The target spans 14 x 10 units (the triangle reaches x = 14) drawn 720 wide, beside the legend.
    const double scale = 720 / 14.0;
    EXPECT_EQ(width, 20 + 720 + 20 + 300);
    EXPECT_EQ(height, 20 + int(std::ceil(10 * scale)) + 20);
    const auto colour_at = [&](double x, double z) {
        // Away from the red ring around the widest gap, which is drawn over everything else.
        const double ring = std::hypot(x - q.gap_point[0], z - q.gap_point[2]) - q.widest_gap;
        EXPECT_GT(std::fabs(ring) * scale, 3) << x << " " << z;
        const stbi_uc* p = pixels + 3 * (std::size_t(20 + (10 - z) * scale) * std::size_t(width) + std::size_t(20 + x * scale));
        return std::vector<int>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(colour_at(s.positions[3 * 29], s.positions[3 * 29 + 2]), (std::vector<int>{253, 231, 37}));  // the last clone
    EXPECT_EQ(colour_at(7.6, 6.3), (std::vector<int>{235, 235, 235}));  // a quad without clones
    stbi_image_free(pixels);
}

class QualityOption : public cli_test::ZelkorRun {};

TEST_F(QualityOption, PrintsReportsAndPlotsWithoutChangingTheRun) {
    const std::vector<std::string> run{"--set", "num_clones=300", "--session-seed", "7"};
    ASSERT_EQ(clone("plain.lwo", run).status, 0);
    std::vector<std::string> measured = run;
    measured.insert(measured.end(), {"--quality", "--report", "r.json", "--plot", "p.png"});
    const cli_test::RunResult result = clone("measured.lwo", measured);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(cli_test::read_file(path("plain.lwo")), cli_test::read_file(path("measured.lwo")));
    const nlohmann::json quality = json_file("r.json")["quality"];
    char line[200];
    std::snprintf(line, sizeof line, "quality: rho %.3f, mean NN ratio %.3f, coverage %.3f, p-value %.3g\n",
                  quality["rho"].get<double>(), quality["mean_nn_ratio"].get<double>(), quality["coverage"].get<double>(),
                  quality["p_value"].get<double>());
    EXPECT_EQ(result.out.substr(0, result.out.find('\n') + 1), line);
    EXPECT_EQ(quality["clones"], 300);
    EXPECT_EQ(quality["probes"], 6000);
    EXPECT_EQ(cli_test::read_file(path("p.png")).substr(1, 3), "PNG");

    // Not asked: no figures. A plot of another kind: refused before the run.
    EXPECT_EQ(clone("plain.lwo", run).out.find("quality:"), std::string::npos);
    const cli_test::RunResult jpeg = clone("x.lwo", {"--plot", "p.jpg"});
    EXPECT_EQ(jpeg.status, 2);
    EXPECT_EQ(jpeg.err, "zelkor: --plot p.jpg: expected a file ending in .svg or .png\n");
    EXPECT_FALSE(exists("x.lwo"));
}

}  // namespace
}  // namespace zelkor::cli
