// --set units and refusals, --press, --params and --save-params, as the confirmed record shows them.
#include <cmath>
#include <numbers>

#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class PanelValues : public ZelkorRun {
protected:
    // Runs with no clones to make the run quick and answers the confirmed record.
    nlohmann::json params_after(std::vector<std::string> args, RunResult* r_result = nullptr) {
        args.insert(args.begin(), {"--report", "r.json"});
        const RunResult r = clone("out.lwo", args);
        if (r_result) *r_result = r;
        EXPECT_EQ(r.status, 0) << r.err;
        return json_file("r.json")["params"];
    }
};

TEST_F(PanelValues, PlainNumbersAreInTheRecordsUnits) {
    const nlohmann::json p = params_after({"--set", "num_clones=2", "--set", "H_max=0.5", "--set", "distribution=0.4",
                                           "--set", "jitter=0.125"});
    EXPECT_EQ(p["num_clones"], 2);
    EXPECT_EQ(p["H_max"].get<double>(), 0.5);
    EXPECT_EQ(p["distribution"].get<double>(), 0.4);
    EXPECT_EQ(p["jitter"].get<double>(), 0.125);
}

TEST_F(PanelValues, DegreesAndPercentAreConverted) {
    const nlohmann::json p = params_after({"--set", "num_clones=2", "--set", "H Max=15deg", "--set", "P_min=-90deg",
                                           "--set", "Size Variations=25%", "--set", "distribution=40%"});
    EXPECT_EQ(p["H_max"].get<double>(), 15 * std::numbers::pi / 180);
    EXPECT_EQ(p["P_min"].get<double>(), -90 * std::numbers::pi / 180);
    EXPECT_EQ(p["size_var_x"].get<double>(), 0.25);
    EXPECT_EQ(p["distribution"].get<double>(), 40 / 100.0);
}

TEST_F(PanelValues, SwitchesTakeEveryWord) {
    const nlohmann::json p = params_after({"--set", "num_clones=2", "--set", "H_align=off", "--set", "P_align=false",
                                           "--set", "absolute=true", "--set", "Independent Sizes=on",
                                           "--set", "size_by_area=1"});
    EXPECT_EQ(p["H_align"], 0);
    EXPECT_EQ(p["P_align"], 0);
    EXPECT_EQ(p["absolute"], 1);
    EXPECT_EQ(p["independent_sizes"], 1);
    EXPECT_EQ(p["size_by_area"], 1);
}

TEST_F(PanelValues, PopupsTakeNamesIndicesAndIndicesPastTheList) {
    const nlohmann::json p = params_after({"--set", "num_clones=2", "--set", "size_wg=Hollows", "--set",
                                           "density_wg=7", "--set", "P_angle_wg=none"});
    EXPECT_EQ(p["size_wg"], 1);
    EXPECT_EQ(p["density_wg"], 7);  // kept as the panel keeps an index from an earlier object
    EXPECT_EQ(p["P_angle_wg"], 0);
}

TEST_F(PanelValues, RefusedSetIsReportedAndTheRunGoesOn) {
    RunResult r;
    const nlohmann::json p = params_after({"--set", "num_clones=2", "--set", "Y=0.5", "--set", "slope_max=1",
                                           "--set", "size_wg_influence=0.9", "--set", "dependence_power=0.1",
                                           "--set", "P_align=0", "--set", "P_angle_wg=1"},
                                          &r);
    EXPECT_EQ(r.err,
              "zelkor: Size axes are linked\n"
              "zelkor: Slope Angle is Disabled\n"
              "zelkor: Choose any weightmap first\n"
              "zelkor: Control is disabled. Turn 'Size Depends on Poly Area' on first\n"
              "zelkor: P Align should be enabled.\n");
    EXPECT_EQ(p["size_var_y"].get<double>(), 0.25);
    EXPECT_EQ(p["slope_max"].get<double>(), 3.1415);
    EXPECT_EQ(p["size_wg_influence"].get<double>(), 0.5);
    EXPECT_EQ(p["dependence_power"].get<double>(), 0.5);
    EXPECT_EQ(p["P_angle_wg"], 0);
    const nlohmann::json messages = json_file("r.json")["messages"];
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0]["kind"], "panel");
    EXPECT_EQ(messages[0]["line1"], "Size axes are linked");
    EXPECT_TRUE(messages[0]["line2"].is_null());
}

TEST_F(PanelValues, EnablingTheSwitchFirstLetsTheSetThrough) {
    RunResult r;
    const nlohmann::json p = params_after({"--set", "num_clones=2", "--set", "independent_sizes=1", "--set", "Y=50%",
                                           "--set", "Size WeightMap=Hollows", "--set", "size_wg_influence=0.9"},
                                          &r);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(p["size_var_y"].get<double>(), 0.5);
    EXPECT_EQ(p["size_wg_influence"].get<double>(), 0.9);
}

