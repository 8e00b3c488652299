// Exit statuses and the module's messages, as a script sees them.
#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class ExitStatus : public ZelkorRun {};

TEST_F(ExitStatus, CompletedRunWritesTheOutputAndExitsZero) {
    const RunResult r = clone("out.lwo", {"--set", "num_clones=5"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "out.lwo: 5 clones, 60 points and 100 polygons added\n");
    EXPECT_TRUE(exists("out.lwo"));
}

TEST_F(ExitStatus, QuietLeavesBothStreamsEmptyOnSuccess) {
    const RunResult r = clone("out.lwo", {"--set", "num_clones=5", "--quiet", "--press", "About"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST_F(ExitStatus, CancelExitsOneAndWritesNothing) {
    const RunResult r = clone("out.lwo", {"--cancel", "--report", "r.json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zelkor: cancelled; nothing written\n");
    EXPECT_FALSE(exists("out.lwo"));
    const nlohmann::json report = json_file("r.json");
    EXPECT_TRUE(report["output"].is_null());
    EXPECT_EQ(report["clones"].size(), 0u);
    EXPECT_EQ(report["added"]["points"], 0);
}

TEST_F(ExitStatus, TargetWithoutPolygonsEndsWithTheModulesMessage) {
    write_file(path("points.obj"), "v 0 0 0\nv 1 0 0\nv 0 0 1\n");
    const RunResult r = zelkor({"--target", "points.obj", "--template", example("rock.lwo"), "-o", "out.lwo",
                                "--report", "r.json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zelkor: Need some polys to clone on them\n");
    EXPECT_FALSE(exists("out.lwo"));
    const nlohmann::json report = json_file("r.json");
    ASSERT_EQ(report["messages"].size(), 1u);
    EXPECT_EQ(report["messages"][0]["kind"], "error");
    EXPECT_EQ(report["messages"][0]["line1"], "Need some polys to clone on them");
    EXPECT_TRUE(report["messages"][0]["line2"].is_null());
}

TEST_F(ExitStatus, SubpatchTargetEndsWithTheModulesMessage) {
    const RunResult r = zelkor({"--target", shared_mesh("lwo/Subdivision.lwo"), "--template", example("rock.lwo"),
                                "-o", "out.lwo"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zelkor: SubDivs not supported in the foreground Layer\n");
}

TEST_F(ExitStatus, TemplateWithoutPointsEndsWithTheModulesMessage) {
    // Without a layer that has points the first layer is taken, and the module says what is missing.
    write_file(path("empty.obj"), "# nothing\n");
    const RunResult r = zelkor({"--target", example("terrain.lwo"), "--template", "empty.obj", "-o", "out.lwo"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zelkor: Need some geometry in the background layer(s) to clone\n");
}

TEST_F(ExitStatus, SlopeWindowWithoutPolygonsPrintsBothLines) {
    const RunResult r = clone("out.lwo", {"--set", "slope_limits=on", "--set", "slope_min=80deg", "--report", "r.json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zelkor: Change slope angle settings\nzelkor: There are no valid polys to clone on.\n");
    EXPECT_FALSE(exists("out.lwo"));
    const nlohmann::json report = json_file("r.json");
    EXPECT_EQ(report["messages"][0]["line2"], "There are no valid polys to clone on.");
    // The panel was confirmed before the run ended, so the record holds the new values.
    EXPECT_EQ(report["params"]["slope_limits"], 1);
}

TEST_F(ExitStatus, QuietKeepsTheModulesErrors) {
    const RunResult r = clone("out.lwo", {"--quiet", "--set", "slope_limits=1", "--set", "slope_min=1.5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "zelkor: Change slope angle settings\nzelkor: There are no valid polys to clone on.\n");
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    std::string err;
};

class UsageErrors : public ZelkorRun, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageErrors, ExitTwoBeforeAnythingRuns) {
    const UsageCase& c = GetParam();
    const RunResult r = clone("out.lwo", c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(exists("out.lwo"));
    EXPECT_FALSE(exists("r.json"));  // no report on exit 2
}

INSTANTIATE_TEST_SUITE_P(
    Cli, UsageErrors,
    ::testing::Values(
        UsageCase{"UnknownControl", {"--set", "clones=3", "--report", "r.json"},
                  "zelkor: --set clones: no such control (see zelkor --list-params)\n"},
        UsageCase{"SetWithoutValue", {"--set", "num_clones"}, "zelkor: --set num_clones: expected NAME=VALUE\n"},
        UsageCase{"NotAWholeNumber", {"--set", "num_clones=2.5", "--report", "r.json"},
                  "zelkor: --set num_clones=2.5: \"Number of Clones\" (num_clones): \"2.5\" is not a whole number\n"},
        UsageCase{"BadAngle", {"--set", "H Max=15grad"},
                  "zelkor: --set H Max=15grad: \"H Max\" (H_max): \"15grad\" is not a number, or a number followed by deg\n"},
        UsageCase{"BadSwitch", {"--set", "H_align=maybe"},
                  "zelkor: --set H_align=maybe: \"H Align with normals\" (H_align): \"maybe\" is not 0/1, on/off or true/false\n"},
        UsageCase{"UnknownWeightMap", {"--set", "size_wg=Heights"},
                  "zelkor: --set size_wg=Heights: \"Size WeightMap\" (size_wg): \"Heights\" is not an index from 0 or one of "
                  "\"none\", \"Hollows\"\n"},
        UsageCase{"NegativePopupIndex", {"--set", "density_wg=-1"},
                  "zelkor: --set density_wg=-1: \"Density WeightMap\" (density_wg): \"-1\" is not an index from 0 or one "
                  "of \"none\", \"Hollows\"\n"},
        UsageCase{"SetOnAButton", {"--set", "About=1"}, "zelkor: --set About: a button, use --press \"About\"\n"},
        UsageCase{"UnknownButton", {"--press", "Apply", "--report", "r.json"},
                  "zelkor: --press \"Apply\": no such button (About, \"Zero Angles\", \"Reset Values\")\n"},
        UsageCase{"PressAValue", {"--press", "seed"},
                  "zelkor: --press \"seed\": no such button (About, \"Zero Angles\", \"Reset Values\")\n"},
        UsageCase{"SelectMatchesNothing", {"--select", "surface:Sand", "--report", "r.json"},
                  "zelkor: --select: no target polygon has the surface \"Sand\"\n"},
        UsageCase{"SelectPartMatchesNothing", {"--select", "part:Ground"},
                  "zelkor: --select: no target polygon has the part \"Ground\"\n"},
        UsageCase{"SelectWithoutKind", {"--select", "Ground"}, "zelkor: --select Ground: expected surface:NAME or part:NAME\n"},
        UsageCase{"UnknownOption", {"--frobnicate"}, "zelkor: The following argument was not expected: --frobnicate\n"}),
    [](const ::testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

TEST_F(ExitStatus, UnknownOutputFormatExitsTwo) {
    const RunResult r = zelkor({"--target", example("terrain.lwo"), "--template", example("rock.lwo"), "-o", "out.stl"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zelkor: -o out.stl: unknown output format (use .lwo, .obj, .gltf or .glb)\n");
}

TEST_F(ExitStatus, OutputThatCannotBeWrittenExitsTwoBeforeTheRun) {
    const RunResult r = zelkor({"--target", example("terrain.lwo"), "--template", example("rock.lwo"), "-o",
                                "nowhere/out.lwo", "--report", "r.json"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zelkor: -o nowhere/out.lwo: cannot write: no folder nowhere\n");
    EXPECT_FALSE(exists("r.json"));
}

TEST_F(ExitStatus, UnreadableInputExitsTwo) {
    const RunResult r = zelkor({"--target", "missing.lwo", "--template", example("rock.lwo"), "-o", "out.lwo"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("zelkor: missing.lwo: ", 0), 0u) << r.err;
}

TEST_F(ExitStatus, MissingTemplateIsAUsageError) {
    const RunResult r = zelkor({"--target", example("terrain.lwo"), "-o", "out.lwo"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zelkor: --template is required (see zelkor --help)\n");
}

TEST_F(ExitStatus, UnknownLayerNamesTheLayer) {
    const std::string terrain = example("terrain.lwo");
    const RunResult r = zelkor({"--target", terrain + ":Sky", "--template", example("rock.lwo"), "-o", "out.lwo"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "zelkor: " + terrain + ": no layer \"Sky\" (see zelkor --info " + terrain + ")\n");
}

TEST_F(ExitStatus, HelpVersionAndListNeedNoFiles) {
    const RunResult help = zelkor({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--target", "--fg", "--template", "--bg", "--output", "--set", "--press", "--params",
                               "--save-params", "--select", "--session-seed", "--report", "--cancel", "--quiet",
                               "--info", "--list-params", "--version"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_NE(help.out.find("Example: --set num_clones=500"), std::string::npos);

    const RunResult version = zelkor({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "zelkor 1.6.0\n");

    const RunResult list = zelkor({"--list-params"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("\"Number of Clones\"\n    field:   num_clones\n    unit:    whole number\n"
                            "    default: 30\n    current: 30\n"),
              std::string::npos);
}

}  // namespace
}  // namespace zelkor::cli_test
