#include "clone_run.h"

#include <span>

#include <gtest/gtest.h>

#include "clone/globals.h"
#include "params/panel.h"

namespace zelkor::testing {
namespace {

host::Layer layer_from(const std::vector<std::array<double, 3>>& points, const std::vector<std::vector<std::uint32_t>>& polygons) {
    host::Layer layer;
    for (const auto& p : points) layer.add_point(p[0], p[1], p[2]);
    for (const auto& poly : polygons) layer.add_polygon(LWPOLTYPE_FACE, poly);
    return layer;
}

void record_summary(const zelkor_run_summary* summary, void* context) {
    RunReport* report = static_cast<RunReport*>(context);
    EXPECT_EQ(summary->first_clone, int(report->clones.size()));
    report->summary = *summary;
    report->clones.insert(report->clones.end(), summary->clones, summary->clones + summary->block_count);
    report->summary->clones = nullptr;
}

}  // namespace

host::Layer grid_layer(int cells_x, int cells_z, double cell) {
    std::vector<std::array<double, 3>> points;
    std::vector<std::vector<std::uint32_t>> quads;
    for (int i = 0; i <= cells_x; ++i)
        for (int k = 0; k <= cells_z; ++k) {
            points.push_back({i * cell, 0.0, k * cell});
            const std::uint32_t at = std::uint32_t(points.size() - 1), row = std::uint32_t(cells_z + 1);
            if (i < cells_x && k < cells_z) quads.push_back({at, at + 1, at + row + 1, at + row});
        }
    return layer_from(points, quads);
}

host::Layer quad_layer() { return layer_from({{-0.5, 0, -0.5}, {-0.5, 0, 0.5}, {0.5, 0, 0.5}, {0.5, 0, -0.5}}, {{0, 1, 2, 3}}); }

host::Layer cube_layer() {
    return layer_from({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
                      {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 3, 7, 4}, {1, 5, 6, 2}, {0, 4, 5, 1}, {3, 2, 6, 7}});
}

host::Layer wall_layer(double x) { return layer_from({{x, 0, 0}, {x, 1, 0}, {x, 1, 1}, {x, 0, 1}}, {{0, 1, 2, 3}}); }

CloneRun make_run(host::Layer target, host::Layer templ, std::function<void(params_typ&)> settings) {
    CloneRun run;
    run.document.layers = {std::move(target), std::move(templ)};
    run.settings = std::move(settings);
    return run;
}

void plain_copies(params_typ& p) {
    p.size_var_x = 0;
    p.H_min = p.H_max = p.P_min = p.P_max = p.B_min = p.B_max = 0;
    p.H_align = p.P_align = 0;
}

unsigned long control_id(const char* field_or_label) {
    const panel_row* row = find_panel_row(field_or_label);
    if (!row) ADD_FAILURE() << "no control " << field_or_label;
    return row ? row->id : 0;
}

RunReport CloneRun::run() {
    RunReport report;
    host::Modeler modeler(document);
    modeler.set_layers({0}, {1});
    // The default front reads the record off the panel, applies the settings and writes it back.
    modeler.panels().set_front(front ? front : [this](host::Panel& panel) {
        params_typ shown;
        for (const panel_row& f : std::span(panel_rows, panel_row_count)) {
            if (f.int_field) shown.*f.int_field = *static_cast<int*>(panel.form_get(f.id));
            if (f.double_field) shown.*f.double_field = *static_cast<double*>(panel.form_get(f.id));
        }
        if (settings) settings(shown);
        for (const panel_row& f : std::span(panel_rows, panel_row_count)) {
            if (!f.field) continue;
            auto value = f.int_field ? host::PanelValue(shown.*f.int_field) : host::PanelValue(shown.*f.double_field);
            auto refused = panel.set_unchecked(f.id, value);
            EXPECT_FALSE(refused) << f.field << ": " << *refused;
        }
        return cancel ? 0 : 1;
    });
    if (prepare) prepare(modeler);
    if (reset_record) par = params_typ();
    zelkor_seed_session(session_seed);
    use_reference_structures = reference_structures;
    zelkor_set_run_observer(record_summary, &report, ZELKOR_DETAIL_DRAWS);
    report.activation = modeler.run(host::Module::linked(_mod_descrip), "Zelkor");
    zelkor_set_run_observer(nullptr, nullptr, 0);
    use_reference_structures = false;
    report.monitors = modeler.monitors().records();
    return report;
}

std::vector<std::vector<float>> map_values(const host::Layer& layer, LWID type, const std::string& name,
                                           std::size_t first, std::size_t count) {
    std::vector<std::vector<float>> out(count);
    const host::VertexMap* map = layer.find_vmap(type, name);
    for (std::uint32_t p = std::uint32_t(first); map && p < first + count; ++p)
        if (map->has_value(p)) out[p - first].assign(map->value(p), map->value(p) + map->dimension);
    return out;
}

}  // namespace zelkor::testing
