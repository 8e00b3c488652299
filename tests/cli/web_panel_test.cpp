// The browser panel's pieces that need no browser: the clones' transforms its 3-D view draws,
// its base64, and the command line's refusals of --panel values. The page itself is tested in
// chromium (tests/web/panel.test.mjs).
#include <array>
#include <cmath>
#include <cstring>
#include <random>

#include "cli/web_scene.h"
#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

TEST(WebScene, Base64MatchesTheStandardVectors) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(cli::base64(text.data(), text.size()), expected) << text;
}

using Affine = std::array<double, 12>;  // rows of a 3 x 4 matrix, in the modeller's coordinates

// A document as a run leaves it: layer 0 the target (one quad), layer 1 the template, and each
// clone in layer 0 as the template's polygons rebuilt, in order, through new points made at their
// first use, with "ZK_index" k / count.
host::Document cloned(const std::vector<std::array<double, 3>>& points, const std::vector<std::vector<std::uint32_t>>& polygons,
                      const std::vector<Affine>& clones) {
    host::Document document;
    document.layers.resize(2);
    host::Layer& target = document.layers[0];
    for (int k = 0; k < 4; ++k) target.add_point(k & 1, 0, k >> 1);
    const std::uint32_t quad[] = {0, 1, 3, 2};
    target.add_polygon(LWPOLTYPE_FACE, quad);
    for (const auto& p : points) document.layers[1].add_point(p[0], p[1], p[2]);
    for (const auto& polygon : polygons) document.layers[1].add_polygon(LWPOLTYPE_FACE, polygon);
    for (std::size_t k = 0; k < clones.size(); ++k) {
        const Affine& m = clones[k];
        std::vector<std::uint32_t> made(points.size(), UINT32_MAX);
        const float index = float(k) / float(clones.size());
        for (const auto& polygon : polygons) {
            std::vector<std::uint32_t> corners;
            for (std::uint32_t p : polygon) {
                if (made[p] == UINT32_MAX) {
                    const auto& x = points[p];
                    made[p] = target.add_point(m[0] * x[0] + m[1] * x[1] + m[2] * x[2] + m[3], m[4] * x[0] + m[5] * x[1] + m[6] * x[2] + m[7],
                                               m[8] * x[0] + m[9] * x[1] + m[10] * x[2] + m[11]);
                    target.vmap(LWVMAP_WGHT, "ZK_index", 1).set(made[p], &index);
                }
                corners.push_back(made[p]);
            }
            target.add_polygon(LWPOLTYPE_FACE, corners);
        }
    }
    return document;
}

// Every clone's transform is found again, mirrored in z for the page, whatever its turn and
// sizes; a flat template (no depth to fit) gets its in-plane part right and no depth at all.
TEST(WebScene, TransformsGiveBackEveryClonesTurnSizesAndPlace) {
    const struct {
        const char* name;
        std::vector<std::array<double, 3>> points;
        std::vector<std::vector<std::uint32_t>> polygons;
        bool flat;
    } templates[] = {
        {"tetrahedron", {{0, 0, 0}, {1, 0.1, 0}, {0.2, 1, 0.1}, {0.1, 0.3, 1.2}}, {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}}, false},
        {"flat quad", {{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}}, {{0, 1, 2, 3}}, true},
    };
    for (const auto& t : templates) {
        for (unsigned seed = 1; seed <= 20; ++seed) {
            std::mt19937 random(seed);
            std::uniform_real_distribution<double> any(-3, 3);
            std::vector<Affine> clones(5);
            for (Affine& m : clones)
                for (double& v : m) v = any(random);
            const cli::CloneTransforms found = cli::clone_transforms(cloned(t.points, t.polygons, clones), 0, 1, {1});
            ASSERT_EQ(found.count, clones.size()) << t.name << ", seed " << seed;
            for (std::size_t k = 0; k < clones.size(); ++k) {
                EXPECT_FLOAT_EQ(found.index[k], float(k) / float(clones.size()));
                for (std::size_t i = 0; i < 12; ++i) {
                    const std::size_t row = i / 4, column = i % 4;
                    const double mirror = (row == 2) != (column == 2) ? -1 : 1;
                    const double expected = t.flat && column == 1 ? 0 : mirror * clones[k][i];
                    EXPECT_NEAR(found.rows[12 * k + i], expected, 1e-5 * (1 + std::abs(expected)))
                        << t.name << ", seed " << seed << ", clone " << k << ", entry " << i;
                }
            }
        }
    }
}

class WebPanelOptions : public ZelkorRun {};

TEST_F(WebPanelOptions, RefusedInOneLineWithStatus2) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--panel", "browser"}, "zelkor: --panel browser: expected cli or web\n"},
        {{"--panel", "web", "--cancel"}, "zelkor: --cancel answers the panel on the command line, not with --panel web\n"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult r = clone("out.lwo", args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.err, message);
        EXPECT_FALSE(exists("out.lwo"));
    }
    const RunResult r = clone("out.lwo", {"--panel", "web", "--panel-timeout", "0"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--panel-timeout"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

}  // namespace
}  // namespace zelkor::cli_test
