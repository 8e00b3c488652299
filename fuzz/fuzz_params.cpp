// Parameter files and --set values. The input is read whole as a parameter file, and each of
// its lines as one --set NAME=VALUE (or --press NAME when there is no '=').
#include <string>
#include <string_view>

#include "cli/control_values.h"
#include "cli/loaded_module.h"
#include "cli/record_values.h"
#include "cli/run_setup.h"
#include "cli/usage_error.h"
#include "fuzz_support.h"

using namespace zelkor::cli;

namespace {

const Controls& module_controls() {
    static const LoadedModule loaded = load_module("");
    return loaded.controls;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Controls& controls = module_controls();
    try {
        for (const ControlValue& v : parse_params_text(text, "fuzz.json", controls))
            (void)display_value(*v.control, {v.value, v.popup_name, {}});
    } catch (const UsageError&) {
    }

    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        const std::size_t equals = line.find('=');
        PanelStep step{true, std::string(line), {}};
        if (equals != std::string_view::npos)
            step = {false, std::string(line.substr(0, equals)), std::string(line.substr(equals + 1))};
        try {
            for (const PanelAction& action : resolve_steps({step}, controls))
                if (action.control && action.kind == PanelAction::Kind::Set)
                    (void)display_value(*action.control, {action.value, action.popup_name, {}});
        } catch (const UsageError&) {
        }
        start = end + 1;
    }
    return 0;
}
