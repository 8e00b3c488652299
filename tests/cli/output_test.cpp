// What a run writes: the object's layers, vertex maps and surfaces, the report, and files that
// repeat byte for byte.
#include <cstdint>

#include "io/mesh_file.h"
#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class MeshFiles : public ZelkorRun {};
class Report : public ZelkorRun {};

TEST_F(MeshFiles, InfoListsLayersMapsAndSurfaces) {
    const RunResult r = zelkor({"--info", shared_mesh("lwo/hierarchy.lwo")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, shared_mesh("lwo/hierarchy.lwo") +
                         "\nlayers:\n"
                         "  4  \"ChildOfRoot0\"  8 points, 6 polygons (6 FACE)\n"
                         "  5  \"RootOfHierarchy\"  266 points, 288 polygons (288 FACE)\n"
                         "  3  \"GrandChildOfRoot0\"  8 points, 6 polygons (6 FACE)\n"
                         "  2  \"ChildOfRoot1\"  8 points, 6 polygons (6 FACE)\n"
                         "vertex maps:\n"
                         "  WGHT  \"Weight=\"  layers 5\n"
                         "  WGHT  \"Weight0\"  layers 5\n"
                         "surfaces:\n  \"BoxOnLayer3\"\n  \"Default\"\n  \"RedBox\"\n");
}

// Names from a file reach a terminal with their control bytes escaped (a title change and a bell
// here), and a glTF and a report as UTF-8 (the Latin-1 "é" of an old file becomes U+00E9).
TEST_F(MeshFiles, NamesFromFilesAreEscapedForTerminalsAndUtf8ForFiles) {
    host::Document crafted = io::read_mesh(example("rock.lwo"));
    const std::string name = "Rock\x1b]0;owned\x07\xe9";
    crafted.layers[0].name = name;
    crafted.tags[0] = name;  // the surface, which becomes the glTF material's name
    crafted.surfaces[0] = {name, {}};
    io::write_mesh(crafted, path("crafted.lwo"));
    const RunResult info = zelkor({"--info", "crafted.lwo"});
    EXPECT_NE(info.out.find("\"Rock\\x1B]0;owned\\x07\xc3\xa9\""), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find('\x1b'), std::string::npos);
    const RunResult run = zelkor({"--target", example("terrain.lwo"), "--template", "crafted.lwo", "-o", "out.gltf",
                                  "--set", "num_clones=2", "--select", "surface:" + name});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "zelkor: --select: no target polygon has the surface \"Rock\\x1B]0;owned\\x07\xc3\xa9\"\n");
    ASSERT_EQ(zelkor({"--target", example("terrain.lwo"), "--template", "crafted.lwo", "-o", "out.gltf"}).status, 0);
    const nlohmann::json gltf = nlohmann::json::parse(read_file(path("out.gltf")));
    EXPECT_EQ(gltf["materials"][1]["name"], "Rock\x1b]0;owned\x07\xc3\xa9");
}

TEST_F(MeshFiles, ClonesGoIntoTheFirstForegroundLayerWithTheTemplatesSurfaceAndPart) {
    ASSERT_EQ(clone("out.lwo", {"--set", "num_clones=3"}).status, 0);
    host::Document out = io::read_mesh(path("out.lwo"));
    ASSERT_EQ(out.layers.size(), 1u);
    EXPECT_EQ(out.layers[0].point_count(), 289u + 3 * 12);
    EXPECT_EQ(out.layers[0].polygon_count(), 256u + 3 * 20);
    ASSERT_EQ(out.surfaces.size(), 2u);
    EXPECT_EQ(out.surfaces[0].name, "Ground");
    EXPECT_EQ(out.surfaces[1].name, "Rock");
    EXPECT_FALSE(out.surfaces[1].lwo2_data.empty());  // the rock's own surface data came along
    EXPECT_EQ(out.layers[0].tag(LWPTAG_SURF, 256), out.find_tag("Rock"));
    EXPECT_NE(out.layers[0].find_vmap(LWVMAP_TXUV, "RockUV"), nullptr);
    EXPECT_NE(out.layers[0].find_vmap(LWVMAP_WGHT, "ZK_index"), nullptr);
    // OBJ holds neither weight map and says so once.
    const RunResult obj = clone("out.obj", {"--set", "num_clones=2"});
    EXPECT_EQ(obj.status, 0);
    EXPECT_EQ(obj.err, "zelkor: warning: out.obj leaves out weight maps Hollows, ZK_index\n");
    EXPECT_TRUE(exists("out.obj"));

    // The template's tag numbers point into its own tag list; in the object they must name the
    // same surface and part, not whatever the target's list holds at that number.
    write_file(path("pebble.obj"), "v 0 0 0\nv 0.1 0 0\nv 0 0.1 0\ng Pebble\nusemtl Stone\nf 1 2 3\n");
    ASSERT_EQ(zelkor({"--target", example("terrain.lwo"), "--template", "pebble.obj", "-o", "out.lwo", "--set",
                      "num_clones=2"}).status, 0);
    out = io::read_mesh(path("out.lwo"));
    ASSERT_EQ(out.layers[0].polygon_count(), 258u);
    for (std::size_t p : {256u, 257u}) {
        EXPECT_EQ(out.layers[0].tag(LWPTAG_SURF, p), out.find_tag("Stone"));
        EXPECT_EQ(out.layers[0].tag(LWPTAG_PART, p), out.find_tag("Pebble"));
    }
    EXPECT_EQ(out.layers[0].tag(LWPTAG_SURF, 0), out.find_tag("Ground"));
    EXPECT_NE(out.find_surface("Stone"), nullptr);
}

