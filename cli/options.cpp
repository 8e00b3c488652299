#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <string_view>
#include <cstdint>

#include "cli/quality_plot.h"
#include "cli/usage_error.h"

namespace zelkor::cli {

namespace {

const char* const kExamples = R"(
Examples:
  zelkor --target examples/terrain.lwo --template examples/rock.lwo -o out.lwo --set num_clones=1000
  zelkor --fg ground.lwo:2 --bg props.lwo:Rock,Pebble -o out.obj --set H_max=90deg --set "Size Variations=40%"
  zelkor --info examples/terrain.lwo
  zelkor --list-params

Exit status: 0 the clones were made and the output written; 1 the run ended with one of its
messages or was cancelled (nothing written); 2 a usage error or an input that cannot be read.)";

PanelStep parse_set(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) throw UsageError("--set " + text + ": expected NAME=VALUE");
    return {false, text.substr(0, equals), text.substr(equals + 1)};
}

// --set and --press are applied in the order given, across both options.
std::vector<PanelStep> panel_steps(const CLI::App& app, const CLI::Option* set, const CLI::Option* press,
                                   const std::vector<std::string>& sets, const std::vector<std::string>& presses) {
    std::vector<PanelStep> steps;
    std::size_t next_set = 0, next_press = 0;
    for (const CLI::Option* option : app.parse_order()) {
        if (option == set && next_set < sets.size()) steps.push_back(parse_set(sets[next_set++]));
        if (option == press && next_press < presses.size()) steps.push_back({true, presses[next_press++], {}});
    }
    return steps;
}

// Edits (insert, delete, replace, swap two neighbours) that turn `a` into `b`.
std::size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// "unknown option --tempalte; did you mean --template?"
std::string unexpected_argument(const CLI::App& app) {
    const std::vector<std::string> rest = app.remaining();
    const std::string word = rest.empty() ? std::string() : rest.front();
    if (word.size() < 2 || word[0] != '-') return "unexpected argument " + word + " (see zelkor --help)";
    const std::string name = word.substr(0, word.find('='));
    std::string best;
    std::size_t best_distance = std::max<std::size_t>(2, name.size() / 3) + 1;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& long_name : option->get_lnames()) {
            const std::size_t distance = edit_distance(name, "--" + long_name);
            if (distance < best_distance) best_distance = distance, best = "--" + long_name;
        }
    }
    if (best.empty()) return "unknown option " + name + " (see zelkor --help)";
    return "unknown option " + name + "; did you mean " + best + "?";
}

std::uint32_t parse_session_seed(const std::string& text) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [rest, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || rest != end)
        throw UsageError("--session-seed " + text + ": expected a whole number from 0 to 4294967295 (a clock value)");
    return value;
}

}  // namespace

std::uint64_t parse_byte_count(const std::string& text, const std::string& option) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [rest, error] = std::from_chars(text.data(), end, value);
    std::uint64_t unit = 1;
    if (rest != end && rest + 1 == end) {
        switch (*rest) {
            case 'K': case 'k': unit = std::uint64_t(1) << 10; break;
            case 'M': case 'm': unit = std::uint64_t(1) << 20; break;
            case 'G': case 'g': unit = std::uint64_t(1) << 30; break;
            case 'T': case 't': unit = std::uint64_t(1) << 40; break;
            default: unit = 0;
        }
        ++rest;
    }
    if (error != std::errc() || rest != end || unit == 0 || value == 0 || value > UINT64_MAX / unit)
        throw UsageError(option + " " + text + ": expected a number of bytes, with K, M, G or T after it if wanted");
    return value * unit;
}

