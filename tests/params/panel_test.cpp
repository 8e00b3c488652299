// The panel as the module builds it: controls, tabs, popups, enable rules and Reset Values. (The
// About and Zero Angles buttons are pressed by the command line's tests.)
#include "params/panel.h"

#include <span>

#include <gtest/gtest.h>

#include "clone/clone_run.h"
#include "clone/globals.h"

namespace zelkor::testing {
namespace {

CloneRun panel_run(std::function<int(host::Panel&)> front) {
    CloneRun run = make_run(grid_layer(2, 2), quad_layer());
    run.front = std::move(front);
    return run;
}

TEST(Panel, TwoTabsInTheirOrderWithTheTitle) {
    std::string title;
    std::size_t control_count = 0;
    std::vector<std::vector<std::string>> tabs;  // each tab's group label, then its controls' labels
    panel_run([&](host::Panel& panel) {
        title = panel.title();
        control_count = panel.controls().size();
        for (const host::PanelTabs& t : panel.tabs())
            for (unsigned long id : t.groups)
                for (const host::PanelGroup& g : panel.groups()) {
                    if (g.id != id) continue;
                    tabs.push_back({g.label});
                    for (unsigned long control : g.controls) tabs.back().push_back(panel.find(control)->label);
                }
        return 0;
    }).run();
    EXPECT_EQ(title, "Zelkor 1.6");
    EXPECT_EQ(control_count, 31u);
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0], (std::vector<std::string>{"Basic", "Number of Clones", "Independent Sizes", "Size Variations", "Y",
                                                 "Z", "Size WeightMap", "Size WeightMap Influence", "Density WeightMap",
                                                 "Random rotation H Min", "H Max", "P Min", "P Max", "B Min", "B Max",
                                                 "Zero Angles", "H Align with normals", "P Align with normals",
                                                 "Random Seed"}));
    EXPECT_EQ(tabs[1], (std::vector<std::string>{"Advanced", "Size depends on Poly Area", "Dependence Power",
                                                 "Jitter Cloned points", "Slope Angle Limits", "Min Slope Angle",
                                                 "Max Slope Angle", "P angle weightmap", "Absolute", "Distribution",
                                                 "Iterations", "Auto morph maps"}));
}

TEST(Panel, PopupsOfferNoneThenTheObjectsWeightMaps) {
    std::vector<std::vector<std::string>> entries;
    CloneRun run = panel_run([&](host::Panel& panel) {
        for (const char* field : {"size_wg", "density_wg", "P_angle_wg"})
            entries.push_back(panel.find(control_id(field))->popup_entries);
        return 0;
    });
    run.document.layers[0].vmap(LWVMAP_WGHT, "A", 1);
    run.document.layers[1].vmap(LWVMAP_WGHT, "B", 1);
    run.run();
    EXPECT_EQ(entries, std::vector<std::vector<std::string>>(3, {"none", "A", "B"}));
}

TEST(Panel, EnableRulesRefuseWithTheirMessages) {
    // From the defaults: P Align on, slope limits off, linked sizes, no size map, no area dependence.
    const std::pair<const char*, std::string> sets[] = {
        {"P_angle_wg", "accepted"}, {"P_align", "accepted"}, {"P_angle_wg", "P Align should be enabled."},
        {"slope_max", "Slope Angle is Disabled"}, {"slope_min", "Slope Angle is Disabled"},
        {"size_var_y", "Size axes are linked"}, {"size_var_z", "Size axes are linked"},
        {"size_wg_influence", "Choose any weightmap first"},
        {"dependence_power", "Control is disabled. Turn 'Size Depends on Poly Area' on first"}, {"absolute", "accepted"}};
    std::vector<std::string> answers;
    panel_run([&](host::Panel& panel) {
        for (const auto& [field, expected] : sets) {
            // Integer controls are switched off (0), the others set to 0.5.
            host::PanelValue v = find_panel_row(field)->int_field ? host::PanelValue(0) : host::PanelValue(0.5);
            answers.push_back(panel.set(control_id(field), v).value_or("accepted"));
        }
        return 0;
    }).run();
    ASSERT_EQ(answers.size(), std::size(sets));
    for (std::size_t k = 0; k < std::size(sets); ++k) EXPECT_EQ(answers[k], sets[k].second) << sets[k].first;
}

// The panel shows the record, disabled controls included; "Reset Values" shows the defaults, which
// only OK stores.
TEST(Panel, RecordAndPanelTravelBothWaysAndResetValuesNeedsOk) {
    par = params_typ();
    par.seed = 77, par.size_var_y = 0.625;  // "Y" is disabled while the sizes are linked
    std::vector<std::pair<int, double>> shown;  // seed and Y, before and after Reset Values
    for (int ok : {0, 1}) {
        CloneRun run = panel_run([&](host::Panel& panel) {
            auto show = [&] { shown.emplace_back(std::get<int>(panel.find(control_id("seed"))->value()),
                                                 std::get<double>(panel.find(control_id("size_var_y"))->value())); };
            show();
            EXPECT_FALSE(panel.press(control_id("Reset Values")));
            show();
            return ok;
        });
        run.reset_record = false;
        run.run();
    }
    EXPECT_EQ(shown, (std::vector<std::pair<int, double>>{{77, 0.625}, {25, 0.25}, {77, 0.625}, {25, 0.25}}));
    const params_typ defaults;  // after OK; the second run showed 77 and 0.625: the cancel kept them
    for (const panel_row& f : std::span(panel_rows, panel_row_count)) {
        EXPECT_TRUE(!f.int_field || par.*f.int_field == defaults.*f.int_field) << f.field;
        EXPECT_TRUE(!f.double_field || par.*f.double_field == defaults.*f.double_field) << f.field;
    }
}

}  // namespace
}  // namespace zelkor::testing
