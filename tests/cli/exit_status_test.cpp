// Exit statuses and messages as a script sees them, and the progress bar a terminal sees.
#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <regex>

#include "zelkor_runner.h"

namespace zelkor::cli_test {
namespace {

class ExitStatus : public ZelkorRun {};
class Progress : public ZelkorRun {};

// About prints its text on standard output, before the summary; --quiet silences both.
TEST_F(ExitStatus, CompletedOrCancelledRun) {
    RunResult r = clone("out.lwo", {"--set", "num_clones=5", "--press", "About", "--report", "done.json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(std::regex_match(r.out, std::regex("Zelkor 1\\.6: clones the background layers over the foreground polygons\n"
                                                   "https://zelkor\\.dev\n"
                                                   "out\\.lwo: 5 clones, 60 points and 100 polygons added, "
                                                   "11\\.7 KiB written in [0-9]+\\.[0-9][0-9] s\n")))
        << r.out;
    EXPECT_TRUE(exists("out.lwo"));
    EXPECT_EQ(json_file("done.json")["messages"], nlohmann::json::parse(R"([{"kind": "info", "line2": "https://zelkor.dev",
              "line1": "Zelkor 1.6: clones the background layers over the foreground polygons"}])"));
    r = clone("quiet.lwo", {"--set", "num_clones=5", "--quiet", "--press", "About"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, "");

    for (const char* count : {"0", "-3"}) {
        r = clone("alone.lwo", {"--set", std::string("num_clones=") + count});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, std::string("zelkor: warning: \"Number of Clones\" is ") + count +
                             ": no clones made, alone.lwo holds the target alone\n");
        EXPECT_TRUE(exists("alone.lwo"));
    }

