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
    std::string saved_from;           // the --params file
    std::vector<PanelAction> actions;  // --set and --press, in order
    std::vector<std::string> warnings; // values that may not mean what was meant
};

// `controls` are those of the module that will run.
RunSetup prepare_run(const Options& options, const Controls& controls);

// --set / --press steps as panel actions; a popup named by a weight map is looked up only when
// the module posts its panel, among the entries it gives.
// `doubts` (may be null) receives a line for each value that may not mean what was meant.
std::vector<PanelAction> resolve_steps(const std::vector<PanelStep>& steps, const Controls& controls,
                                       std::vector<std::string>* doubts = nullptr);

// Throws UsageError unless `path` ends in an extension the writer knows.
void check_output_extension(const std::string& path);

}  // namespace zelkor::cli
