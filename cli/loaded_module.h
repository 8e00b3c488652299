// The module the command line runs, linked in or loaded from a file (--module), with the entry
// points it offers beside its server: the run report, the session seed and the description of
// its controls.
#pragma once

#include <string>

#include "api/run_observer.h"
#include "cli/controls.h"
#include "host/module_loader.h"

namespace zelkor::cli {

struct LoadedModule {
    host::Module module;
    void (*set_observer)(zelkor_run_observer, void*, int) = nullptr;
    void (*seed_session)(std::uint32_t) = nullptr;
    Controls controls;
};

// `file` empty: the linked-in module. A file that is not a clone module is a UsageError.
LoadedModule load_module(const std::string& file);

}  // namespace zelkor::cli
