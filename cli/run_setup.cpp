#include "cli/run_setup.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/control_values.h"
#include "cli/instanced_output.h"
#include "cli/layer_choice.h"
#include "cli/polygon_selection.h"
#include "cli/usage_error.h"
#include "io/file_error.h"
#include "io/mesh_file.h"

namespace zelkor::cli {

namespace {

host::Document read_input(const std::string& path) {
    try {
        return io::read_mesh(path);
    } catch (const io::FileError& e) {
        throw UsageError(e.what());
    }
}

void require(const std::string& value, const char* option) {
    if (value.empty()) throw UsageError(std::string(option) + " is required (see zelkor --help)");
}

PanelAction resolve_step(const PanelStep& step, const Controls& controls, std::vector<std::string>* doubts) {
    const ControlInfo* control = controls.find(step.name);
    if (step.press) {
        if (!control || !control->is_button())
            throw UsageError("--press \"" + step.name + "\": no such button (About, \"Zero Angles\", \"Reset Values\")");
        return {PanelAction::Kind::Press, control, {}, {}, "--press " + step.name};
    }
    if (!control) throw UsageError("--set " + step.name + ": no such control (see zelkor --list-params)");
    if (control->is_button()) throw UsageError("--set " + step.name + ": a button, use --press \"" + control->label + "\"");
    const std::string source = "--set " + step.name + "=" + step.value;
    try {
        TypedValue typed = parse_control_value(*control, step.value);
        if (doubts && !typed.doubt.empty()) doubts->push_back(source + ": " + typed.doubt);
        return {PanelAction::Kind::Set, control, typed.value, typed.popup_name, source};
    } catch (const UsageError& e) {
        throw UsageError(source + ": " + e.what());
    }
}

}  // namespace

void check_writable_folder(const std::string& path, const std::string& option) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code error;
    // A file is saved by renaming a finished temporary file over it, which a folder refuses.
    if (std::filesystem::is_directory(path, error)) throw UsageError(option + " " + path + ": cannot write: it is a folder");
    if (!std::filesystem::is_directory(folder, error))
        throw UsageError(option + " " + path + ": cannot write: no folder " + folder.string());
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        throw UsageError(option + " " + path + ": cannot write: " + io::errno_text(errno));
}

// An output that is one of the inputs (the same file, by device and inode, whatever the name)
// would be replaced by what was made from it; two outputs on one file would replace each other.
void check_distinct_files(const std::vector<std::pair<std::string, std::string>>& inputs,
                          const std::vector<std::pair<std::string, std::string>>& outputs) {
    auto same = [](const std::string& a, const std::string& b) {
        struct stat sa {}, sb {};
        if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
            return std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal();
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    };
    for (std::size_t k = 0; k < outputs.size(); ++k) {
        const auto& [option, path] = outputs[k];
        for (const auto& [input_option, input] : inputs)
            if (same(path, input))
                throw UsageError(option + " " + path + ": is the same file as " + input_option + " " + input +
                                 ", which would be lost");
        for (std::size_t j = 0; j < k; ++j)
            if (same(path, outputs[j].second))
                throw UsageError(option + " " + path + ": is the same file as " + outputs[j].first + " " + outputs[j].second);
    }
}

void check_output_extension(const std::string& path) {
    const std::string ext = io::lower_extension(path);
    if (ext != ".lwo" && ext != ".obj" && ext != ".gltf" && ext != ".glb")
        throw UsageError("-o " + path + ": unknown output format (use .lwo, .obj, .gltf or .glb)");
}

std::vector<PanelAction> resolve_steps(const std::vector<PanelStep>& steps, const Controls& controls,
                                       std::vector<std::string>* doubts) {
    std::vector<PanelAction> actions;
    for (const PanelStep& step : steps) actions.push_back(resolve_step(step, controls, doubts));
    return actions;
}

RunSetup prepare_run(const Options& options, const Controls& controls) {
    require(options.target, "--target");
    require(options.templ, "--template");
    require(options.output, "-o");
    if (const std::optional<InstanceForm> form = parse_instance_form(options.instances)) check_instance_output(*form, options.output);
    else check_output_extension(options.output);
    // Checked before the run, so that an output that cannot be written costs no run.
    check_writable_folder(options.output, "-o");
    if (!options.report_file.empty()) check_writable_folder(options.report_file, "--report");
    if (!options.save_params_file.empty()) check_writable_folder(options.save_params_file, "--save-params");

    const LayerChoice target_choice = parse_layer_choice(options.target);
    const LayerChoice templ_choice = parse_layer_choice(options.templ);
    std::vector<std::pair<std::string, std::string>> inputs{{"--target", target_choice.path}, {"--template", templ_choice.path}};
    if (!options.params_file.empty()) inputs.push_back({"--params", options.params_file});
    std::vector<std::pair<std::string, std::string>> outputs{{"-o", options.output}};
    if (!options.report_file.empty()) outputs.push_back({"--report", options.report_file});
    if (!options.save_params_file.empty()) outputs.push_back({"--save-params", options.save_params_file});
    if (!options.plot_file.empty()) {
        check_writable_folder(options.plot_file, "--plot");
        outputs.push_back({"--plot", options.plot_file});
    }
    check_distinct_files(inputs, outputs);
    host::Document target = read_input(target_choice.path);
    RunSetup setup;
    setup.templ = read_input(templ_choice.path);
    setup.foreground = choose_layers(target, target_choice);
    const std::vector<int> templ_layers = choose_layers(setup.templ, templ_choice);

    setup.object = merge_object(std::move(target), setup.templ);
    for (int index : templ_layers) setup.background.push_back(index + int(setup.object.target_layer_count));

    if (!options.params_file.empty()) setup.saved = read_params_file(options.params_file, controls);
    setup.saved_from = options.params_file;
    setup.actions = resolve_steps(options.steps, controls, &setup.warnings);

    if (!options.selections.empty()) {
        std::vector<PolygonFilter> filters;
        for (const std::string& text : options.selections) filters.push_back(parse_polygon_filter(text));
        select_polygons(setup.object.document, setup.foreground, filters);
    }
    return setup;
}

}  // namespace zelkor::cli
