// zelkor: the command line over the clone module (see zelkor --help).
#include <exception>
#include <iostream>

#include "cli/clone_command.h"
#include "cli/file_info.h"
#include "cli/loaded_module.h"
#include "cli/options.h"
#include "cli/param_list.h"
#include "cli/run_setup.h"
#include "cli/usage_error.h"
#include "io/file_error.h"
#include "io/file_text.h"
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

// The controls of the module that would run (--module FILE, or the linked-in one); weight maps
// named for popups are shown as named.
int show_param_list(const Options& options) {
    const LoadedModule loaded = load_module(options.module_file);
    std::vector<ControlValue> current = default_record(loaded.controls);
    auto assign = [&](const ControlInfo* control, const host::PanelValue& value, const std::string& popup_name) {
        for (ControlValue& v : current)
            if (v.control == control) {
                v.value = value;
                v.popup_name = popup_name;
            }
    };
    if (!options.params_file.empty())
        for (const ControlValue& v : read_params_file(options.params_file, loaded.controls))
            assign(v.control, v.value, v.popup_name);
    for (const PanelAction& action : resolve_steps(options.steps, loaded.controls))
        if (action.kind == PanelAction::Kind::Set) assign(action.control, action.value, action.popup_name);
    print_param_list(std::cout, loaded.controls, current);
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
        std::cerr << "zelkor: " << zelkor::io::printable(e.what()) << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "zelkor: " << zelkor::io::printable(e.what()) << "\n";
        return 1;
    }
}