    // A worst case of 10^10 tries, given --force, ends as soon as the tries succeed.
    r = clone("forced.lwo", {"--set", "num_clones=5", "--set", "iterations=2147483647", "--set", "distribution=0", "--force", "-q"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(exists("forced.lwo"));

    r = clone("cancelled.lwo", {"--cancel", "--report", "r.json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zelkor: cancelled; nothing written\n");
    EXPECT_FALSE(exists("cancelled.lwo"));
    const nlohmann::json report = json_file("r.json");
    EXPECT_TRUE(report["output"].is_null() && report["clones"].empty() && report["added"]["points"] == 0) << report;
}

// The C maths library: a real shared library that is certainly not a clone module.
std::string maths_library() {
    Dl_info info{};
    double (*cosine)(double) = std::cos;
    EXPECT_NE(dladdr(reinterpret_cast<void*>(cosine), &info), 0);
    return info.dli_fname ? info.dli_fname : "";
}

// Exit 1 when the module ends the run with an error of one or two lines: on standard error (even
// with --quiet) and in the report. Exit 2 before anything runs: one exact line and no report.
// Neither writes the output or a side file.
TEST_F(ExitStatus, FailedRunsExitWithTheirExactText) {
    write_file(path("points.obj"), "v 0 0 0\nv 1 0 0\nv 0 0 1\n");
    write_file(path("empty.obj"), "# nothing\n");  // no layer with points: the first is taken
    write_file(path("unknown.json"), R"({"clones": 4})");
    write_file(path("bad.json"), R"({"H_max": "fast"})");
    write_file(path("list.json"), "[1, 2]");
    write_file(path("deep.json"), "{\"jitter\": " + std::string(100000, '[') + std::string(100000, ']') + "}");
    write_file(path("huge.json"), R"({"jitter": 1e999})");
    write_file(path("comma.json"), "{\n  \"jitter\": 0.1,\n  \"seed\": 3,,\n}");
    write_file(path("open.json"), R"({"jitter": 0.1)");
    write_file(path("flag.json"), R"({"jitter": true})");
    ASSERT_EQ(::mkfifo(path("fifo.lwo").c_str(), 0600), 0);
    std::filesystem::copy_file(example("rock.lwo"), path("rock.lwo"));
    std::filesystem::create_directory(path("dir.lwo"));
    const std::string terrain = example("terrain.lwo"), rock = example("rock.lwo"), maths = maths_library();
    const std::string buttons = "no such button (About, \"Zero Angles\", \"Reset Values\")\n";
    const std::string slope = "Change slope angle settings\nThere are no valid polys to clone on.\n";
    const auto run = [](std::vector<std::string> more) { return clone_args("out.lwo", more); };
    const struct {
        int status;
        std::vector<std::string> args;
        std::string err;  // each line follows "zelkor: "
    } cases[] = {
        {1, {"--target", "points.obj", "--template", rock, "-o", "out.lwo"}, "Need some polys to clone on them\n"},
        {1, {"--target", shared_mesh("lwo/Subdivision.lwo"), "--template", rock, "-o", "out.lwo"},
         "SubDivs not supported in the foreground Layer\n"},
        {1, {"--target", terrain, "--template", "empty.obj", "-o", "out.lwo"},
         "Need some geometry in the background layer(s) to clone\n"},
        {1, run({"--set", "slope_limits=on", "--set", "slope_min=80deg"}), slope},
        {1, run({"--quiet", "--set", "slope_limits=1", "--set", "slope_min=1.5"}), slope},
        {2, run({"--set", "clones=3"}), "--set clones: no such control (see zelkor --list-params)\n"},
        {2, run({"--set", "num_clones"}), "--set num_clones: expected NAME=VALUE\n"},
        {2, run({"--set", "num_clones=2.5"}),
         "--set num_clones=2.5: \"Number of Clones\" (num_clones): \"2.5\" is not a whole number\n"},
        {2, run({"--set", "H Max=15grad"}),
         "--set H Max=15grad: \"H Max\" (H_max): \"15grad\" is not a number, or a number followed by deg\n"},
        {2, run({"--set", "H_align=maybe"}),
         "--set H_align=maybe: \"H Align with normals\" (H_align): \"maybe\" is not 0/1, on/off or true/false\n"},
        {2, run({"--set", "size_wg=Heights"}),
         "--set size_wg=Heights: \"Size WeightMap\" (size_wg): no weight map \"Heights\" (the popup offers \"none\", \"Hollows\")\n"},
        {2, run({"--set", "density_wg=-1"}),
         "--set density_wg=-1: \"Density WeightMap\" (density_wg): \"-1\" is not an index from 0 or a weight map's name\n"},
        {2, run({"--set", "H_max=1e308deg"}),
         "--set H_max=1e308deg: \"H Max\" (H_max): \"1e308deg\" is not a number that stays finite in the record's units\n"},
        {2, run({"--set", "size_var_x=1e308"}), "out.lwo: layer 0: point 289 has a coordinate that is not finite as a float\n"},
        {2, run({"--set", "num_clones=2147483647", "--max-memory", "1G"}),
         "num_clones 2147483647: the run would need about 2652.0 GiB of memory (25769803764 points, 42949672940 polygons, "
         "51539607528 map values), more than the limit of 1.0 GiB (--max-memory)\n"},
        {2, run({"--set", "num_clones=900000", "--max-memory", "1T"}),
         "num_clones 900000: -o out.lwo: the layer would hold 18000256 polygons, more than the 16777216 an LWO layer can index\n"},
        {2, clone_args("out.glb", {"--set", "num_clones=8000000", "--max-memory", "1T"}),
         "num_clones 8000000: -o out.glb: about 15.7 GiB of glTF data, more than the 4 GiB a glTF buffer holds\n"},
        {2, run({"--set", "iterations=2147483647", "--set", "distribution=1000"}),
         "num_clones 30: iterations 2147483647: up to 64424509440 tries, which could take hours; give --force to run anyway\n"},
        {2, run({"--session-seed", "-1"}), "--session-seed -1: expected a whole number from 0 to 4294967295 (a clock value)\n"},
        {2, run({"--max-memory", "3Q"}), "--max-memory 3Q: expected a number of bytes, with K, M, G or T after it if wanted\n"},
        {2, run({"--set", "About=1"}), "--set About: a button, use --press \"About\"\n"},
        {2, run({"--press", "Apply"}), "--press \"Apply\": " + buttons},
        {2, run({"--press", "seed"}), "--press \"seed\": " + buttons},
        {2, run({"--select", "surface:Sand"}), "--select: no target polygon has the surface \"Sand\"\n"},
        {2, run({"--select", "part:Ground"}), "--select: no target polygon has the part \"Ground\"\n"},
        {2, run({"--select", "Ground"}), "--select Ground: expected surface:NAME or part:NAME\n"},
        {2, run({"--frobnicate"}), "unknown option --frobnicate (see zelkor --help)\n"},
        {2, run({"--tempalte", "rock.lwo"}), "unknown option --tempalte; did you mean --template?\n"},
        {2, run({"--sessionseed=3"}), "unknown option --sessionseed; did you mean --session-seed?\n"},
        {2, run({"extra.lwo"}), "unexpected argument extra.lwo (see zelkor --help)\n"},
        {2, run({"--params", "unknown.json"}), "unknown.json: unknown parameter \"clones\"\n"},
        {2, run({"--params", "bad.json"}), "bad.json: \"H Max\" (H_max): \"fast\" is not a number, or a number followed by deg\n"},
        {2, run({"--params", "list.json"}), "list.json: expected a JSON object of parameter names and values\n"},
        {2, run({"--params", "deep.json"}), "deep.json: \"jitter\" needs a number or a string, not an array\n"},
        {2, run({"--params", "comma.json"}), "comma.json:3:13: unexpected ','; expected string literal\n"},
        {2, run({"--params", "open.json"}), "open.json:1:15: unexpected end of input; expected '}'\n"},
        {2, run({"--params", "flag.json"}), "flag.json: \"jitter\" needs a number or a string, not true\n"},
        {2, run({"--params", "huge.json"}), "huge.json: \"jitter\": the number 1e999 is out of range\n"},
        {2, run({"--params", "/dev/zero"}), "/dev/zero: cannot read: not a regular file\n"},
        {2, {"--target", "fifo.lwo", "--template", rock, "-o", "out.lwo"}, "fifo.lwo: cannot read: not a regular file\n"},
        {2, clone_args("out.stl", {}), "-o out.stl: unknown output format (use .lwo, .obj, .gltf or .glb)\n"},
        {2, clone_args("nowhere/out.lwo", {}), "-o nowhere/out.lwo: cannot write: no folder nowhere\n"},
        {2, clone_args("dir.lwo", {}), "-o dir.lwo: cannot write: it is a folder\n"},
        {2, run({"--report", "dir.lwo"}), "--report dir.lwo: cannot write: it is a folder\n"},
        {2, run({"--save-params", "dir.lwo"}), "--save-params dir.lwo: cannot write: it is a folder\n"},
        {2, {"--target", terrain, "--template", "rock.lwo", "-o", "./rock.lwo"},
         "-o ./rock.lwo: is the same file as --template rock.lwo, which would be lost\n"},
        {2, run({"--report", "out.lwo"}), "--report out.lwo: is the same file as -o out.lwo\n"},
        {2, run({"--module", "no_such_module.so"}), "--module: module file not found: no_such_module.so\n"},
        {2, run({"--module", maths}), "--module: " + maths + " is not a module: no _mod_descrip symbol\n"},
        // One wording for each file fault, whatever the format.
        {2, {"--target", "missing.lwo", "--template", rock, "-o", "out.lwo"}, "missing.lwo: cannot open: no such file\n"},
        {2, {"--target", terrain, "--template", "missing.obj", "-o", "out.lwo"}, "missing.obj: cannot open: no such file\n"},
        {2, run({"--params", "missing.json"}), "missing.json: cannot open: no such file\n"},
        {2, {"--target", "dir.lwo", "--template", rock, "-o", "out.lwo"}, "dir.lwo: cannot read: it is a folder\n"},
        {2, run({"--params", "dir.lwo"}), "dir.lwo: cannot read: it is a folder\n"},
        {2, {"--target", terrain, "--template", "scan.ply", "-o", "out.lwo"},
         "scan.ply: extension \".ply\" is not a mesh format this tool reads (.lwo, .obj, .gltf, .glb)\n"},
        {2, {"--target", terrain, "-o", "out.lwo"}, "--template is required (see zelkor --help)\n"},
        {2, {"--target", terrain + ":Sky", "--template", rock, "-o", "out.lwo"},
         terrain + ": no layer \"Sky\" (see zelkor --info " + terrain + ")\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        std::vector<std::string> args = c.args;
        if (std::ranges::count(args, "--report") == 0) args.insert(args.end(), {"--report", "r.json"});
        const RunResult r = zelkor(args);
        EXPECT_EQ(r.status, c.status);
        const std::size_t cut = c.err.find('\n') + 1;
        EXPECT_EQ(r.err, "zelkor: " + c.err.substr(0, cut) + (cut < c.err.size() ? "zelkor: " + c.err.substr(cut) : ""));
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(exists("out.lwo"));
        EXPECT_TRUE(std::filesystem::is_empty(path("dir.lwo")));
        EXPECT_EQ(read_file(path("rock.lwo")), read_file(example("rock.lwo")));
        EXPECT_EQ(exists("r.json"), c.status == 1);
        if (c.status == 1 && exists("r.json")) {
            const nlohmann::json report = json_file("r.json"), line2 = c.err.substr(cut, c.err.size() - cut - 1);
            EXPECT_EQ(report["messages"], nlohmann::json::array({{{"kind", "error"}, {"line1", c.err.substr(0, cut - 1)},
                                                                  {"line2", cut < c.err.size() ? line2 : nullptr}}}));
            // The panel was confirmed before the run ended, so the record holds the new values.
            EXPECT_EQ(report["params"]["slope_limits"], c.err == slope ? 1 : 0);
        }
        std::filesystem::remove(path("r.json"));
    }
}

TEST_F(ExitStatus, HelpVersionAndListNeedNoFiles) {
    EXPECT_NE(zelkor({"--help"}).out.find("Example: --set num_clones=500"), std::string::npos);
    const RunResult version = zelkor({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "zelkor 1.6.0\n");

    const RunResult list = zelkor({"--list-params", "--set", "H_max=45deg", "--set", "distribution=50%"});
    EXPECT_EQ(list.status, 0);
    for (const char* entry : {"\"Number of Clones\"\n    field:   num_clones\n    unit:    whole number\n"
                              "    default: 30\n    current: 30\n",
                              "\"H Max\"\n    field:   H_max\n    unit:    radians (15deg for degrees)\n"
                              "    default: 10deg\n    current: 45deg\n",
                              "\"Y\" (of \"Size Variations\")\n    field:   size_var_y\n    unit:    fraction (25% for percent)\n"
                              "    default: 25%\n",
                              "    default: -10deg\n", "    default: 180deg\n", "    default: 80%\n    current: 50%\n",
                              "\"Reset Values\"\n    button: --press \"Reset Values\"\n"})
        EXPECT_NE(list.out.find(entry), std::string::npos) << entry;
    // The list comes from the module that would run: the built module file describes the same controls.
    const RunResult from_file = zelkor({"--list-params", "--module", ZELKOR_MODULE_PATH, "--set", "H_max=45deg", "--set",
                                        "distribution=50%"});
    EXPECT_EQ(from_file.status, 0) << from_file.err;
    EXPECT_EQ(from_file.out, list.out);
    const RunResult refused = zelkor({"--list-params", "--module", maths_library()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "zelkor: --module: " + maths_library() + " is not a module: no _mod_descrip symbol\n");
}

TEST_F(Progress, BarOnlyOnATerminalAndNotWhenQuiet) {
    // One line through the phases in order, never going back, ending full.
    const RunResult r = zelkor(clone_args("out.lwo", {"--set", "num_clones=2000"}), true);
    EXPECT_EQ(r.status, 0);
    const std::regex drawn("\r(reading|placing: Randomising positions\\.\\.\\.|building the clones|writing out\\.lwo) +"
                           "\\[([# ]{30})\\] +([0-9]+)%[^\r\n]*\033\\[K");
    std::vector<std::string> phases;
    int last_percent = -1;
    for (auto it = std::sregex_iterator(r.err.begin(), r.err.end(), drawn); it != std::sregex_iterator(); ++it) {
        if (phases.empty() || phases.back() != (*it)[1]) phases.push_back((*it)[1]);
        const int percent = std::stoi((*it)[3]);
        EXPECT_GE(percent, last_percent);
        EXPECT_NEAR(double(std::count((*it)[2].first, (*it)[2].second, '#')), percent * 30 / 100.0, 1.0);
        last_percent = percent;
    }
    EXPECT_EQ(phases, (std::vector<std::string>{"reading", "placing: Randomising positions...", "building the clones",
                                                "writing out.lwo"}))
        << r.err;
    EXPECT_EQ(last_percent, 100);
    EXPECT_TRUE(r.err.ends_with("\n")) << r.err;  // the line ended
    // Quiet on a terminal, or standard error in a file: nothing.
    for (const RunResult& q : {zelkor(clone_args("out.lwo", {"--set", "num_clones=200", "--quiet"}), true),
                               clone("out.lwo", {"--set", "num_clones=200"})})
        EXPECT_TRUE(q.status == 0 && q.err.empty()) << q.err;
}

}  // namespace
}  // namespace zelkor::cli_test
