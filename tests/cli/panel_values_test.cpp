// --set units and refusals, --press, --params and --save-params, as the confirmed record shows them.
#include <numbers>

#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class PanelValues : public ZelkorRun {
protected:
    // Runs a quick clone and answers the confirmed record; standard error goes to `r_err`.
    nlohmann::json params_after(std::vector<std::string> args, std::string* r_err = nullptr) {
        args.insert(args.begin(), {"--report", "r.json", "--set", "num_clones=2"});
        const RunResult r = clone("out.lwo", args);
        EXPECT_EQ(r.status, 0) << r.err;
        if (r_err) *r_err = r.err;
        return json_file("r.json")["params"];
    }
};

// Plain numbers are in the record's units; deg and % are converted; switches take every word;
// popups take names, indices and indices past the list (as the panel keeps one from an earlier
// object).
TEST_F(PanelValues, SetTakesUnitsWordsAndNames) {
    const struct {
        std::string set, field;
        nlohmann::json value;
    } cases[] = {
        {"H_min=-0.5rad", "H_min", -0.5}, {"B_max=6.28", "B_max", 6.28}, {"jitter=0.125", "jitter", 0.125},
        {"H Max=15deg", "H_max", 15 * std::numbers::pi / 180}, {"P_min=-90deg", "P_min", -90 * std::numbers::pi / 180},
        {"Size Variations=25%", "size_var_x", 0.25}, {"distribution=40%", "distribution", 40 / 100.0},
        {"size_wg=Hollows", "size_wg", 1}, {"density_wg=7", "density_wg", 7}, {"P_angle_wg=none", "P_angle_wg", 0},
        {"H_align=off", "H_align", 0}, {"P_align=true", "P_align", 1}, {"absolute=true", "absolute", 1},
        {"Independent Sizes=on", "independent_sizes", 1}, {"size_by_area=1", "size_by_area", 1},
    };
    std::vector<std::string> args;
    for (const auto& c : cases) args.insert(args.end(), {"--set", c.set});
    std::string err;
    const nlohmann::json p = params_after(args, &err);
    EXPECT_EQ(err, "");
    EXPECT_EQ(p["num_clones"], 2);
    for (const auto& c : cases) EXPECT_EQ(p[c.field], c.value) << c.set;

    // More than a full turn without a unit is kept, with a warning.
    EXPECT_EQ(params_after({"--set", "H_max=90", "--set", "P_min=-400deg"}, &err)["H_max"], 90);
    EXPECT_EQ(err, "zelkor: warning: --set H_max=90: 90 is read as radians (5156.6deg); write 90deg for degrees\n");
}

// A control that the final state greys refuses its value with a warning naming it, the panel's
// message and the switch that enables it; the sets are one state, so their order never matters.
TEST_F(PanelValues, RefusedSetIsReportedAndTheRunGoesOn) {
    std::string err;
    const nlohmann::json p = params_after({"--set", "Y=0.5", "--set", "slope_max=1", "--set", "size_wg_influence=0.9",
                                           "--set", "dependence_power=0.1", "--set", "P_align=0", "--set", "P_angle_wg=1"},
                                          &err);
    EXPECT_EQ(err,
              "zelkor: warning: \"Y\" not set: Size axes are linked (turn on \"Independent Sizes\")\n"
              "zelkor: warning: \"Max Slope Angle\" not set: Slope Angle is Disabled (turn on \"Slope Angle Limits\")\n"
              "zelkor: warning: \"Size WeightMap Influence\" not set: Choose any weightmap first (choose a weight map in \"Size WeightMap\")\n"
              "zelkor: warning: \"Dependence Power\" not set: Control is disabled. Turn 'Size Depends on Poly Area' on first "
              "(turn on \"Size depends on Poly Area\")\n"
              "zelkor: warning: \"P angle weightmap\" not set: P Align should be enabled. (turn on \"P Align with normals\")\n");
    const nlohmann::json kept = {{"size_var_y", 0.25}, {"slope_max", 3.1415}, {"size_wg_influence", 0.5},
                                 {"dependence_power", 0.5}, {"P_angle_wg", 0}};
    for (const auto& [field, value] : kept.items()) EXPECT_EQ(p[field], value) << field;
    const nlohmann::json messages = json_file("r.json")["messages"];
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0]["line1"], "\"Y\" not set: Size axes are linked (turn on \"Independent Sizes\")");
    for (bool switches_last : {false, true}) {
        std::vector<std::string> sets = {"Y=50%", "size_wg_influence=0.9", "Min Slope Angle=10deg", "P_angle_wg=Hollows"};
        const std::vector<std::string> switches = {"independent_sizes=1", "Size WeightMap=Hollows", "slope_limits=1"};
        sets.insert(switches_last ? sets.end() : sets.begin(), switches.begin(), switches.end());
        std::vector<std::string> args;
        for (const std::string& set : sets) args.insert(args.end(), {"--set", set});
        const nlohmann::json q = params_after(args, &err);
        EXPECT_EQ(err, "");
        EXPECT_EQ(q["size_var_y"].get<double>(), 0.5);
        EXPECT_EQ(q["size_wg_influence"].get<double>(), 0.9);
        EXPECT_EQ(q["slope_min"].get<double>(), 10 * std::numbers::pi / 180);
        EXPECT_EQ(q["P_angle_wg"], 1);
    }
}

