#include "cli/loaded_module.h"

#include "api/controls.h"
#include "cli/usage_error.h"

namespace zelkor::cli {

LoadedModule load_module(const std::string& file) {
    if (file.empty())
        return {host::Module::linked(_mod_descrip, "zelkor"), zelkor_set_run_observer, zelkor_seed_session,
                Controls(zelkor_controls())};
    try {
        host::Module module = host::Module::load(file);
        auto set_observer = reinterpret_cast<void (*)(zelkor_run_observer, void*, int)>(module.symbol("zelkor_set_run_observer"));
        auto seed_session = reinterpret_cast<void (*)(std::uint32_t)>(module.symbol("zelkor_seed_session"));
        auto describe = reinterpret_cast<const zelkor_control* (*)()>(module.symbol("zelkor_controls"));
        if (!set_observer || !seed_session || !describe)
            throw UsageError("--module " + file +
                             ": not a clone module (it lacks zelkor_set_run_observer, zelkor_seed_session or zelkor_controls)");
        Controls controls(describe());
        return {std::move(module), set_observer, seed_session, std::move(controls)};
    } catch (const host::ModuleError& e) {
        throw UsageError(std::string("--module: ") + e.what());
    }
}

}  // namespace zelkor::cli
