// The command line's options (zelkor --help lists them with examples).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelkor::cli {

// One --set NAME=VALUE or --press BUTTON, kept in the order given.
struct PanelStep {
    bool press = false;
    std::string name;
    std::string value;  // --set only
};

struct Options {
    std::string target;    // FILE[:LAYERS]
    std::string templ;     // FILE[:LAYERS]
    std::string output;
    std::vector<PanelStep> steps;
    std::string params_file;
    std::string save_params_file;
    std::string report_file;
    std::string plot_file;  // --plot: a top view of the scatter, .svg or .png
    bool quality = false;   // --quality: print how evenly the clones are spread
    std::string instances;  // --instances: gpu, nodes or table; empty: the clones as geometry
    std::vector<std::string> selections;  // surface:NAME or part:NAME
    std::optional<std::uint32_t> session_seed;  // a clock value the module could load at
    std::string info_file;
    std::string module_file;  // empty: the module linked into the program
    bool cancel = false;
    std::string panel = "cli";  // who answers the panel: "cli" (the steps above) or "web" (a browser page)
    int panel_timeout = 30;      // --panel web: seconds a closed page is waited for before it counts as Cancel
    bool quiet = false;
    bool list_params = false;
    bool force = false;                     // run even when the worst case looks endless
    std::optional<std::uint64_t> max_memory;  // bytes; default: half of the machine's memory
};

// "8G", "500M", "1048576": a byte count; throws UsageError naming `option` otherwise.
std::uint64_t parse_byte_count(const std::string& text, const std::string& option);

// Parses argv. Prints --help or --version itself and then answers nothing (exit 0). Throws
// UsageError for anything CLI11 refuses and for a --set without '='.
std::optional<Options> parse_options(int argc, char** argv);

}  // namespace zelkor::cli