TEST_F(PanelValues, PressesRunInOrderWithTheSets) {
    const nlohmann::json p = params_after({"--set", "num_clones=2", "--set", "H_max=1", "--press", "Zero Angles",
                                           "--set", "B_max=0.25", "--set", "seed=9"});
    for (const char* angle : {"H_min", "H_max", "P_min", "P_max", "B_min"}) EXPECT_EQ(p[angle].get<double>(), 0.0) << angle;
    EXPECT_EQ(p["B_max"].get<double>(), 0.25);
    EXPECT_EQ(p["seed"], 9);
    EXPECT_EQ(p["size_var_x"].get<double>(), 0.25);  // Zero Angles touches only the six limits
}

TEST_F(PanelValues, ResetValuesRestoresTheDefaults) {
    const nlohmann::json p = params_after({"--set", "num_clones=2", "--set", "seed=3", "--set", "size_wg=1",
                                           "--press", "Reset Values", "--set", "iterations=4"});
    EXPECT_EQ(p["num_clones"], 30);
    EXPECT_EQ(p["seed"], 25);
    EXPECT_EQ(p["size_wg"], 0);
    EXPECT_EQ(p["iterations"], 4);
    EXPECT_EQ(p["H_max"].get<double>(), 0.17452777777777778);
}

TEST_F(PanelValues, AboutPrintsItsTextOnStandardOutput) {
    const RunResult r = clone("out.lwo", {"--set", "num_clones=1", "--press", "About", "--report", "r.json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "Zelkor 1.6: clones the background layers over the foreground polygons\nhttps://zelkor.dev\n"
              "out.lwo: 1 clones, 12 points and 20 polygons added\n");
    EXPECT_EQ(r.err, "");
    const nlohmann::json messages = json_file("r.json")["messages"];
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0]["kind"], "info");
    EXPECT_EQ(messages[0]["line2"], "https://zelkor.dev");
}

TEST_F(PanelValues, SavedParamsReadBackToTheSameRecord) {
    // Y is disabled while the sizes are linked; a saved record still carries it through.
    RunResult first = clone("a.lwo", {"--set", "num_clones=3", "--set", "independent_sizes=1", "--set", "Y=0.7",
                                      "--set", "independent_sizes=0", "--set", "H_min=-20deg", "--set", "density_wg=5",
                                      "--save-params", "saved.json", "--report", "a.json"});
    ASSERT_EQ(first.status, 0) << first.err;
    RunResult second = clone("b.lwo", {"--params", "saved.json", "--report", "b.json"});
    ASSERT_EQ(second.status, 0) << second.err;
    const nlohmann::json saved = json_file("saved.json");
    EXPECT_EQ(saved["size_var_y"].get<double>(), 0.7);
    EXPECT_EQ(saved["independent_sizes"], 0);
    EXPECT_EQ(saved.size(), 28u);
    EXPECT_EQ(json_file("b.json")["params"], json_file("a.json")["params"]);
    EXPECT_EQ(json_file("b.json")["params"], saved);
}

TEST_F(PanelValues, ParamsFileTakesLabelsSuffixesAndComesBeforeTheSets) {
    write_file(path("p.json"), R"({"Number of Clones": 4, "H_max": "30deg", "Size Variations": "10%",
                                   "Y": 0.3, "H_align": false, "size_wg": "Hollows", "seed": 1})");
    const nlohmann::json p = params_after({"--params", "p.json", "--set", "seed=2"});
    EXPECT_EQ(p["num_clones"], 4);
    EXPECT_EQ(p["H_max"].get<double>(), 30 * std::numbers::pi / 180);
    EXPECT_EQ(p["size_var_x"].get<double>(), 10 / 100.0);
    EXPECT_EQ(p["size_var_y"].get<double>(), 0.3);
    EXPECT_EQ(p["H_align"], 0);
    EXPECT_EQ(p["size_wg"], 1);
    EXPECT_EQ(p["seed"], 2);
}

TEST_F(PanelValues, BadParamsFilesAreUsageErrors) {
    write_file(path("unknown.json"), R"({"clones": 4})");
    RunResult r = clone("out.lwo", {"--params", "unknown.json"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zelkor: unknown.json: unknown parameter \"clones\"\n");

    write_file(path("bad.json"), R"({"H_max": "fast"})");
    r = clone("out.lwo", {"--params", "bad.json"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zelkor: bad.json: \"H Max\" (H_max): \"fast\" is not a number, or a number followed by deg\n");

    write_file(path("list.json"), "[1, 2]");
    r = clone("out.lwo", {"--params", "list.json"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zelkor: list.json: expected a JSON object of parameter names and values\n");
    EXPECT_FALSE(exists("out.lwo"));
}

TEST_F(PanelValues, ListParamsShowsUnitsDefaultsAndCurrentValues) {
    const RunResult r = zelkor({"--list-params", "--set", "H_max=45deg", "--set", "distribution=50%"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"H Max\"\n    field:   H_max\n    unit:    radians (15deg for degrees)\n"
                         "    default: 0.17452777777777778 (9.999705074463783deg)\n"
                         "    current: 0.7853981633974483 (45deg)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("    current: 0.5 (50%)\n"), std::string::npos);
    EXPECT_NE(r.out.find("\"Reset Values\"\n    button: --press \"Reset Values\"\n"), std::string::npos);
}

}  // namespace
}  // namespace zelkor::cli_test
