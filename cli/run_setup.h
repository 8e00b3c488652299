// Everything a clone run needs, read and checked before the module runs: the files, the chosen
// layers, the merged object, the selection and the panel's saved values and actions. Any fault is
// a UsageError (exit 2), so that nothing runs on a half-understood command line.
#pragma once

#include <string>
#include <vector>

#include "cli/object_merge.h"
#include "cli/options.h"
#include "cli/panel_front.h"

namespace zelkor::cli {

struct RunSetup {
    MergedObject object;
    host::Document templ;  // the template file, for the surfaces the clones take along
    std::vector<int> foreground;
    std::vector<int> background;
    std::vector<ControlValue> saved;  // from --params
    std::vector<PanelAction> actions;  // --set and --press, in order
};

RunSetup prepare_run(const Options& options);

// "none" and the object's weight maps: the entries the module's popups offer.
std::vector<std::string> weight_map_entries(const host::Document& document);

// --set / --press steps as panel actions; popups resolve names against `popup_entries`.
std::vector<PanelAction> resolve_steps(const std::vector<PanelStep>& steps, const std::vector<std::string>& popup_entries);

// Throws UsageError unless `path` ends in an extension the writer knows.
void check_output_extension(const std::string& path);

}  // namespace zelkor::cli