TEST_F(MeshFiles, LayersByNumberAndNameAndTheirMapsOrder) {
    // hierarchy layer 4 has no maps, but the object's maps are those of every target layer, then
    // the template's: none, Weight=, Weight0, Hollows.
    ASSERT_EQ(zelkor({"--target", shared_mesh("lwo/hierarchy.lwo") + ":4,RootOfHierarchy", "--template",
                      example("terrain.lwo") + ":1", "-o", "out.lwo", "--set", "num_clones=2", "--set",
                      "density_wg=Hollows", "--set", "size_wg=Weight0", "--report", "r.json"}).status, 0);
    const nlohmann::json report = json_file("r.json");
    EXPECT_EQ(report["params"]["density_wg"], 3);
    EXPECT_EQ(report["params"]["size_wg"], 2);
    EXPECT_EQ(report["target_polygons"], 6 + 288);
    const host::Document out = io::read_mesh(path("out.lwo"));
    ASSERT_EQ(out.layers.size(), 4u);
    EXPECT_EQ(out.layers[0].point_count(), 8u + 2 * 289);  // "4" is the first foreground layer
    EXPECT_EQ(out.layers[1].point_count(), 266u);
    EXPECT_NE(out.find_surface("Ground"), nullptr);
}

TEST_F(Report, ListsTheClonesWithTheirData) {
    ASSERT_EQ(clone("out.lwo", {"--set", "num_clones=7", "--set", "size_by_area=1", "--set", "H_align=0", "--set",
                                "P_align=0", "--report", "r.json"}).status, 0);
    const nlohmann::json report = json_file("r.json");
    EXPECT_TRUE(report["target_polygons"].is_number_integer() && report["target_polygons"] == 256);
    EXPECT_GT(report["poly_avg_area"].get<double>(), 1.5625);  // a bumpy ground has more area than its 20 x 20 plan
    ASSERT_EQ(report["clones"].size(), 7u);
    for (const nlohmann::json& clone : report["clones"]) {
        EXPECT_TRUE(clone["polygon"].is_number_integer() && clone["polygon"].get<unsigned>() < 256u);
        ASSERT_EQ(clone["pos"].size(), 3u);
        EXPECT_LE(std::abs(clone["pos"][0].get<double>()), 10.0);
        EXPECT_TRUE(clone["P_angle"].is_null());  // no alignment: no pitch from the normal
        EXPECT_TRUE(clone["area"].is_number());   // sizes follow the polygon area
    }
    EXPECT_EQ(report["added"], nlohmann::json({{"points", 7 * 12}, {"polygons", 7 * 20}}));
    EXPECT_EQ(report["output"], "out.lwo");
    EXPECT_EQ(report["params"].size(), 28u);
    EXPECT_EQ(report["messages"].size(), 0u);

    // Aligned clones carry their pitch and no area; numbers read back to the same doubles.
    ASSERT_EQ(clone("out.lwo", {"--set", "num_clones=2", "--set", "H_max=0.1", "--report", "r.json"}).status, 0);
    const nlohmann::json first = json_file("r.json")["clones"][0];
    EXPECT_TRUE(first["P_angle"].is_number() && first["area"].is_null());
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
        EXPECT_EQ(zelkor(args).status, 0);
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

// FNV-1a, 64 bits: enough to notice any change in an output file.
std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (unsigned char byte : bytes) hash = (hash ^ byte) * 0x100000001b3u;
    return hash;
}