TEST_F(PanelValues, PressesRunInOrderWithTheSets) {
    const nlohmann::json p = params_after({"--set", "seed=3", "--set", "size_wg=1", "--press", "Reset Values",
                                           "--set", "H_max=1", "--press", "Zero Angles", "--set", "B_max=0.25",
                                           "--set", "seed=9"});
    EXPECT_EQ(p["num_clones"], 30);  // reset, as were the others set before the press
    EXPECT_EQ(p["size_wg"], 0);
    for (const char* angle : {"H_min", "H_max", "P_min", "P_max", "B_min"}) EXPECT_EQ(p[angle].get<double>(), 0.0) << angle;
    EXPECT_EQ(p["B_max"].get<double>(), 0.25);
    EXPECT_EQ(p["seed"], 9);
    EXPECT_EQ(p["size_var_x"].get<double>(), 0.25);  // Zero Angles touches only the six limits
}

// A params file takes labels and suffixes and comes before the sets; a saved record reads back to
// the same record, even carrying Y, which is disabled while the sizes are linked.
TEST_F(PanelValues, ParamsFilesReadAndSaveTheRecord) {
    write_file(path("p.json"), R"({"H_max": "30deg", "Size Variations": "10%", "Y": 0.3, "H Align with normals": false,
                                   "size_wg": "Hollows", "seed": 1})");
    const nlohmann::json p = params_after({"--set", "seed=2", "--params", "p.json"});
    const nlohmann::json want = {{"H_max", 30 * std::numbers::pi / 180}, {"size_var_x", 10 / 100.0},
                                 {"size_var_y", 0.3}, {"H_align", 0}, {"size_wg", 1}, {"seed", 2}};
    for (const auto& [field, value] : want.items()) EXPECT_EQ(p[field], value) << field;

    write_file(path("y.json"), R"({"independent_sizes": 0, "Y": 0.7})");
    const nlohmann::json a = params_after({"--params", "y.json", "--set", "H_min=-20deg", "--set", "density_wg=5",
                                           "--save-params", "saved.json"});
    nlohmann::json saved = json_file("saved.json");
    EXPECT_EQ(saved["size_var_y"].get<double>(), 0.7);
    EXPECT_EQ(saved["independent_sizes"], 0);
    EXPECT_EQ(saved["size_wg"], "none");  // popups by name; an index past the maps stays a number
    EXPECT_EQ(saved["density_wg"], 5);
    EXPECT_EQ(params_after({"--params", "saved.json"}), a);
    for (const char* popup : {"size_wg", "P_angle_wg"}) saved[popup] = 0;
    EXPECT_EQ(saved, a);
}

// A preset keeps its weight maps by name: saved on the terrain ("Hollows" first), it picks
// "Hollows" on the dunes too ("Crests" first); a map the target lacks stops the run.
TEST_F(PanelValues, PresetsTravelBetweenTargetsByMapName) {
    params_after({"--set", "density_wg=Hollows", "--save-params", "preset.json"});
    EXPECT_EQ(json_file("preset.json")["density_wg"], "Hollows");
    const auto on_dunes = [&](const std::string& preset) {
        return zelkor({"--target", example("dunes.lwo"), "--template", example("rock.lwo"), "-o", "dunes.lwo", "--params",
                       preset, "--report", "dunes.json", "--save-params", "again.json"});
    };
    ASSERT_EQ(on_dunes("preset.json").status, 0);
    EXPECT_EQ(json_file("dunes.json")["params"]["density_wg"], 2);
    EXPECT_EQ(json_file("again.json")["density_wg"], "Hollows");

    params_after({"--params", "preset.json"});  // and back on the terrain
    EXPECT_EQ(json_file("r.json")["params"]["density_wg"], 1);

    write_file(path("crests.json"), R"({"size_wg": "Crests"})");
    ASSERT_EQ(on_dunes("crests.json").status, 0);
    const RunResult r = clone("missing.lwo", {"--params", "crests.json"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zelkor: crests.json: \"Size WeightMap\" (size_wg): no weight map \"Crests\" (the popup offers \"none\", \"Hollows\")\n");
    EXPECT_FALSE(exists("missing.lwo"));
}

}  // namespace
}  // namespace zelkor::cli_test
