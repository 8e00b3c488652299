#include "clone_run.h"

#include <gtest/gtest.h>

#include "clone/globals.h"
#include "host/module_loader.h"
#include "params/panel.h"
#include "random/random.h"

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

host::Layer grid_layer(int cells_x, int cells_z, double cell, double y) {
    host::Layer layer;
    for (int i = 0; i <= cells_x; ++i)
        for (int k = 0; k <= cells_z; ++k) layer.add_point(i * cell, y, k * cell);
    auto at = [&](int i, int k) { return std::uint32_t(i * (cells_z + 1) + k); };
    for (int i = 0; i < cells_x; ++i)
        for (int k = 0; k < cells_z; ++k) {
            std::uint32_t quad[4] = {at(i, k), at(i, k + 1), at(i + 1, k + 1), at(i + 1, k)};
            layer.add_polygon(LWPOLTYPE_FACE, quad);
        }
    return layer;
}

host::Layer quad_layer() {
    return layer_from({{-0.5, 0, -0.5}, {-0.5, 0, 0.5}, {0.5, 0, 0.5}, {0.5, 0, -0.5}}, {{0, 1, 2, 3}});
}

host::Layer cube_layer() {
    return layer_from({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
                      {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 3, 7, 4}, {1, 5, 6, 2}, {0, 4, 5, 1}, {3, 2, 6, 7}});
}

void apply_to_panel(host::Panel& panel, const params_typ& values) {
    for (int i = 0; i < panel_row_count; ++i) {
        const panel_row& f = panel_rows[i];
        if (!f.field) continue;
        host::PanelValue v = f.int_field ? host::PanelValue(values.*f.int_field) : host::PanelValue(values.*f.double_field);
        auto refused = panel.set_unchecked(f.id, v);
        EXPECT_FALSE(refused) << f.field << ": " << *refused;
    }
}

RunReport CloneRun::run() {
    RunReport report;
    host::Modeler modeler(document);
    modeler.set_layers(foreground, background);
    if (front) {
        modeler.panels().set_front(front);
    } else {
        modeler.panels().set_front([this](host::Panel& panel) {
            params_typ shown;
            for (int i = 0; i < panel_row_count; ++i) {
                const panel_row& f = panel_rows[i];
                if (!f.field) continue;
                void* value = panel.form_get(f.id);
                if (f.int_field)
                    shown.*f.int_field = *static_cast<int*>(value);
                else
                    shown.*f.double_field = *static_cast<double*>(value);
            }
            if (settings) settings(shown);
            apply_to_panel(panel, shown);
            return cancel ? 0 : 1;
        });
    }
    if (prepare) prepare(modeler);
    if (reset_record) par = params_typ();
    zelkor_seed_session(session_seed);
    use_reference_structures = reference_structures;
    zelkor_set_run_observer(record_summary, &report);
    host::Module module = host::Module::linked(_mod_descrip);
    report.activation = modeler.run(module, "Zelkor");
    zelkor_set_run_observer(nullptr, nullptr);
    use_reference_structures = false;
    report.monitors = modeler.monitors().records();
    return report;
}

std::vector<std::vector<float>> map_values(const host::Layer& layer, LWID type, const std::string& name,
                                           std::size_t first, std::size_t count) {
    std::vector<std::vector<float>> out;
    const host::VertexMap* map = layer.find_vmap(type, name);
    for (std::size_t p = first; p < first + count; ++p) {
        if (!map || !map->has_value(std::uint32_t(p))) {
            out.push_back({});
            continue;
        }
        const float* v = map->value(std::uint32_t(p));
        out.emplace_back(v, v + map->dimension);
    }
    return out;
}

}  // namespace zelkor::testing