// Fixed seeds give fixed files: a change in the order of the draws or in the bytes written shows
// here. The built module file gives the same bytes as the module linked in.
TEST_F(Report, SeededRunsKeepTheirBytesAndClones) {
    const struct {
        std::vector<std::string> more;
        std::uint64_t hash;
        std::size_t clones;
        const char *first, *last;  // polygon and position
    } cases[] = {
        {{"--session-seed", "1", "--set", "seed=7"}, 0xa498fc55d0607f57u, 30,
         "[80, [-9.940226846712081, 0.4774068520537668, -3.5465590507980584]]",
         "[191, [9.687929856641427, -0.27601383376067623, 4.094512784100367]]"},
        {{"--session-seed", "2", "--set", "seed=11", "--set", "num_clones=150", "--set", "jitter=0.2", "--set",
          "H Max=180deg", "--set", "H_min=-180deg"},
         0x58a3e0aec98284dau, 150, "[16, [-9.924170744639135, -0.512263206983383, -7.590589725034336]]",
         "[159, [9.955796475827455, -0.6574408656944062, 2.4927326785020893]]"},
        {{"--session-seed", "3", "--set", "seed=5", "--set", "num_clones=120", "--set", "density_wg=Hollows", "--set",
          "independent_sizes=1", "--set", "size_var_y=50%"},
         0x928fb6a5b22e1b18u, 120, "[48, [-9.956920517576417, -0.11755365152574415, -5.991022812467497]]",
         "[63, [9.842917959761762, 0.3411887895508436, -5.222346612398855]]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.more[1] + " " + c.more[3]);
        std::vector<std::string> more = c.more;
        more.insert(more.end(), {"--report", "r.json"});
        ASSERT_EQ(clone("out.lwo", more).status, 0);
        EXPECT_EQ(fnv1a(read_file(path("out.lwo"))), c.hash) << std::hex << fnv1a(read_file(path("out.lwo")));
        const nlohmann::json clones = json_file("r.json")["clones"];
        ASSERT_EQ(clones.size(), c.clones);
        for (const auto& [got, expected] : {std::pair{clones.front(), c.first}, std::pair{clones.back(), c.last}})
            EXPECT_EQ(nlohmann::json({got["polygon"], got["pos"]}), nlohmann::json::parse(expected));
    }
    ASSERT_EQ(clone("file.lwo", {"--session-seed", "1", "--set", "seed=7", "--module", ZELKOR_MODULE_PATH}).status, 0);
    EXPECT_EQ(fnv1a(read_file(path("file.lwo"))), cases[0].hash);

    // Session seeds are clock values from 0 to 2^32 - 1: each repeats its run, and no two agree.
    std::vector<std::uint64_t> hashes;
    for (const char* session : {"0", "0", "2147483648", "2147483648", "4294967295", "4294967295"}) {
        ASSERT_EQ(clone("out.lwo", {"--session-seed", session, "--set", "seed=7"}).status, 0) << session;
        hashes.push_back(fnv1a(read_file(path("out.lwo"))));
    }
    for (std::size_t k = 0; k < hashes.size(); k += 2) {
        EXPECT_EQ(hashes[k], hashes[k + 1]);
        EXPECT_NE(hashes[k], hashes[(k + 2) % hashes.size()]);
    }

    // Without a session seed sizes and angles come from the clock, but positions follow "seed".
    for (const char* report : {"a.json", "b.json"})
        ASSERT_EQ(clone("out.lwo", {"--set", "num_clones=20", "--set", "seed=3", "--report", report}).status, 0);
    const nlohmann::json a = json_file("a.json")["clones"], b = json_file("b.json")["clones"];
    ASSERT_EQ(a.size(), 20u);
    for (std::size_t k = 0; k < a.size(); ++k) EXPECT_EQ(a[k]["pos"], b[k]["pos"]) << k;
}

}  // namespace
}  // namespace zelkor::cli_test
