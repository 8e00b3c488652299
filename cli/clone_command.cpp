#include "cli/clone_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <iostream>
#include <string>
#include <thread>

#include "cli/instanced_output.h"
#include "cli/module_run.h"
#include "cli/progress_bar.h"
#include "cli/quality_plot.h"
#include "cli/run_quality.h"
#include "cli/record_values.h"
#include "cli/run_estimate.h"
#include "cli/run_setup.h"
#include "cli/usage_error.h"
#include "cli/web_panel.h"
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
    if (!options.plot_file.empty() && outcome.report.quality)
        add_plot(group, options.plot_file, *outcome.scatter, *outcome.report.quality);
}

// The object, its report and its saved parameters are saved together: all written and flushed,
// then all renamed, so that a fault in any (a full disk) leaves none of them. A fault is one of
// the command's files that cannot be written: exit 2, naming it.
// `instanced` (with --instances) replaces the object by the target and the clones' transforms.
// The scatter's figures, measured beside the run and the writing, are waited for before the side
// files that show them. The object is emptied once encoded: its memory (hundreds of megabytes for a
// million clones, a tenth of a second to unmap) is given back while the disk takes the file.
void save(ModuleRunOutcome& outcome, host::Document* object, const Options& options,
          std::function<void(std::uint64_t)> progress = {}, const InstancedParts* instanced = nullptr) {
    try {
        io::SaveGroup group;
        if (progress) group.on_progress(std::move(progress));
        std::vector<std::string> left_out;
        std::jthread release;  // joined on the way out, after the commit
        if (instanced) {
            left_out = write_instanced(*parse_instance_form(options.instances), *instanced, outcome.instances, options.output, group);
            outcome.report.output = options.output;
        } else if (object) {
            left_out = io::write_mesh(*object, options.output, &group);
            outcome.report.output = options.output;
            release = std::jthread([written = std::move(*object)] {});
        }
        if (outcome.quality.valid()) outcome.report.quality = outcome.quality.get();
        add_side_files(group, outcome, options);
        group.commit();
        if (!options.quiet && !left_out.empty())
            std::cerr << "zelkor: warning: " << io::printable(options.output) << " leaves out " << io::printable(joined(left_out)) << "\n";
    } catch (const io::FileError& e) {
        throw UsageError(e.what());
    }
}


std::string size_text(std::uint64_t bytes) {
    char text[32];
    if (bytes < 1024) std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else if (bytes < (1u << 20)) std::snprintf(text, sizeof text, "%.1f KiB", double(bytes) / 1024);
    else if (bytes < (1u << 30)) std::snprintf(text, sizeof text, "%.1f MiB", double(bytes) / (1 << 20));
    else std::snprintf(text, sizeof text, "%.2f GiB", double(bytes) / (1 << 30));
    return text;
}

int configured_clone_count(const std::vector<ControlValue>& record) {
    for (const ControlValue& v : record)
        if (v.control->field == "num_clones")
            if (const int* n = std::get_if<int>(&v.value)) return *n;
    return 1;
}

}  // namespace

