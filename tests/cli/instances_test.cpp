// --instances: each form, rebuilt into points, gives the merged clones, for free and aligned
// clones, linked and independent sizes and a size map.
#include <cmath>
#include <numbers>
#include <sstream>

#include "io/mesh_file.h"
#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class Instances : public ZelkorRun {};

using Point = std::array<double, 3>;

// The module's turns: by a about x, y or z, as the object's frame turns points.
Point turn(const Point& v, int axis, double a) {
    const double s = std::sin(-a), c = std::cos(-a);
    if (axis == 0) return {v[0], v[1] * c - v[2] * s, v[1] * s + v[2] * c};
    if (axis == 1) return {v[0] * c + v[2] * s, v[1], v[2] * c - v[0] * s};
    return {v[0] * c - v[1] * s, v[1] * c + v[0] * s, v[2]};
}

Point rotate(const std::array<double, 4>& q, const Point& v) {  // q v q*
    const auto [w, x, y, z] = q;
    const Point t{2 * (y * v[2] - z * v[1]), 2 * (z * v[0] - x * v[2]), 2 * (x * v[1] - y * v[0])};
    return {v[0] + w * t[0] + y * t[2] - z * t[1], v[1] + w * t[1] + z * t[0] - x * t[2], v[2] + w * t[2] + x * t[1] - y * t[0]};
}

// Every format stores floats: the largest difference, relative to the size of the coordinates.
double gap(const Point& a, const Point& expected) {
    double g = 0;
    for (std::size_t c = 0; c < 3; ++c) g = std::max(g, std::abs(a[c] - expected[c]) / (1 + std::abs(expected[c])));
    return g;
}