std::optional<Options> parse_options(int argc, char** argv) {
    Options o;
    std::vector<std::string> sets, presses;
    std::string session_seed;
    CLI::App app("zelkor: scatters clones of a template object over the polygons of a target object", "zelkor");
    app.footer(kExamples);
    app.set_version_flag("--version", "zelkor " ZELKOR_VERSION);
    app.add_option("--target,--fg", o.target,
                   "Target file and layers, FILE[:LAYERS]; LAYERS is a comma list of layer numbers or names "
                   "(default: the first layer with points). Example: --target terrain.lwo:1");
    app.add_option("--template,--bg", o.templ,
                   "Template file and layers, FILE[:LAYERS]. Example: --template rock.lwo:Rock");
    app.add_option("-o,--output", o.output,
                   "Output file; its extension picks the format (.lwo, .obj, .gltf, .glb). Example: -o out.lwo");
    CLI::Option* set = app.add_option("--set", sets,
                   "Set a panel control by field or label, in record units; 15deg and 25% say degrees and percent; "
                   "popups take a weight-map name or index; switches 0/1, on/off, true/false. Repeatable. "
                   "Example: --set num_clones=500 --set \"H Max=90deg\"")
                              ->expected(1)
                              ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    CLI::Option* press = app.add_option("--press", presses,
                   "Press a panel button (\"Reset Values\", \"Zero Angles\", About), in order with the --sets. "
                   "Example: --press \"Zero Angles\"")
                                ->expected(1)
                                ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--params", o.params_file,
                   "Load values from a JSON object of fields (or labels) and values, before the --sets. "
                   "Example: --params saved.json");
    app.add_option("--save-params", o.save_params_file,
                   "Write the confirmed record as JSON. Example: --save-params saved.json");
    app.add_option("--select", o.selections,
                   "Clone only on target polygons with this surface or part; repeatable. "
                   "Example: --select surface:Ground")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    CLI::Option* seed = app.add_option("--session-seed", session_seed,
                   "Seed the module-wide generator as loading it at this clock value (0 to 4294967295) would, "
                   "so sizes, angles, jitter and morph numbers repeat. Example: --session-seed 7");
    app.add_option("--report", o.report_file,
                   "Write what the run did as JSON. Example: --report run.json");
    app.add_flag("--quality", o.quality,
                   "Print how evenly the clones are spread, in one line (also with --quiet): rho, mean "
                   "nearest-neighbour ratio, coverage, chi-square p-value; a report carries them too. Example: --quality");
    app.add_option("--plot", o.plot_file,
                   "Draw a top view of the target and the clones, with the widest gap and the figures, as SVG or "
                   "PNG (by the extension). Example: --plot scatter.svg");
    app.add_flag("--cancel", o.cancel, "Answer the panel with cancel. Example: --cancel");
    app.add_option("--panel", o.panel,
                   "Who answers the panel: cli (these options) or web (a page in a browser at the address printed when "
                   "the panel opens; --params and --set fill it first). Example: --panel web");
    app.add_option("--panel-timeout", o.panel_timeout,
                   "With --panel web: seconds after the page was closed that the panel counts as cancelled "
                   "(default 30). Example: --panel-timeout 120")
        ->check(CLI::PositiveNumber);
    app.add_option("--module", o.module_file,
                   "Run this built module file instead of the module linked into zelkor. "
                   "Example: --module build/zelkor.so");
    app.add_flag("-q,--quiet", o.quiet, "Print nothing but errors. Example: --quiet");
    std::string max_memory;
    app.add_option("--max-memory", max_memory,
                   "Refuse a run whose estimated memory exceeds this many bytes (K, M, G suffixes); "
                   "default: half of the machine's memory. Example: --max-memory 8G");
    app.add_option("--instances", o.instances,
                   "Write the clones as instances of one template: gpu (glTF, EXT_mesh_gpu_instancing), "
                   "nodes (glTF, a node per clone) or table (.csv, a row per clone). Example: --instances gpu -o out.glb")
        ->check(CLI::IsMember({"gpu", "nodes", "table"}));
    app.add_flag("--force", o.force,
                   "Run even when clones x iterations could take hours. Example: --force");
    app.add_option("--info", o.info_file,
                   "List a file's layers, vertex maps and surfaces. Example: --info terrain.lwo");
    app.add_flag("--list-params", o.list_params,
                   "List the panel's controls: label, field, unit, default, current value. Example: --list-params");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e);
        return std::nullopt;
    } catch (const CLI::CallForVersion& e) {
        app.exit(e);
        return std::nullopt;
    } catch (const CLI::ExtrasError&) {
        throw UsageError(unexpected_argument(app));
    } catch (const CLI::ParseError& e) {
        throw UsageError(e.what());
    }
    o.steps = panel_steps(app, set, press, sets, presses);
    if (!o.plot_file.empty() && !plot_format(o.plot_file))
        throw UsageError("--plot " + o.plot_file + ": expected a file ending in .svg or .png");
    if (!max_memory.empty()) o.max_memory = parse_byte_count(max_memory, "--max-memory");
    if (seed->count() > 0) o.session_seed = parse_session_seed(session_seed);
    if (o.panel != "cli" && o.panel != "web") throw UsageError("--panel " + o.panel + ": expected cli or web");
    if (o.panel == "web" && o.cancel) throw UsageError("--cancel answers the panel on the command line, not with --panel web");
    return o;
}

}  // namespace zelkor::cli
