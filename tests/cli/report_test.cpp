// --report contents, --select, and runs that repeat byte for byte.
#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class Report : public ZelkorRun {};

TEST_F(Report, ListsTheClonesInBuildOrderWithTheirData) {
    const RunResult r = clone("out.lwo", {"--set", "num_clones=7", "--set", "size_by_area=1", "--set", "H_align=0",
                                          "--set", "P_align=0", "--report", "r.json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json report = json_file("r.json");
    EXPECT_EQ(report["target_polygons"], 256);
    EXPECT_TRUE(report["target_polygons"].is_number_integer());
    EXPECT_GT(report["poly_avg_area"].get<double>(), 1.5625);  // a bumpy ground has more area than its 20 x 20 plan
    ASSERT_EQ(report["clones"].size(), 7u);
    for (const nlohmann::json& clone : report["clones"]) {
        EXPECT_TRUE(clone["polygon"].is_number_integer());
        EXPECT_LT(clone["polygon"].get<unsigned>(), 256u);
        ASSERT_EQ(clone["pos"].size(), 3u);
        EXPECT_LE(std::abs(clone["pos"][0].get<double>()), 10.0);
        EXPECT_TRUE(clone["P_angle"].is_null());   // no alignment: no pitch from the normal
        EXPECT_TRUE(clone["area"].is_number());    // sizes follow the polygon area
    }
    EXPECT_EQ(report["added"]["points"], 7 * 12);
    EXPECT_EQ(report["added"]["polygons"], 7 * 20);
    EXPECT_EQ(report["output"], "out.lwo");
    EXPECT_EQ(report["params"].size(), 28u);
    EXPECT_EQ(report["messages"].size(), 0u);

    // Aligned clones carry their pitch and no area; numbers read back to the same doubles.
    ASSERT_EQ(clone("out.lwo", {"--set", "num_clones=2", "--set", "H_max=0.1", "--report", "r.json"}).status, 0);
    const nlohmann::json clones = json_file("r.json")["clones"];
    ASSERT_EQ(clones.size(), 2u);
    EXPECT_TRUE(clones[0]["P_angle"].is_number());
    EXPECT_TRUE(clones[0]["area"].is_null());
    const std::string text = read_file(path("r.json"));
    for (const char* number : {"\"H_max\": 0.1,", "\"slope_max\": 3.1415,", "\"B_min\": -0.17452777777777778,",
                               "\"num_clones\": 2,"})
        EXPECT_NE(text.find(number), std::string::npos) << number;
}

TEST_F(Report, SelectLimitsTheTargetPolygons) {
    write_file(path("two.obj"),
               "v 0 0 0\nv 1 0 0\nv 1 0 1\nv 0 0 1\nv 2 0 0\nv 2 0 1\n"
               "g Left\nusemtl Grass\nf 1 4 3 2\ng Right\nusemtl Sand\nf 2 3 6 5\n");
    auto run = [&](std::vector<std::string> select) {
        std::vector<std::string> args{"--target", "two.obj", "--template", example("rock.lwo"), "-o", "out.lwo",
                                      "--set", "num_clones=4", "--report", "r.json"};
        args.insert(args.end(), select.begin(), select.end());
        const RunResult r = zelkor(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return json_file("r.json");
    };
    EXPECT_EQ(run({})["target_polygons"], 2);
    const nlohmann::json sand = run({"--select", "surface:Sand"});
    EXPECT_EQ(sand["target_polygons"], 1);
    for (const nlohmann::json& clone : sand["clones"]) EXPECT_GE(clone["pos"][0].get<double>(), 1.0);
    const nlohmann::json left = run({"--select", "part:Left"});
    EXPECT_EQ(left["target_polygons"], 1);
    for (const nlohmann::json& clone : left["clones"]) EXPECT_LE(clone["pos"][0].get<double>(), 1.0);
    EXPECT_EQ(run({"--select", "part:Left", "--select", "surface:Sand"})["target_polygons"], 2);
}

TEST_F(Report, SameSeedsGiveTheSameBytes) {
    std::vector<std::string> seeds{"--set", "num_clones=40", "--set", "seed=11", "--session-seed", "5",
                                   "--set", "jitter=0.2"};
    ASSERT_EQ(clone("a.lwo", seeds).status, 0);
    ASSERT_EQ(clone("b.lwo", seeds).status, 0);
    EXPECT_EQ(read_file(path("a.lwo")), read_file(path("b.lwo")));
    seeds[5] = "6";
    ASSERT_EQ(clone("c.lwo", seeds).status, 0);
    EXPECT_NE(read_file(path("a.lwo")), read_file(path("c.lwo")));

    // Without a session seed sizes and angles come from the clock, but positions follow "seed".
    ASSERT_EQ(clone("a.lwo", {"--set", "num_clones=20", "--set", "seed=3", "--report", "a.json"}).status, 0);
    ASSERT_EQ(clone("b.lwo", {"--set", "num_clones=20", "--set", "seed=3", "--report", "b.json"}).status, 0);
    const nlohmann::json a = json_file("a.json")["clones"], b = json_file("b.json")["clones"];
    ASSERT_EQ(a.size(), 20u);
    for (std::size_t k = 0; k < a.size(); ++k) EXPECT_EQ(a[k]["pos"], b[k]["pos"]) << k;
}

TEST_F(Report, TheBuiltModuleFileMakesTheSameBytesAsTheLinkedModule) {
    const std::vector<std::string> seeds{"--set", "num_clones=25", "--session-seed", "9", "--set", "jitter=0.1"};
    std::vector<std::string> from_file = seeds;
    from_file.insert(from_file.end(), {"--module", ZELKOR_MODULE_PATH});
    ASSERT_EQ(clone("linked.lwo", seeds).status, 0);
    ASSERT_EQ(clone("file.lwo", from_file).status, 0);
    EXPECT_EQ(read_file(path("linked.lwo")), read_file(path("file.lwo")));

    const RunResult missing = clone("x.lwo", {"--module", "no_such_module.so"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "zelkor: --module: module file not found: no_such_module.so\n");
}

}  // namespace
}  // namespace zelkor::cli_test