TEST_F(Instances, EachFormRebuildsTheMergedClones) {
    struct Case {
        const char* name;
        const char* target;
        std::vector<std::string> sets;
    };
    const Case cases[] = {
        {"free", "terrain.lwo", {"H_align=0", "P_align=0", "H_min=-180deg", "H_max=180deg", "P_max=40deg", "B_min=-30deg"}},
        {"aligned, independent sizes", "terrain.lwo",
         {"independent_sizes=1", "size_var_x=0.3", "size_var_y=0.6", "size_var_z=1.5", "H_max=90deg", "B_max=45deg"}},
        {"size map, sizes by area", "dunes.lwo", {"size_wg=Crests", "size_wg_influence=2", "size_by_area=1", "P_align=0"}},
    };
    const host::Layer templ = io::read_mesh(example("rock.lwo")).layers[0];
    const std::size_t T = templ.point_count();
    // A clone makes its points as its polygons first use them.
    std::vector<std::size_t> made_as(T, T);
    for (std::size_t polygon = 0, made = 0; polygon < templ.polygon_count(); ++polygon)
        for (std::uint32_t p : templ.polygon(polygon))
            if (made_as[p] == T) made_as[p] = made++;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args{"--target", example(c.target), "--template", example("rock.lwo"), "--session-seed", "3",
                                      "--set", "num_clones=40"};
        for (const std::string& s : c.sets) args.insert(args.end(), {"--set", s});
        auto run = [&](const std::string& output, std::vector<std::string> more) {
            more.insert(more.begin(), {"-o", output});
            more.insert(more.end(), args.begin(), args.end());
            const RunResult r = zelkor(more);
            ASSERT_EQ(r.status, 0) << r.err;
        };
        run("merged.lwo", {});
        run("gpu.glb", {"--instances", "gpu"});
        run("nodes.gltf", {"--instances", "nodes"});
        run("table.csv", {"--instances", "table"});
        if (HasFatalFailure()) return;
        const host::Layer merged = io::read_mesh(path("merged.lwo")).layers[0];
        const std::size_t first_clone = merged.point_count() - 40 * T;
        auto merged_point = [&](std::size_t i, std::size_t k) {
            const double* p = merged.position(first_clone + i * T + made_as[k]);
            return Point{p[0], p[1], p[2]};
        };

        // The table: the quaternion and the heading, pitch and bank give the points.
        std::istringstream table(read_file(path("table.csv")));
        std::string line;
        std::size_t rows = 0;
        double worst = 0;
        while (std::getline(table, line)) {
            if (line.empty() || line[0] == '#' || line.starts_with("clone,")) continue;
            std::vector<double> f;
            std::istringstream fields(line);
            for (std::string field; std::getline(fields, field, ',');) f.push_back(std::stod(field));
            ASSERT_EQ(f.size(), 15u);
            const std::size_t i = std::size_t(f[0]);
            ASSERT_EQ(i, rows++);
            const double degrees = std::numbers::pi / 180;
            for (std::size_t k = 0; k < T; ++k) {
                const double* t = templ.position(k);
                const Point scaled{t[0] * f[12], t[1] * f[13], t[2] * f[14]};
                const Point by_q = rotate({f[5], f[6], f[7], f[8]}, scaled);
                const Point by_hpb = turn(turn(turn(scaled, 2, f[11] * degrees), 0, f[10] * degrees), 1, f[9] * degrees);
                const Point expected = merged_point(i, k);
                worst = std::max({worst, gap({by_q[0] + f[2], by_q[1] + f[3], by_q[2] + f[4]}, expected),
                                  gap({by_hpb[0] + f[2], by_hpb[1] + f[3], by_hpb[2] + f[4]}, expected)});
            }
        }
        EXPECT_EQ(rows, 40u);
        EXPECT_LT(worst, 1e-6);

        // glTF, read back: the target's points, then the template's under each instance's
        // transform, each with its clone number.
        for (const char* file : {"gpu.glb", "nodes.gltf"}) {
            SCOPED_TRACE(file);
            const host::Layer read = io::read_mesh(path(file)).layers[0];
            ASSERT_EQ(read.point_count(), first_clone + 40 * T);
            const host::VertexMap* index = read.find_vmap(LWVMAP_WGHT, "ZK_index");
            const host::VertexMap* merged_index = merged.find_vmap(LWVMAP_WGHT, "ZK_index");
            ASSERT_TRUE(index && merged_index);
            double worst_float = 0;
            for (std::size_t i = 0; i < 40; ++i)
                for (std::size_t k = 0; k < T; ++k) {
                    const double* p = read.position(first_clone + i * T + k);
                    const Point expected = merged_point(i, k);
                    worst_float = std::max(worst_float, gap({p[0], p[1], p[2]}, expected));
                    ASSERT_EQ(index->value(std::uint32_t(first_clone + i * T + k))[0],
                              merged_index->value(std::uint32_t(first_clone + i * T + made_as[k]))[0]);
                }
            EXPECT_LT(worst_float, 1e-6);
        }
    }
}

// Jittered clones are not rigid: refused before the run; a form needs its own kind of file.
TEST_F(Instances, RefusesJitterAndOutputsOfTheWrongKind) {
    const struct {
        std::vector<std::string> args;
        std::string error;
    } cases[] = {
        {{"-o", "out.glb", "--instances", "gpu", "--set", "jitter=0.25"},
         "zelkor: --instances: \"Jitter Cloned points\" is 0.25: jittered clones are not rigid copies of the template "
         "(set it to 0, or write the clones merged)\n"},
        {{"-o", "out.lwo", "--instances", "nodes"}, "zelkor: -o out.lwo: --instances nodes writes glTF (use .gltf or .glb)\n"},
        {{"-o", "out.glb", "--instances", "table"}, "zelkor: -o out.glb: --instances table writes a table (use .csv)\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"--target", example("terrain.lwo"), "--template", example("rock.lwo")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = zelkor(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.error);
        EXPECT_FALSE(std::filesystem::exists(path(c.args[1])));
    }
}

}  // namespace
}  // namespace zelkor::cli_test
