// Layers, vertex maps and surfaces through the command line, and the output files themselves.
#include <array>
#include <cstdio>

#include "io/mesh_file.h"
#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class MeshFiles : public ZelkorRun {};

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

TEST_F(MeshFiles, ClonesGoIntoTheFirstForegroundLayerWithTheTemplatesSurface) {
    const RunResult r = clone("out.lwo", {"--set", "num_clones=3"});
    ASSERT_EQ(r.status, 0) << r.err;
    const host::Document out = io::read_mesh(path("out.lwo"));
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
}

TEST_F(MeshFiles, ClonePolygonsKeepTheTemplatesSurfaceAndPart) {
    // The template's tag numbers point into its own tag list; in the object they must name the
    // same surface and part, not whatever the target's list holds at that number.
    write_file(path("pebble.obj"), "v 0 0 0\nv 0.1 0 0\nv 0 0.1 0\ng Pebble\nusemtl Stone\nf 1 2 3\n");
    const RunResult r = zelkor({"--target", example("terrain.lwo"), "--template", "pebble.obj", "-o", "out.lwo",
                                "--set", "num_clones=2"});
    ASSERT_EQ(r.status, 0) << r.err;
    const host::Document out = io::read_mesh(path("out.lwo"));
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
    const RunResult r = zelkor({"--target", shared_mesh("lwo/hierarchy.lwo") + ":4,RootOfHierarchy", "--template",
                                example("terrain.lwo") + ":1", "-o", "out.lwo", "--set", "num_clones=2",
                                "--set", "density_wg=Hollows", "--set", "size_wg=Weight0", "--report", "r.json"});
    ASSERT_EQ(r.status, 0) << r.err;
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

TEST_F(MeshFiles, AssimpOpensTheOutputWithEveryClone) {
    if (!std::filesystem::exists("/usr/bin/assimp")) GTEST_SKIP() << "assimp is not installed";
    ASSERT_EQ(clone("out.lwo", {"--set", "num_clones=1000", "--report", "r.json"}).status, 0);
    auto counts = [&](const std::string& file) {
        std::FILE* pipe = ::popen(("/usr/bin/assimp info '" + file + "' 2>/dev/null").c_str(), "r");
        std::array<long, 2> found{-1, -1};
        char line[512];
        while (pipe && std::fgets(line, sizeof line, pipe)) {
            std::sscanf(line, "Vertices: %ld", &found[0]);
            std::sscanf(line, "Faces: %ld", &found[1]);
        }
        if (pipe) ::pclose(pipe);
        EXPECT_TRUE(found[0] > 0 && found[1] > 0) << file;
        return found;
    };
    const auto target = counts(example("terrain.lwo"));
    const auto rock = counts(example("rock.lwo"));
    const auto out = counts(path("out.lwo").string());
    EXPECT_EQ(out[0], target[0] + 1000 * rock[0]);
    EXPECT_EQ(out[1], target[1] + 1000 * rock[1]);
    EXPECT_EQ(json_file("r.json")["clones"].size(), 1000u);
}

}  // namespace
}  // namespace zelkor::cli_test
