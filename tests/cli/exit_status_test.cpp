// Exit statuses and the module's messages, as a script sees them.
#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class ExitStatus : public ZelkorRun {};

TEST_F(ExitStatus, CompletedRunWritesTheOutputAndExitsZero) {
    RunResult r = clone("out.lwo", {"--set", "num_clones=5"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "out.lwo: 5 clones, 60 points and 100 polygons added\n");
    EXPECT_TRUE(exists("out.lwo"));
    r = clone("quiet.lwo", {"--set", "num_clones=5", "--quiet", "--press", "About"});
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

// The module ends the run with an error of one or two lines: exit 1, no output, and the lines
// in the report as well as on standard error (even with --quiet).
TEST_F(ExitStatus, ModuleErrorsExitOneWithTheirExactText) {
    write_file(path("points.obj"), "v 0 0 0\nv 1 0 0\nv 0 0 1\n");
    write_file(path("empty.obj"), "# nothing\n");  // no layer with points: the first is taken
    const std::string terrain = example("terrain.lwo"), rock = example("rock.lwo");
    const struct {
        std::vector<std::string> args;
        std::string line1, line2;
    } cases[] = {
        {{"--target", "points.obj", "--template", rock, "-o", "out.lwo"}, "Need some polys to clone on them", ""},
        {{"--target", shared_mesh("lwo/Subdivision.lwo"), "--template", rock, "-o", "out.lwo"},
         "SubDivs not supported in the foreground Layer", ""},
        {{"--target", terrain, "--template", "empty.obj", "-o", "out.lwo"},
         "Need some geometry in the background layer(s) to clone", ""},
        {clone_args("out.lwo", {"--set", "slope_limits=on", "--set", "slope_min=80deg"}),
         "Change slope angle settings", "There are no valid polys to clone on."},
        {clone_args("out.lwo", {"--quiet", "--set", "slope_limits=1", "--set", "slope_min=1.5"}),
         "Change slope angle settings", "There are no valid polys to clone on."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line1);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--report", "r.json"});
        const RunResult r = zelkor(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "zelkor: " + c.line1 + "\n" + (c.line2.empty() ? "" : "zelkor: " + c.line2 + "\n"));
        EXPECT_FALSE(exists("out.lwo"));
        const nlohmann::json report = json_file("r.json");
        ASSERT_EQ(report["messages"].size(), 1u);
        EXPECT_EQ(report["messages"][0]["kind"], "error");
        EXPECT_EQ(report["messages"][0]["line1"], c.line1);
        EXPECT_EQ(report["messages"][0]["line2"], c.line2.empty() ? nlohmann::json() : nlohmann::json(c.line2));
    }
    // The panel was confirmed before the run ended, so the record holds the new values.
    EXPECT_EQ(json_file("r.json")["params"]["slope_limits"], 1);
}

// Exit 2 before anything runs: no output, no report, one exact line.
TEST_F(ExitStatus, UsageErrorsExitTwo) {
    write_file(path("unknown.json"), R"({"clones": 4})");
    write_file(path("bad.json"), R"({"H_max": "fast"})");
    write_file(path("list.json"), "[1, 2]");
    const std::string terrain = example("terrain.lwo"), rock = example("rock.lwo");
    const std::string buttons = "no such button (About, \"Zero Angles\", \"Reset Values\")\n";
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {clone_args("out.lwo", {"--set", "clones=3"}), "--set clones: no such control (see zelkor --list-params)\n"},
        {clone_args("out.lwo", {"--set", "num_clones"}), "--set num_clones: expected NAME=VALUE\n"},
        {clone_args("out.lwo", {"--set", "num_clones=2.5"}),
         "--set num_clones=2.5: \"Number of Clones\" (num_clones): \"2.5\" is not a whole number\n"},
        {clone_args("out.lwo", {"--set", "H Max=15grad"}),
         "--set H Max=15grad: \"H Max\" (H_max): \"15grad\" is not a number, or a number followed by deg\n"},
        {clone_args("out.lwo", {"--set", "H_align=maybe"}),
         "--set H_align=maybe: \"H Align with normals\" (H_align): \"maybe\" is not 0/1, on/off or true/false\n"},
        {clone_args("out.lwo", {"--set", "size_wg=Heights"}),
         "--set size_wg=Heights: \"Size WeightMap\" (size_wg): no weight map \"Heights\" (the popup offers \"none\", \"Hollows\")\n"},
        {clone_args("out.lwo", {"--set", "density_wg=-1"}),
         "--set density_wg=-1: \"Density WeightMap\" (density_wg): \"-1\" is not an index from 0 or a weight map's name\n"},
        {clone_args("out.lwo", {"--set", "About=1"}), "--set About: a button, use --press \"About\"\n"},
        {clone_args("out.lwo", {"--press", "Apply"}), "--press \"Apply\": " + buttons},
        {clone_args("out.lwo", {"--press", "seed"}), "--press \"seed\": " + buttons},
        {clone_args("out.lwo", {"--select", "surface:Sand"}), "--select: no target polygon has the surface \"Sand\"\n"},
        {clone_args("out.lwo", {"--select", "part:Ground"}), "--select: no target polygon has the part \"Ground\"\n"},
        {clone_args("out.lwo", {"--select", "Ground"}), "--select Ground: expected surface:NAME or part:NAME\n"},
        {clone_args("out.lwo", {"--frobnicate"}), "The following argument was not expected: --frobnicate\n"},
        {clone_args("out.lwo", {"--params", "unknown.json"}), "unknown.json: unknown parameter \"clones\"\n"},
        {clone_args("out.lwo", {"--params", "bad.json"}),
         "bad.json: \"H Max\" (H_max): \"fast\" is not a number, or a number followed by deg\n"},
        {clone_args("out.lwo", {"--params", "list.json"}),
         "list.json: expected a JSON object of parameter names and values\n"},
        {clone_args("out.stl", {}), "-o out.stl: unknown output format (use .lwo, .obj, .gltf or .glb)\n"},
        {clone_args("nowhere/out.lwo", {}), "-o nowhere/out.lwo: cannot write: no folder nowhere\n"},
        {{"--target", "missing.lwo", "--template", rock, "-o", "out.lwo"}, "missing.lwo: cannot open: no such file\n"},
        {{"--target", terrain, "-o", "out.lwo"}, "--template is required (see zelkor --help)\n"},
        {{"--target", terrain + ":Sky", "--template", rock, "-o", "out.lwo"},
         terrain + ": no layer \"Sky\" (see zelkor --info " + terrain + ")\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--report", "r.json"});
        const RunResult r = zelkor(args);
        EXPECT_EQ(r.status, 2) << c.err;
        EXPECT_EQ(r.err, "zelkor: " + c.err);
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(exists("out.lwo"));
        EXPECT_FALSE(exists("r.json"));
    }
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

    const RunResult list = zelkor({"--list-params", "--set", "H_max=45deg", "--set", "distribution=50%"});
    EXPECT_EQ(list.status, 0);
    for (const char* entry : {"\"Number of Clones\"\n    field:   num_clones\n    unit:    whole number\n"
                              "    default: 30\n    current: 30\n",
                              "\"H Max\"\n    field:   H_max\n    unit:    radians (15deg for degrees)\n"
                              "    default: 0.17452777777777778 (9.999705074463783deg)\n"
                              "    current: 0.7853981633974483 (45deg)\n",
                              "    current: 0.5 (50%)\n", "\"Reset Values\"\n    button: --press \"Reset Values\"\n"})
        EXPECT_NE(list.out.find(entry), std::string::npos) << entry;
}

}  // namespace
}  // namespace zelkor::cli_test
