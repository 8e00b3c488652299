// A glTF target steers a run with the weight maps it carries as custom attributes, as a target
// painted and exported elsewhere would.
#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class GltfTarget : public ZelkorRun {};

TEST_F(GltfTarget, APaintedDensityMapSteersTheScatter) {
    // The dunes as glTF ("Hollows" becomes _HOLLOWS), then the same object as LWO read from it.
    ASSERT_EQ(zelkor({"-q", "--target", example("dunes.lwo"), "--template", example("rock.lwo"), "-o", "dunes.glb", "--set",
                      "num_clones=0"}).status, 0);
    ASSERT_EQ(zelkor({"-q", "--target", "dunes.glb", "--template", example("rock.lwo"), "-o", "dunes.lwo", "--set",
                      "num_clones=0"}).status, 0);
    auto positions = [&](const std::string& target, const std::string& map) {
        const RunResult r = zelkor({"-q", "--target", target, "--template", example("rock.lwo"), "-o", "out.glb", "--session-seed",
                                    "4", "--set", "num_clones=60", "--set", "density_wg=" + map, "--report", "r.json"});
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::vector<double>> out;
        const nlohmann::json report = json_file("r.json");
        for (const nlohmann::json& c : report["clones"]) out.push_back(c["pos"].get<std::vector<double>>());
        return out;
    };
    const auto steered = positions("dunes.glb", "Hollows");
    ASSERT_EQ(steered.size(), 60u);
    EXPECT_NE(steered, positions("dunes.glb", "none"));
    EXPECT_NE(steered, positions("dunes.glb", "Crests"));
    EXPECT_EQ(steered, positions("dunes.lwo", "Hollows"));
}

}  // namespace
}  // namespace zelkor::cli_test