int run_clone_command(const Options& options) {
    const auto started = std::chrono::steady_clock::now();
    const auto seconds_since = [](std::chrono::steady_clock::time_point t) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
    };
    std::optional<ProgressBar> bar;
    if (!options.quiet && is_terminal(stderr)) bar.emplace(stderr);
    if (bar) bar->begin(ProgressBar::kReading, "reading");

    LoadedModule loaded = load_module(options.module_file);
    RunSetup setup = prepare_run(options, loaded.controls);
    const RunEstimate estimate = estimate_run(setup, loaded.controls, options.output, options.instances);
    refuse_unbounded_run(estimate, options.output, options.max_memory.value_or(default_memory_limit()), options.force);
    // Rough costs per clone, point and byte on today's machines: enough to share the bar out.
    if (bar) bar->plan({seconds_since(started), 1e-6 * double(estimate.clones),
                        5e-8 * double(estimate.points + estimate.polygons), 2e-9 * double(estimate.output_bytes)});
    const std::vector<std::size_t> counts_before = target_polygon_counts(setup.object);
    std::optional<InstancedParts> instanced;
    if (!options.instances.empty()) {
        refuse_jitter(planned_value(loaded.controls, setup, "jitter"));
        instanced = instanced_parts(setup.object, setup.templ, setup.background);
    }
    if (!options.quiet)
        for (const std::string& warning : setup.warnings) std::cerr << "zelkor: warning: " << io::printable(warning) << "\n";

    ModuleRunHooks hooks;
    hooks.keep_quality = options.quality || !options.report_file.empty() || !options.plot_file.empty();
    hooks.on_message = [&](const host::Message& m) { print_message(m, options.quiet); };
    hooks.on_refused = [&](const std::string& refusal) {
        if (!options.quiet) std::cerr << "zelkor: warning: " << io::printable(refusal) << "\n";
    };
    if (bar) hooks.on_progress = [&](const host::ProgressEvent& e) { bar->module_event(e); };
    hooks.session_seed = options.session_seed;
    hooks.keep_clones = !options.report_file.empty();
    hooks.keep_instances = instanced.has_value();
    hooks.cancel = options.cancel;
    hooks.growth_per_clone = estimate.per_clone;

    std::unique_ptr<WebPanel> web;
    if (options.panel == "web")
        web = std::make_unique<WebPanel>(WebPanelSettings{web_files_folder(), std::chrono::seconds(options.panel_timeout),
                                                          std::chrono::seconds(600), options.output,
                                                          options.max_memory.value_or(default_memory_limit()), options.force});
    ModuleRunOutcome outcome = web ? web->run(loaded, setup, hooks) : run_module(loaded, setup, hooks);
    if (!outcome.usage_error.empty()) throw UsageError(outcome.usage_error);

    if (outcome.clones_built && outcome.kept) {
        host::Document object = split_target(std::move(setup.object), setup.templ, counts_before);
        std::function<void(std::uint64_t)> progress;
        if (bar) {
            bar->begin(ProgressBar::kWriting, "writing " + io::printable(options.output));
            progress = [&](std::uint64_t bytes) { bar->advance(double(bytes) / double(std::max<std::uint64_t>(estimate.output_bytes, 1))); };
        }
        // A button pressed at the panel may have changed the jitter the plan saw.
        if (instanced) refuse_jitter(confirmed_value(outcome.report.params, "jitter"));
        save(outcome, &object, options, progress, instanced ? &*instanced : nullptr);
        if (bar) bar->finish();
        if (web) web->finish(outcome, options.output, seconds_since(started));
        if (options.quality) std::cout << "quality: " << quality_summary(*outcome.report.quality) << "\n";
        if (options.quiet) return 0;
        if (const int count = configured_clone_count(outcome.report.params); count <= 0)
            std::cerr << "zelkor: warning: \"Number of Clones\" is " << count << ": no clones made, "
                      << io::printable(options.output) << " holds the target alone\n";
        std::error_code ignored;
        const std::uintmax_t size = std::filesystem::file_size(options.output, ignored);
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f s", seconds_since(started));
        std::cout << io::printable(options.output) << ": " << outcome.report.clone_count << " clones, ";
        if (instanced) std::cout << "written as instances of the template, ";
        else std::cout << outcome.report.points_added << " points and " << outcome.report.polygons_added << " polygons added, ";
        std::cout << size_text(size == std::uintmax_t(-1) ? 0 : size) << " written in " << seconds << "\n";
        return 0;
    }
    bar.reset();
    if (outcome.panel_posted && !outcome.confirmed && !options.quiet)
        std::cerr << "zelkor: cancelled; nothing written\n";
    save(outcome, nullptr, options);
    return 1;
}

}  // namespace zelkor::cli
