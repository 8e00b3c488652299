// The activation from start to end: its checks and messages, the error handed to done, the panel's
// OK and cancel, and the monitors.
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "clone/globals.h"
#include "clone_run.h"

namespace zelkor::testing {
namespace {

CloneRun quad_over_grid(std::function<void(params_typ&)> settings = nullptr) {
    return make_run(grid_layer(4, 4), quad_layer(), std::move(settings));
}

TEST(RunSequence, RefusedRunsShowOneErrorAndEndWithoutError) {
    using Line = std::optional<std::string>;
    const struct { const char* what; std::function<void(CloneRun&)> setup; std::string line1; Line line2; } cases[] = {
        {"empty foreground comes first, even with an empty background",
         [](CloneRun& run) { run.document.layers = {host::Layer(), host::Layer()}; },
         "Need some polys to clone on them", std::nullopt},
        {"only subdivision polygons and curves",
         [](CloneRun& run) {
             (run.document.layers[0] = grid_layer(1, 1)).poly_type[0] = LWPOLTYPE_PTCH;
             run.document.layers[0].add_polygon(LWPOLTYPE_CURV, std::vector<std::uint32_t>{0, 1});
         },
         "SubDivs not supported in the foreground Layer", std::nullopt},
        {"empty background", [](CloneRun& run) { run.document.layers[1] = host::Layer(); },
         "Need some geometry in the background layer(s) to clone", std::nullopt},
        {"slope window above the grid's slope 0",
         [](CloneRun& run) { run.settings = [](params_typ& p) { p.slope_limits = 1, p.slope_min = 0.5; }; },
         "Change slope angle settings", "There are no valid polys to clone on."},
        {"slope minimum above the maximum",
         [](CloneRun& run) { run.settings = [](params_typ& p) { p.slope_limits = 1, p.slope_min = 1.0, p.slope_max = 0.5; }; },
         "Change slope angle settings", "There are no valid polys to clone on."},
    };
    for (const auto& c : cases) {
        CloneRun run = quad_over_grid();
        c.setup(run);
        RunReport r = run.run();
        ASSERT_EQ(r.activation.messages.size(), 1u) << c.what;
        EXPECT_EQ(r.activation.messages[0].kind, host::MessageKind::Error) << c.what;
        EXPECT_EQ(r.activation.messages[0].line1, c.line1) << c.what;
        EXPECT_EQ(r.activation.messages[0].line2, c.line2) << c.what;
        EXPECT_EQ(r.activation.code, 0) << c.what;
        EXPECT_TRUE(r.activation.session.kept) << c.what;  // done was called with no error
        EXPECT_EQ(r.activation.session.points_added, 0u) << c.what;
        EXPECT_FALSE(r.summary) << c.what;
        EXPECT_EQ(poly_data, nullptr) << c.what;  // free_memory ran
    }
}

TEST(RunSequence, BackgroundPointsWithoutPolygonsPlaceClonesButCopyNothing) {
    CloneRun run = quad_over_grid();
    run.document.layers[1] = host::Layer();
    run.document.layers[1].add_point(0, 0, 0);
    RunReport r = run.run();
    EXPECT_TRUE(r.activation.messages.empty());
    EXPECT_EQ(r.clones.size(), 30u);
    EXPECT_EQ(r.activation.session.points_added, 0u);
}

// Without a mesh edit the activation returns 3; without panels or objects it ends like a cancel;
// without messages an empty foreground still ends the run. None shows a message.
TEST(RunSequence, MissingServicesEndTheRunSilently) {
    const struct { const char* what; std::function<void(host::Modeler&)> prepare; int code; bool done; } cases[] = {
        {"mesh edit", [](host::Modeler& m) { m.set_mesh_edit_available(false); }, 3, false},
        {"panels", [](host::Modeler& m) { m.set_service_enabled(host::Service::Panels, false); }, 0, true},
        {"objects", [](host::Modeler& m) { m.set_service_enabled(host::Service::Objects, false); }, 0, true},
        {"messages", [](host::Modeler& m) { m.set_service_enabled(host::Service::Messages, false); }, 0, true},
    };
    for (const auto& c : cases) {
        CloneRun run = quad_over_grid();
        if (c.what == std::string("messages")) run.document.layers[0] = host::Layer();
        run.prepare = c.prepare;
        RunReport r = run.run();
        EXPECT_EQ(r.activation.code, c.code) << c.what;
        EXPECT_TRUE(r.activation.messages.empty()) << c.what;
        EXPECT_EQ(r.activation.session.done_called, c.done) << c.what;
        EXPECT_EQ(r.activation.session.points_added, 0u) << c.what;
    }
}

TEST(RunSequence, ConfirmedValuesAreOfferedAgainAndCancelKeepsThem) {
    CloneRun run = quad_over_grid([](params_typ& p) { p.num_clones = 3, p.jitter = 0.125; });
    run.run();  // confirmed
    run.reset_record = false;
    std::pair<int, double> shown;  // clones and jitter
    run.front = [&](host::Panel& panel) {
        shown = {*static_cast<int*>(panel.form_get(control_id("num_clones"))),
                 *static_cast<double*>(panel.form_get(control_id("jitter")))};
        EXPECT_FALSE(panel.set(control_id("num_clones"), 99));
        EXPECT_FALSE(panel.set(control_id("seed"), 1234));
        return 0;
    };
    RunReport r = run.run();
    EXPECT_EQ(shown, std::pair(3, 0.125));
    EXPECT_EQ(std::pair(par.num_clones, par.seed), std::pair(3, 25)) << "clones and seed: the record is kept";
    EXPECT_TRUE(r.activation.messages.empty());
    EXPECT_EQ(r.activation.session.points_added, 0u);
    EXPECT_TRUE(r.activation.session.kept);  // done was called with no error
}

// A run steps its monitors once per clone, goes on when asked to abort, and frees its memory.
TEST(RunSequence, MonitorsStepOncePerCloneAnAbortRequestIsIgnoredAndMemoryIsFreed) {
    for (unsigned clones : {0u, 12u}) {
        CloneRun run = quad_over_grid([clones](params_typ& p) { p.num_clones = int(clones); });
        run.document.layers[1].vmap(LWVMAP_TXUV, "UV", 2);
        run.prepare = [](host::Modeler& m) { m.monitors().set_step_answer(1); };
        RunReport r = run.run();
        EXPECT_TRUE(r.activation.messages.empty());
        EXPECT_TRUE(r.activation.session.kept);
        EXPECT_EQ(r.activation.session.points_added, 4 * clones);
        ASSERT_EQ(r.monitors.size(), 2u);
        EXPECT_EQ(r.monitors[0].title, "Please wait");
        EXPECT_EQ(r.monitors[1].title, "Hello");
        for (const host::MonitorRecord& m : r.monitors) {
            EXPECT_EQ(m.caption, "Randomising positions...");
            EXPECT_TRUE(m.initialised && m.done && m.destroyed) << clones << " clones";
            EXPECT_EQ(std::pair(m.total, m.steps), std::pair(clones, clones)) << "total and steps";
        }
        EXPECT_TRUE(!poly_data && !pos_list && !UVs && !IDs && !WG_val) << "run memory left after " << clones << " clones";
    }
    EXPECT_EQ(par.akt_clone, 11);
}

// The run lives in module-wide variables: a second activation from another thread while the first
// shows its panel is refused with a message and touches nothing; the first then ends normally.
TEST(RunSequence, ASecondActivationWhileOneRunsIsRefused) {
    host::Document first_document = quad_over_grid().document, second_document = quad_over_grid().document;
    std::promise<void> posted, go_on;
    std::thread first([&] {
        host::Modeler modeler(first_document);
        modeler.set_layers({0}, {1});
        modeler.panels().set_front([&](host::Panel&) {
            posted.set_value();
            go_on.get_future().wait();
            return 0;
        });
        modeler.run(host::Module::linked(_mod_descrip), "Zelkor");
    });
    posted.get_future().wait();
    host::Modeler modeler(second_document);
    modeler.set_layers({0}, {1});
    const host::ActivationResult second = modeler.run(host::Module::linked(_mod_descrip), "Zelkor");
    go_on.set_value();
    first.join();
    ASSERT_EQ(second.messages.size(), 1u);
    EXPECT_EQ(second.messages[0].kind, host::MessageKind::Error);
    EXPECT_EQ(second.messages[0].line1, "Zelkor is already running");
    EXPECT_FALSE(second.session.done_called);
    EXPECT_EQ(second_document.layers[0].point_count(), 25u);
}

}  // namespace
}  // namespace zelkor::testing
