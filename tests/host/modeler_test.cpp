// Activations of a mesh-edit server written in the test, as a module would write it.
#include "host/modeler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host/test_mesh.h"

namespace zelkor::host {
namespace {

// What the test server does in one activation; it reads this through its server data.
struct Script {
    std::vector<std::string> lookups;  // names to look up, the answers go to `found`
    std::vector<bool> found;
    bool open_twice = false, second_open = false;
    int add_points = 0;
    bool call_done = true;
    EDError done_error = EDERR_NONE;
    int version = -1;
    std::string first_weight_map;  // as the object service names it
};

int test_activate(int version, GlobalFunc global, void* local, void* server_data) {
    auto* script = static_cast<Script*>(server_data);
    script->version = version;
    for (const std::string& name : script->lookups) script->found.push_back(global(name.c_str(), GFUSE_TRANSIENT) != nullptr);
    if (void* messages = global(LWMESSAGEFUNCS_GLOBAL, GFUSE_TRANSIENT))
        static_cast<LWMessageFuncs*>(messages)->info("started", nullptr);
    auto* objects = static_cast<LWObjectFuncs*>(global(LWOBJECTFUNCS_GLOBAL, GFUSE_TRANSIENT));
    if (objects && objects->numVMaps(LWVMAP_WGHT) > 0) script->first_weight_map = objects->vmapName(LWVMAP_WGHT, 0);
    MeshEditOp* op = reinterpret_cast<MeshEditBegin>(local)(0, 0, OPSEL_USER);
    if (!op) return AFUNC_BADAPP;
    if (script->open_twice) script->second_open = reinterpret_cast<MeshEditBegin>(local)(0, 0, OPSEL_USER) != nullptr;
    for (int k = 0; k < script->add_points; ++k) {
        double at[3] = {double(k), 0, 0};
        op->addPoint(op->state, at);
    }
    if (script->call_done) op->done(op->state, script->done_error, 0);
    return AFUNC_OK;
}

const ServerRecord kServers[] = {
    {"Other", "Test", test_activate, nullptr},
    {LWMESHEDIT_CLASS, "Test", test_activate, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};

struct ModelerTest : ::testing::Test {
    Document document;
    Modeler modeler{document};
    Script script;

    void SetUp() override {
        testing::add_up_quad(testing::add_layer(document, 0), 0, 0);
        testing::add_up_quad(testing::add_layer(document, 1), 0, 1);
        modeler.set_layers({0}, {1});
    }
    ActivationResult activate() { return modeler.activate(kServers[1], &script); }
};

TEST_F(ModelerTest, LooksServicesUpByTheirExactNames) {
    document.layers[1].vmap(LWVMAP_WGHT, "Moss", 1);  // listed as the document is at activation
    script.lookups = {"Info Messages 2", "Scene Objects 6", "LWXPanel", "LWM: Dynamic Monitor",
                      "Info Messages", "lwxpanel", "Host Display Info", ""};
    EXPECT_EQ(activate().code, AFUNC_OK);
    EXPECT_EQ(script.found, (std::vector<bool>{true, true, true, true, false, false, false, false}));
    EXPECT_EQ(script.version, kActivationVersion);
    EXPECT_EQ(script.first_weight_map, "Moss");

    modeler.set_service_enabled(Service::Messages, false);
    modeler.set_service_enabled(Service::Monitors, false);
    script.found.clear();
    const ActivationResult r = activate();
    EXPECT_EQ(script.found, (std::vector<bool>{false, true, true, false, false, false, false, false}));
    EXPECT_TRUE(r.messages.empty());
}

TEST_F(ModelerTest, ReportsWhatTheActivationDid) {
    script.add_points = 3;
    const ActivationResult r = activate();
    EXPECT_TRUE(r.session_opened);
    EXPECT_TRUE(r.session.done_called);
    EXPECT_TRUE(r.session.kept);
    EXPECT_EQ(r.session.points_added, 3u);
    EXPECT_EQ(document.layers[0].point_count(), 7u);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].line1, "started");
    // The next activation reports only its own messages.
    EXPECT_EQ(activate().messages.size(), 1u);
    EXPECT_EQ(modeler.messages().messages().size(), 2u);
}

TEST_F(ModelerTest, AnErrorOrASessionLeftOpenDiscardsTheEdits) {
    const std::string before = testing::dump(document);
    script.add_points = 3;
    script.done_error = EDERR_USERABORT;
    ActivationResult r = activate();
    EXPECT_EQ(r.session.error, EDERR_USERABORT);
    EXPECT_FALSE(r.session.kept);
    EXPECT_EQ(testing::dump(document), before);
    script.call_done = false;
    r = activate();
    EXPECT_TRUE(r.session_opened);
    EXPECT_FALSE(r.session.done_called);
    EXPECT_EQ(r.session.points_added, 3u);
    EXPECT_EQ(testing::dump(document), before);
}

TEST_F(ModelerTest, OneSessionAtATimeAndOnlyWhenAvailable) {
    script.open_twice = true;
    activate();
    EXPECT_FALSE(script.second_open);
    modeler.set_mesh_edit_available(false);
    const ActivationResult r = activate();
    EXPECT_EQ(r.code, AFUNC_BADAPP);
    EXPECT_FALSE(r.session_opened);
    // Outside an activation nothing is offered.
    EXPECT_EQ(Modeler::lookup(LWMESSAGEFUNCS_GLOBAL, 0), nullptr);
    EXPECT_EQ(Modeler::begin_mesh_edit(0, 0, OPSEL_USER), nullptr);
}

TEST_F(ModelerTest, RefusesBadLayerSets) {
    auto error = [&](std::vector<int> fg, std::vector<int> bg) -> std::string {
        try {
            modeler.set_layers(fg, bg);
        } catch (const std::invalid_argument& e) {
            return e.what();
        }
        return "accepted";
    };
    EXPECT_EQ(error({0}, {2}), "no layer at index 2 (the document has 2)");
    EXPECT_EQ(error({1}, {1}), "layer at index 1 cannot be both foreground and background");
    EXPECT_EQ(modeler.foreground(), std::vector<int>{0});
    EXPECT_EQ(modeler.background(), std::vector<int>{1});
}

int shutdowns = 0;
Script linked_script;

TEST_F(ModelerTest, RunsTheServerOfALinkedModule) {
    shutdowns = 0;
    const ModuleDescriptor descriptor = {MOD_SYSSYNC, MOD_SYSVER, MOD_MACHINE, [] { return static_cast<void*>(&linked_script); },
                                         [](void* data) { shutdowns += data == &linked_script; }, kServers};
    {
        Module module = Module::linked(descriptor);
        linked_script.add_points = 1;
        const ActivationResult r = modeler.run(module, "Test");
        EXPECT_EQ(r.session.points_added, 1u);
        EXPECT_EQ(linked_script.version, kActivationVersion);  // the server data came from startup
        EXPECT_EQ(shutdowns, 0);
    }
    EXPECT_EQ(shutdowns, 1);
}

}  // namespace
}  // namespace zelkor::host
