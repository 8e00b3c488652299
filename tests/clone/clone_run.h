// A clone run inside the stand-in modeller, for the module's end-to-end tests: a document with a
// target layer (foreground) and a template layer (background), the linked-in module, a panel
// front that applies the test's settings, and the run's report.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "api/run_observer.h"
#include "host/modeler.h"
#include "params/params.h"

namespace zelkor::testing {

// Layers of FACE polygons.
host::Layer grid_layer(int cells_x, int cells_z, double cell = 1.0);  // at y = 0, facing +Y
host::Layer quad_layer();          // one quad around the origin, facing +Y
host::Layer cube_layer();          // the unit cube: 8 points, 6 quads
host::Layer wall_layer(double x);  // one unit quad in the plane x, facing +X

struct RunReport {
    host::ActivationResult activation;
    std::optional<zelkor_run_summary> summary;
    std::vector<zelkor_clone_record> clones;
    std::vector<host::MonitorRecord> monitors;
};

struct CloneRun {
    host::Document document;  // layer 0 is the target, layer 1 the template
    std::function<void(params_typ&)> settings;  // applied to the record the panel shows, before OK
    std::function<int(host::Panel&)> front;     // replaces the default front when set
    bool cancel = false;
    std::uint32_t session_seed = 7;
    bool reference_structures = false;
    bool reset_record = true;  // start from the defaults, as a freshly loaded module does
    std::function<void(host::Modeler&)> prepare;  // e.g. switch services off

    RunReport run();
};

CloneRun make_run(host::Layer target, host::Layer templ, std::function<void(params_typ&)> settings = nullptr);

// Settings under which a clone is the template moved to its position: no size variation, no turn.
void plain_copies(params_typ& p);
// The id of the panel control that shows this record field or has this label.
unsigned long control_id(const char* field_or_label);

// The values of map (type, name) for points [first, first + count); empty where a point has none.
std::vector<std::vector<float>> map_values(const host::Layer& layer, LWID type, const std::string& name,
                                           std::size_t first, std::size_t count);

}  // namespace zelkor::testing
