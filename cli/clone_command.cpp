#include "cli/clone_command.h"

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/module_run.h"
#include "cli/progress_bar.h"
#include "cli/record_values.h"
#include "cli/run_estimate.h"
#include "cli/run_setup.h"
#include "cli/usage_error.h"
#include "io/atomic_file.h"
#include "io/file_error.h"
#include "io/file_text.h"
#include "io/mesh_file.h"

namespace zelkor::cli {

namespace {

// What a pressed button shows (the About text) is the answer the user asked for: it goes to the
// standard output. Everything else the module says is about the run.
void print_message(const host::Message& m, bool quiet) {
    if (!m.button.empty() && m.kind == host::MessageKind::Info) {
        if (!quiet) std::cout << io::printable(m.line1) << (m.line2 ? "\n" + io::printable(*m.line2) : std::string()) << "\n" << std::flush;
        return;
    }
    if (quiet && m.kind != host::MessageKind::Error) return;
    const char* prefix = m.kind == host::MessageKind::Warning ? "zelkor: warning: " : "zelkor: ";
    std::cerr << prefix << io::printable(m.line1) << "\n";
    if (m.line2) std::cerr << prefix << io::printable(*m.line2) << "\n";
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "; ") + line;
    return text;
}

void add_text_file(io::SaveGroup& group, const std::string& path, const std::string& text) {
    group.open(path).write_now(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// The saved parameters and the report, into `group`.
void add_side_files(io::SaveGroup& group, const ModuleRunOutcome& outcome, const Options& options) {
    if (!options.save_params_file.empty() && outcome.confirmed)
        add_text_file(group, options.save_params_file, record_json(outcome.report.params));
    if (!options.report_file.empty()) add_text_file(group, options.report_file, report_json(outcome.report));
}

// The object, its report and its saved parameters are saved together: all written and flushed,
// then all renamed, so that a fault in any (a full disk) leaves none of them. A fault is one of
// the command's files that cannot be written: exit 2, naming it.
void save(ModuleRunOutcome& outcome, const host::Document* object, const Options& options) {
    try {
        io::SaveGroup group;
        std::vector<std::string> left_out;
        if (object) {
            left_out = io::write_mesh(*object, options.output, &group);
            outcome.report.output = options.output;
        }
        add_side_files(group, outcome, options);
        group.commit();
        if (!options.quiet && !left_out.empty())
            std::cerr << "zelkor: warning: " << io::printable(options.output) << " leaves out " << io::printable(joined(left_out)) << "\n";
    } catch (const io::FileError& e) {
        throw UsageError(e.what());
    }
}

}  // namespace

int run_clone_command(const Options& options) {
    LoadedModule loaded = load_module(options.module_file);
    RunSetup setup = prepare_run(options, loaded.controls);
    refuse_unbounded_run(estimate_run(setup, loaded.controls, options.output), options.output,
                         options.max_memory.value_or(default_memory_limit()), options.force);
    const std::vector<std::size_t> counts_before = target_polygon_counts(setup.object);
    if (!options.quiet)
        for (const std::string& warning : setup.warnings) std::cerr << "zelkor: warning: " << io::printable(warning) << "\n";

    ProgressBar bar(stderr);
    ModuleRunHooks hooks;
    hooks.on_message = [&](const host::Message& m) { print_message(m, options.quiet); };
    hooks.on_refused = [&](const std::string& refusal) {
        if (!options.quiet) std::cerr << "zelkor: warning: " << io::printable(refusal) << "\n";
    };
    if (!options.quiet && is_terminal(stderr)) hooks.on_progress = [&](const host::ProgressEvent& e) { bar(e); };
    hooks.session_seed = options.session_seed;
    hooks.keep_clones = !options.report_file.empty();
    hooks.cancel = options.cancel;

    ModuleRunOutcome outcome = run_module(loaded, setup, hooks);
    if (!outcome.usage_error.empty()) throw UsageError(outcome.usage_error);

    if (outcome.clones_built && outcome.kept) {
        const host::Document object = split_target(std::move(setup.object), setup.templ, counts_before);
        save(outcome, &object, options);
        if (!options.quiet)
            std::cout << options.output << ": " << outcome.report.clone_count << " clones, " << outcome.report.points_added
                      << " points and " << outcome.report.polygons_added << " polygons added\n";
        return 0;
    }
    if (outcome.panel_posted && !outcome.confirmed && !options.quiet)
        std::cerr << "zelkor: cancelled; nothing written\n";
    save(outcome, nullptr, options);
    return 1;
}

}  // namespace zelkor::cli
