// The panel as the module builds it: controls, tabs, hints, enable rules and the three buttons.
#include <gtest/gtest.h>

#include "clone/globals.h"
#include "clone/messages.h"
#include "clone_run.h"
#include "params/panel.h"

namespace zelkor::testing {
namespace {

CloneRun panel_run(std::function<int(host::Panel&)> front) {
    CloneRun run;
    run.document.layers.push_back(grid_layer(2, 2));
    run.document.layers.push_back(quad_layer());
    run.front = std::move(front);
    return run;
}

std::vector<std::string> labels(const host::Panel& panel, unsigned long group) {
    std::vector<std::string> out;
    for (const host::PanelGroup& g : panel.groups())
        if (g.id == group)
            for (unsigned long id : g.controls) out.push_back(panel.find(id)->label);
    return out;
}

TEST(Panel, TwoTabsInTheirOrderWithTheTitle) {
    std::vector<std::string> basic, advanced;
    std::string title;
    std::vector<unsigned long> tabs;
    std::size_t control_count = 0;
    CloneRun run = panel_run([&](host::Panel& panel) {
        basic = labels(panel, 0x801c);
        advanced = labels(panel, 0x801d);
        title = panel.title();
        control_count = panel.controls().size();
        for (const host::PanelTabs& t : panel.tabs()) tabs = t.groups;
        return 0;
    });
    run.run();
    EXPECT_EQ(title, "Zelkor 1.6");
    EXPECT_EQ(control_count, 31u);
    EXPECT_EQ(tabs, (std::vector<unsigned long>{0x801c, 0x801d}));
    EXPECT_EQ(basic, (std::vector<std::string>{"Number of Clones", "Independent Sizes", "Size Variations", "Y", "Z",
                                               "Size WeightMap", "Size WeightMap Influence", "Density WeightMap",
                                               "Random rotation H Min", "H Max", "P Min", "P Max", "B Min", "B Max",
                                               "Zero Angles", "H Align with normals", "P Align with normals",
                                               "Random Seed"}));
    EXPECT_EQ(advanced, (std::vector<std::string>{"Size depends on Poly Area", "Dependence Power",
                                                  "Jitter Cloned points", "Slope Angle Limits", "Min Slope Angle",
                                                  "Max Slope Angle", "P angle weightmap", "Absolute", "Distribution",
                                                  "Iterations", "Auto morph maps"}));
}

TEST(Panel, PopupsOfferNoneThenTheObjectsWeightMaps) {
    std::vector<std::string> entries[3];
    CloneRun run = panel_run([&](host::Panel& panel) {
        entries[0] = panel.find(0x8017)->popup_entries;
        entries[1] = panel.find(0x8011)->popup_entries;
        entries[2] = panel.find(0x8021)->popup_entries;
        return 0;
    });
    run.document.layers[0].vmap(LWVMAP_WGHT, "A", 1);
    run.document.layers[1].vmap(LWVMAP_WGHT, "B", 1);
    run.run();
    for (const auto& e : entries) EXPECT_EQ(e, (std::vector<std::string>{"none", "A", "B"}));
}

TEST(Panel, EnableRulesRefuseWithTheirMessages) {
    std::vector<std::string> refusals;
    bool absolute_enabled = false;
    CloneRun run = panel_run([&](host::Panel& panel) {
        // Defaults: P Align on, slope limits off, linked sizes, no size map, no area dependence.
        EXPECT_FALSE(panel.set(0x8021, 1));  // "P angle weightmap" is enabled while P Align is on
        panel.set(0x8020, 0);
        for (unsigned long id : {0x8021ul, 0x8015ul, 0x8014ul, 0x8004ul, 0x8005ul, 0x8018ul, 0x800cul}) {
            auto refused = panel.set(id, id == 0x8021 ? host::PanelValue(0) : host::PanelValue(0.5));
            refusals.push_back(refused ? *refused : "accepted");
        }
        absolute_enabled = panel.enabled(0x8022);
        return 0;
    });
    run.run();
    EXPECT_EQ(refusals, (std::vector<std::string>{"P Align should be enabled.", "Slope Angle is Disabled",
                                                  "Slope Angle is Disabled", "Size axes are linked",
                                                  "Size axes are linked", "Choose any weightmap first",
                                                  "Control is disabled. Turn 'Size Depends on Poly Area' on first"}));
    EXPECT_TRUE(absolute_enabled);
}

TEST(Panel, ResetValuesThenOkStoresTheDefaults) {
    CloneRun run = panel_run([](host::Panel& panel) {
        panel.set(0x8002, 7);
        return 1;
    });
    run.run();
    ASSERT_EQ(par.num_clones, 7);
    run.reset_record = false;
    par.seed = 99;
    run.front = [](host::Panel& panel) {
        EXPECT_FALSE(panel.press(0x8019));
        return 1;
    };
    run.run();
    params_typ defaults;
    for (int i = 0; i < panel_row_count; ++i) {
        const panel_row& f = panel_rows[i];
        if (f.int_field) {
            EXPECT_EQ(par.*f.int_field, defaults.*f.int_field) << f.field;
        } else if (f.double_field) {
            EXPECT_EQ(par.*f.double_field, defaults.*f.double_field) << f.field;
        }
    }
}

TEST(Panel, ResetValuesThenCancelKeepsTheRecord) {
    CloneRun run = panel_run([](host::Panel& panel) {
        panel.set(0x8012, 77);
        return 1;
    });
    run.run();
    run.reset_record = false;
    run.front = [](host::Panel& panel) {
        panel.press(0x8019);
        EXPECT_EQ(std::get<int>(panel.find(0x8012)->value()), 25);  // the control shows the default
        return 0;
    };
    run.run();
    EXPECT_EQ(par.seed, 77);
}

TEST(Panel, ZeroAnglesClearsOnlyTheSixRotationLimits) {
    CloneRun run = panel_run([](host::Panel& panel) {
        panel.set(0x8015, 1.0);  // disabled: refused, stays at its default
        panel.press(0x801a);
        return 1;
    });
    run.settings = nullptr;
    run.run();
    EXPECT_EQ(par.H_min, 0.0);
    EXPECT_EQ(par.H_max, 0.0);
    EXPECT_EQ(par.P_min, 0.0);
    EXPECT_EQ(par.P_max, 0.0);
    EXPECT_EQ(par.B_min, 0.0);
    EXPECT_EQ(par.B_max, 0.0);
    EXPECT_EQ(par.slope_max, 3.1415);
    EXPECT_EQ(par.size_var_x, 0.25);
}

TEST(Panel, AboutShowsItsMessageWhileThePanelIsUp) {
    CloneRun run = panel_run([](host::Panel& panel) {
        panel.press(0x8001);
        return 0;
    });
    RunReport r = run.run();
    ASSERT_EQ(r.activation.messages.size(), 1u);
    EXPECT_EQ(r.activation.messages[0].kind, host::MessageKind::Info);
    EXPECT_EQ(r.activation.messages[0].line1, kAboutLine1);
    EXPECT_EQ(r.activation.messages[0].line2, std::string(kAboutLine2));
}

TEST(Panel, DisabledValuesStillTravelBetweenRecordAndPanel) {
    double shown_y = 0;
    CloneRun run = panel_run([&](host::Panel& panel) {
        shown_y = std::get<double>(panel.find(0x8004)->value());
        return 1;
    });
    run.reset_record = false;
    par = params_typ();
    par.size_var_y = 0.625;  // "Y" is disabled while the sizes are linked
    run.run();
    EXPECT_EQ(shown_y, 0.625);
    EXPECT_EQ(par.size_var_y, 0.625);
}

}  // namespace
}  // namespace zelkor::testing
