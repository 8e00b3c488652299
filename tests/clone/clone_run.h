// A clone run inside the stand-in modeller, for the module's end-to-end tests: a document with a
// target layer (foreground) and a template layer (background), the linked-in module, a panel
// front that applies the test's settings, and the run's report.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "api/host_api.h"
#include "api/run_observer.h"
#include "host/document.h"
#include "host/modeler.h"
#include "params/params.h"

namespace zelkor::testing {

// Layer builders. Polygons are FACE; points are listed so that Newell's normal faces +Y for the
// target grid.
host::Layer grid_layer(int cells_x, int cells_z, double cell = 1.0, double y = 0.0);
host::Layer quad_layer();  // one quad, 4 points, around the origin
host::Layer cube_layer();  // 8 points, 6 quads

struct RunReport {
    host::ActivationResult activation;
    std::optional<zelkor_run_summary> summary;
    std::vector<zelkor_clone_record> clones;
    std::vector<host::MonitorRecord> monitors;
};

struct CloneRun {
    host::Document document;
    std::vector<int> foreground{0};
    std::vector<int> background{1};
    // Applied to the record shown on the panel before OK (or cancel).
    std::function<void(params_typ&)> settings;
    std::function<int(host::Panel&)> front;  // replaces the default front when set
    bool cancel = false;
    int session_seed = 7;
    bool reference_structures = false;
    bool reset_record = true;  // start from the defaults, as a freshly loaded module does
    std::function<void(host::Modeler&)> prepare;  // e.g. switch services off

    RunReport run();
};

// The record's values as the panel would hand them: copied into the panel's controls.
void apply_to_panel(host::Panel& panel, const params_typ& values);

// Every value of the map (type, name) in `layer` for points [first, first + count).
std::vector<std::vector<float>> map_values(const host::Layer& layer, LWID type, const std::string& name,
                                           std::size_t first, std::size_t count);

}  // namespace zelkor::testing
