#include "cli/clone_command.h"

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/module_run.h"
#include "cli/progress_bar.h"
#include "cli/record_values.h"
#include "cli/run_setup.h"
#include "cli/usage_error.h"
#include "io/file_error.h"
#include "io/mesh_file.h"

namespace zelkor::cli {

namespace {

// What a pressed button shows (the About text) is the answer the user asked for: it goes to the
// standard output. Everything else the module says is about the run.
void print_message(const host::Message& m, bool quiet) {
    if (!m.button.empty() && m.kind == host::MessageKind::Info) {
        if (!quiet) std::cout << m.line1 << (m.line2 ? "\n" + *m.line2 : std::string()) << "\n" << std::flush;
        return;
    }
    if (quiet && m.kind != host::MessageKind::Error) return;
    std::cerr << "zelkor: " << m.line1 << "\n";
    if (m.line2) std::cerr << "zelkor: " << *m.line2 << "\n";
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "; ") + line;
    return text;
}

// Writes the output file; false (after saying why) when it could not be written.
bool write_output(ModuleRunOutcome& outcome, RunSetup& setup, const std::vector<std::size_t>& counts_before,
                  const Options& options) {
    const host::Document out = split_target(std::move(setup.object), setup.templ, counts_before);
    std::vector<std::string> left_out;
    try {
        left_out = io::write_mesh(out, options.output);
    } catch (const io::FileError& e) {
        std::cerr << "zelkor: " << e.what() << "\n";
        return false;
    }
    outcome.report.output = options.output;
    if (!options.quiet && !left_out.empty())
        std::cerr << "zelkor: warning: " << options.output << " leaves out " << joined(left_out) << "\n";
    if (!options.quiet)
        std::cout << options.output << ": " << outcome.report.clone_count << " clones, "
                  << outcome.report.points_added << " points and " << outcome.report.polygons_added
                  << " polygons added\n";
    return true;
}

// A side file that cannot be written (checked before the run, but the disk can still fill up) is a
// fault of the command: exit 2, naming the file.
void write_side_files(const ModuleRunOutcome& outcome, const Options& options) {
    try {
        if (!options.save_params_file.empty() && outcome.confirmed)
            write_text_file(options.save_params_file, record_json(outcome.report.params));
        if (!options.report_file.empty()) write_text_file(options.report_file, report_json(outcome.report));
    } catch (const io::FileError& e) {
        throw UsageError(e.what());
    }
}

}  // namespace

int run_clone_command(const Options& options) {
    LoadedModule loaded = load_module(options.module_file);
    RunSetup setup = prepare_run(options, loaded.controls);
    const std::vector<std::size_t> counts_before = target_polygon_counts(setup.object);

    ProgressBar bar(stderr);
    ModuleRunHooks hooks;
    hooks.on_message = [&](const host::Message& m) { print_message(m, options.quiet); };
    hooks.on_refused = [](const std::string& refusal) { std::cerr << "zelkor: " << refusal << "\n"; };
    if (!options.quiet && is_terminal(stderr)) hooks.on_progress = [&](const host::ProgressEvent& e) { bar(e); };
    hooks.session_seed = options.session_seed;
    hooks.keep_clones = !options.report_file.empty();
    hooks.cancel = options.cancel;

    ModuleRunOutcome outcome = run_module(loaded, setup, hooks);
    if (!outcome.usage_error.empty()) throw UsageError(outcome.usage_error);

    if (outcome.clones_built && outcome.kept) {
        // An output that cannot be written is an input fault of the command: exit 2, no report.
        if (!write_output(outcome, setup, counts_before, options)) return 2;
        write_side_files(outcome, options);
        return 0;
    }
    if (outcome.panel_posted && !outcome.confirmed && !options.quiet)
        std::cerr << "zelkor: cancelled; nothing written\n";
    write_side_files(outcome, options);
    return 1;
}

}  // namespace zelkor::cli
