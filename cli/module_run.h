// One activation of the module (linked in, or a module file) over the merged object, as a modeller runs it: load,
// activate, panel (answered by the command line), run, done.
#pragma once

#include <functional>
#include <future>
#include <memory>
#include <optional>

#include "cli/clone_instance.h"
#include "cli/loaded_module.h"
#include "cli/panel_front.h"
#include "cli/run_report.h"
#include "cli/run_setup.h"
#include "cli/scatter_quality.h"
#include "host/messages.h"
#include "host/monitor.h"
#include "host/page_warmer.h"

namespace zelkor::cli {

struct ModuleRunHooks {
    std::function<void(const host::Message&)> on_message;       // each module message as it comes
    std::function<void(const std::string&)> on_refused;         // each panel refusal
    std::function<void(const host::ProgressEvent&)> on_progress;  // null: no progress display
    std::optional<std::uint32_t> session_seed;
    bool keep_clones = false;  // list every clone in the report
    bool keep_instances = false;  // each clone's transform, for instanced output
    bool keep_quality = false;  // the clones' positions and their polygons, to measure the scatter
    bool cancel = false;
    std::function<int(host::Panel&)> person;  // answers the panel after the command line's values
    // What one clone adds: once the panel is confirmed, room for the clones it asks for is set
    // aside in the layer they go to and mapped on another thread while the module places them.
    std::optional<host::LayerGrowth> growth_per_clone;
};

struct ModuleRunOutcome {
    RunReport report;           // messages, params, clones, added counts (no output yet)
    bool panel_posted = false;
    bool confirmed = false;     // the panel was answered OK
    bool clones_built = false;  // the run reached its clone loop
    bool kept = false;          // the session closed with its edits kept
    std::string usage_error;    // a value the panel could not be given: the run was cancelled
    std::vector<io::Instance> instances;  // with keep_instances, in build order
    // With keep_quality: the clones' positions and polygons, and their figures, measured on other
    // threads from the moment the module reports its clones (with most modules, while it builds).
    std::shared_ptr<const ScatterSample> scatter;
    std::shared_future<ScatterQuality> quality;
};

// Runs the module on setup.object.document, which then holds the run's additions.
ModuleRunOutcome run_module(LoadedModule& loaded, RunSetup& setup, const ModuleRunHooks& hooks);

}  // namespace zelkor::cli
