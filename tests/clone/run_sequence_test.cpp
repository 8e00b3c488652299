// The activation from start to end: its checks and messages, the error handed to done, the panel's
// OK and cancel, and the monitors.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "clone/globals.h"
#include "clone_run.h"

namespace zelkor::testing {
namespace {

using host::Message;
using host::MessageKind;

CloneRun quad_over_grid(int cells = 4) {
    CloneRun run;
    run.document.layers.push_back(grid_layer(cells, cells));
    run.document.layers.push_back(quad_layer());
    return run;
}

void expect_single_error(const RunReport& r, const std::string& line1, std::optional<std::string> line2) {
    ASSERT_EQ(r.activation.messages.size(), 1u);
    const Message& m = r.activation.messages[0];
    EXPECT_EQ(m.kind, MessageKind::Error);
    EXPECT_EQ(m.line1, line1);
    EXPECT_EQ(m.line2, line2);
}

TEST(RunSequence, EmptyForegroundComesFirstEvenWithEmptyBackground) {
    CloneRun run;
    run.document.layers.resize(2);
    RunReport r = run.run();
    expect_single_error(r, "Need some polys to clone on them", std::nullopt);
    EXPECT_TRUE(r.activation.session.done_called);
    EXPECT_EQ(r.activation.session.error, EDERR_NONE);
    EXPECT_EQ(r.activation.code, 0);
}

TEST(RunSequence, OnlySubdivisionPolygonsSelectedIsRefused) {
    CloneRun run = quad_over_grid(1);
    host::Layer& target = run.document.layers[0];
    target.poly_type[0] = LWPOLTYPE_PTCH;
    std::uint32_t curve[2] = {0, 1};
    target.add_polygon(LWPOLTYPE_CURV, curve);
    RunReport r = run.run();
    expect_single_error(r, "SubDivs not supported in the foreground Layer", std::nullopt);
    EXPECT_EQ(r.activation.session.error, EDERR_NONE);
    EXPECT_EQ(r.activation.session.points_added, 0u);
}

TEST(RunSequence, EmptyBackgroundIsRefusedAfterTheForegroundChecks) {
    CloneRun run = quad_over_grid();
    run.document.layers[1] = host::Layer();
    RunReport r = run.run();
    expect_single_error(r, "Need some geometry in the background layer(s) to clone", std::nullopt);
    EXPECT_EQ(r.activation.session.error, EDERR_NONE);
    EXPECT_TRUE(r.activation.session.kept);
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

TEST(RunSequence, SlopeWindowThatRejectsEverythingEndsWithTwoLines) {
    CloneRun run = quad_over_grid();
    run.settings = [](params_typ& p) {
        p.slope_limits = 1;
        p.slope_min = 0.5;  // the grid faces straight up: slope 0
    };
    RunReport r = run.run();
    expect_single_error(r, "Change slope angle settings", std::string("There are no valid polys to clone on."));
    EXPECT_EQ(r.activation.session.points_added, 0u);
    EXPECT_FALSE(r.summary);
    EXPECT_EQ(poly_data, nullptr);  // free_memory ran
}

TEST(RunSequence, MinimumAboveMaximumRejectsEveryPolygon) {
    CloneRun run = quad_over_grid();
    run.settings = [](params_typ& p) {
        p.slope_limits = 1;
        p.slope_min = 1.0;
        p.slope_max = 0.5;
    };
    RunReport r = run.run();
    expect_single_error(r, "Change slope angle settings", std::string("There are no valid polys to clone on."));
}

TEST(RunSequence, WithoutAMeshEditTheActivationReturnsThreeSilently) {
    CloneRun run = quad_over_grid();
    run.prepare = [](host::Modeler& m) { m.set_mesh_edit_available(false); };
    RunReport r = run.run();
    EXPECT_EQ(r.activation.code, 3);
    EXPECT_TRUE(r.activation.messages.empty());
    EXPECT_FALSE(r.activation.session.done_called);
}

TEST(RunSequence, MissingPanelOrObjectServiceEndsLikeACancel) {
    for (host::Service missing : {host::Service::Panels, host::Service::Objects}) {
        CloneRun run = quad_over_grid();
        run.prepare = [missing](host::Modeler& m) { m.set_service_enabled(missing, false); };
        RunReport r = run.run();
        EXPECT_EQ(r.activation.code, 0);
        EXPECT_TRUE(r.activation.messages.empty());
        EXPECT_TRUE(r.activation.session.done_called);
        EXPECT_EQ(r.activation.session.points_added, 0u);
    }
}

TEST(RunSequence, MissingMessageServiceStillEndsTheRun) {
    CloneRun run;
    run.document.layers.resize(2);
    run.prepare = [](host::Modeler& m) { m.set_service_enabled(host::Service::Messages, false); };
    RunReport r = run.run();
    EXPECT_TRUE(r.activation.messages.empty());
    EXPECT_TRUE(r.activation.session.done_called);
}

TEST(RunSequence, CancelLeavesTheRecordAsItWas) {
    CloneRun run = quad_over_grid();
    run.settings = [](params_typ& p) { p.num_clones = 3; };
    run.run();  // confirmed: the record now holds 3 clones
    ASSERT_EQ(par.num_clones, 3);

    run.reset_record = false;
    run.cancel = true;
    run.settings = [](params_typ& p) {
        p.num_clones = 99;
        p.seed = 1234;
    };
    RunReport r = run.run();
    EXPECT_EQ(par.num_clones, 3);
    EXPECT_EQ(par.seed, 25);
    EXPECT_TRUE(r.activation.messages.empty());
    EXPECT_EQ(r.activation.session.points_added, 0u);
    EXPECT_TRUE(r.activation.session.done_called);
    EXPECT_EQ(r.activation.session.error, EDERR_NONE);
}

TEST(RunSequence, ConfirmedValuesAreOfferedAgainAtTheNextRun) {
    CloneRun run = quad_over_grid();
    run.settings = [](params_typ& p) {
        p.num_clones = 5;
        p.jitter = 0.125;
    };
    run.run();
    run.reset_record = false;
    params_typ shown;
    run.front = [&shown](host::Panel& panel) {
        shown.num_clones = *static_cast<int*>(panel.form_get(0x8002));
        shown.jitter = *static_cast<double*>(panel.form_get(0x8013));
        return 0;
    };
    run.run();
    EXPECT_EQ(shown.num_clones, 5);
    EXPECT_EQ(shown.jitter, 0.125);
}

TEST(RunSequence, ZeroClonesInitialisesTheMonitorWithZeroAndAddsNothing) {
    CloneRun run = quad_over_grid();
    run.settings = [](params_typ& p) { p.num_clones = 0; };
    RunReport r = run.run();
    EXPECT_TRUE(r.activation.messages.empty());
    EXPECT_EQ(r.activation.session.points_added, 0u);
    EXPECT_TRUE(r.activation.session.kept);
    ASSERT_EQ(r.monitors.size(), 2u);
    for (const host::MonitorRecord& m : r.monitors) {
        EXPECT_TRUE(m.initialised);
        EXPECT_EQ(m.total, 0u);
        EXPECT_EQ(m.steps, 0u);
        EXPECT_TRUE(m.done && m.destroyed);
    }
}

TEST(RunSequence, MonitorsStepOncePerClone) {
    CloneRun run = quad_over_grid();
    run.settings = [](params_typ& p) { p.num_clones = 12; };
    RunReport r = run.run();
    ASSERT_EQ(r.monitors.size(), 2u);
    EXPECT_EQ(r.monitors[0].title, "Please wait");
    EXPECT_EQ(r.monitors[0].caption, "Randomising positions...");
    EXPECT_EQ(r.monitors[1].title, "Hello");
    EXPECT_EQ(r.monitors[1].caption, "Randomising positions...");
    for (const host::MonitorRecord& m : r.monitors) {
        EXPECT_EQ(m.total, 12u);
        EXPECT_EQ(m.steps, 12u);
    }
    EXPECT_EQ(par.akt_clone, 11);
}

TEST(RunSequence, AnAbortRequestFromTheMonitorDoesNotStopTheRun) {
    CloneRun run = quad_over_grid();
    run.settings = [](params_typ& p) { p.num_clones = 6; };
    run.prepare = [](host::Modeler& m) { m.monitors().set_step_answer(1); };
    RunReport r = run.run();
    EXPECT_EQ(r.activation.session.points_added, 24u);
}

TEST(RunSequence, RunMemoryIsReleasedAfterEveryRun) {
    CloneRun run = quad_over_grid();
    run.document.layers[1].vmap(LWVMAP_TXUV, "UV", 2);
    run.run();
    EXPECT_EQ(poly_data, nullptr);
    EXPECT_EQ(pos_list, nullptr);
    EXPECT_EQ(UVs, nullptr);
    EXPECT_EQ(IDs, nullptr);
    EXPECT_EQ(WG_val, nullptr);
}

// The run lives in module-wide variables: a second activation from another thread while the first
// shows its panel is refused with a message and touches nothing; the first then ends normally.
TEST(RunSequence, ASecondActivationWhileOneRunsIsRefused) {
    host::Document first_document, second_document;
    for (host::Document* d : {&first_document, &second_document}) {
        d->layers.push_back(grid_layer(2, 2));
        d->layers.push_back(quad_layer());
    }
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
    EXPECT_EQ(second.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(second.messages[0].line1, "Zelkor is already running");
    EXPECT_FALSE(second.session.done_called);
    EXPECT_EQ(second_document.layers[0].point_count(), 9u);
}

}  // namespace
}  // namespace zelkor::testing
