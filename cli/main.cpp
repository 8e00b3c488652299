// zelkor: the command line over the clone module (see zelkor --help).
#include <exception>
#include <iostream>

#include "cli/clone_command.h"
#include "cli/file_info.h"
#include "cli/options.h"
#include "cli/param_list.h"
#include "cli/run_setup.h"
#include "cli/usage_error.h"
#include "io/file_error.h"
#include "io/mesh_file.h"

namespace zelkor::cli {

namespace {

int show_info(const std::string& path) {
    host::Document document;
    try {
        document = io::read_mesh(path);
    } catch (const io::FileError& e) {
        throw UsageError(e.what());
    }
    print_file_info(std::cout, path, document);
    return 0;
}

// Without input files the popups know only "none"; an index works for any entry.
int show_param_list(const Options& options) {
    const std::vector<std::string> entries{"none"};
    std::vector<ControlValue> current = default_record();
    auto assign = [&](const ControlInfo* control, const host::PanelValue& value) {
        for (ControlValue& v : current)
            if (v.control == control) v.value = value;
    };
    if (!options.params_file.empty())
        for (const ControlValue& v : read_params_file(options.params_file, entries)) assign(v.control, v.value);
    for (const PanelAction& action : resolve_steps(options.steps, entries))
        if (action.kind == PanelAction::Kind::Set) assign(action.control, action.value);
    print_param_list(std::cout, current);
    return 0;
}

int run(int argc, char** argv) {
    const std::optional<Options> options = parse_options(argc, argv);
    if (!options) return 0;
    if (!options->info_file.empty()) return show_info(options->info_file);
    if (options->list_params) return show_param_list(*options);
    return run_clone_command(*options);
}

}  // namespace

}  // namespace zelkor::cli

int main(int argc, char** argv) {
    try {
        return zelkor::cli::run(argc, argv);
    } catch (const zelkor::cli::UsageError& e) {
        std::cerr << "zelkor: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "zelkor: " << e.what() << "\n";
        return 1;
    }
}
