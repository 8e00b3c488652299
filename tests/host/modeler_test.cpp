// Activations of a mesh-edit server written in the test, as a module would write it.
#include "host/modeler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/handles.h"
#include "tests/host/test_mesh.h"

namespace zelkor::host {
namespace {

using testing::add_layer;
using testing::add_up_quad;

// What the test server does in one activation; it reads this through its server data.
struct Script {
    std::vector<std::string> lookups;  // names to look up, the answers go to `found`
    std::vector<bool> found;
    bool open_twice = false;
    bool second_open = false;
    int add_points = 0;
    bool call_done = true;
    EDError done_error = EDERR_NONE;
    int version = -1;
};

int test_activate(int version, GlobalFunc global, void* local, void* server_data) {
    auto* script = static_cast<Script*>(server_data);
    script->version = version;
    for (const std::string& name : script->lookups) script->found.push_back(global(name.c_str(), GFUSE_TRANSIENT) != nullptr);
    if (void* messages = global(LWMESSAGEFUNCS_GLOBAL, GFUSE_TRANSIENT))
        static_cast<LWMessageFuncs*>(messages)->info("started", nullptr);
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
        add_up_quad(add_layer(document, 0), 0, 0);
        add_up_quad(add_layer(document, 1), 0, 1);
        modeler.set_layers({0}, {1});
    }
    ActivationResult activate() { return modeler.activate(kServers[1], &script); }
};

TEST_F(ModelerTest, LooksServicesUpByTheirExactNames) {
    script.lookups = {"Info Messages 2", "Scene Objects 6", "LWXPanel", "LWM: Dynamic Monitor",
                      "Info Messages", "lwxpanel", "Host Display Info", ""};
    const ActivationResult r = activate();
    EXPECT_EQ(script.found, (std::vector<bool>{true, true, true, true, false, false, false, false}));
    EXPECT_EQ(script.version, kActivationVersion);
    EXPECT_EQ(r.code, AFUNC_OK);
}

TEST_F(ModelerTest, SwitchedOffServicesAreUnknown) {
    modeler.set_service_enabled(Service::Messages, false);
    modeler.set_service_enabled(Service::Monitors, false);
    script.lookups = {"Info Messages 2", "Scene Objects 6", "LWXPanel", "LWM: Dynamic Monitor"};
    const ActivationResult r = activate();
    EXPECT_EQ(script.found, (std::vector<bool>{false, true, true, false}));
    EXPECT_TRUE(r.messages.empty());
    EXPECT_FALSE(modeler.service_enabled(Service::Messages));
    EXPECT_TRUE(modeler.service_enabled(Service::Panels));
}

TEST_F(ModelerTest, ReportsWhatTheActivationDid) {
    script.add_points = 3;
    const ActivationResult r = activate();
    EXPECT_EQ(r.code, AFUNC_OK);
    EXPECT_TRUE(r.session_opened);
    EXPECT_TRUE(r.session.done_called);
    EXPECT_EQ(r.session.error, EDERR_NONE);
    EXPECT_TRUE(r.session.kept);
    EXPECT_EQ(r.session.points_added, 3u);
    EXPECT_EQ(document.layers[0].point_count(), 7u);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].line1, "started");

    // The next activation reports only its own messages.
    const ActivationResult again = activate();
    EXPECT_EQ(again.messages.size(), 1u);
    EXPECT_EQ(modeler.messages().messages().size(), 2u);
}

TEST_F(ModelerTest, DoneWithAnErrorDiscardsTheEdits) {
    script.add_points = 3;
    script.done_error = EDERR_USERABORT;
    const ActivationResult r = activate();
    EXPECT_TRUE(r.session.done_called);
    EXPECT_EQ(r.session.error, EDERR_USERABORT);
    EXPECT_FALSE(r.session.kept);
    EXPECT_EQ(document.layers[0].point_count(), 4u);
}

TEST_F(ModelerTest, ASessionLeftOpenIsTakenBack) {
    script.add_points = 2;
    script.call_done = false;
    const std::string before = testing::dump(document);
    const ActivationResult r = activate();
    EXPECT_TRUE(r.session_opened);
    EXPECT_FALSE(r.session.done_called);
    EXPECT_EQ(r.session.points_added, 2u);
    EXPECT_EQ(testing::dump(document), before);
}

TEST_F(ModelerTest, OneSessionAtATime) {
    script.open_twice = true;
    activate();
    EXPECT_FALSE(script.second_open);
}

TEST_F(ModelerTest, MeshEditBeginCanBeMadeToFail) {
    modeler.set_mesh_edit_available(false);
    const ActivationResult r = activate();
    EXPECT_EQ(r.code, AFUNC_BADAPP);
    EXPECT_FALSE(r.session_opened);
    EXPECT_FALSE(r.session.done_called);
}

TEST_F(ModelerTest, OutsideAnActivationNothingIsOffered) {
    EXPECT_EQ(Modeler::lookup(LWMESSAGEFUNCS_GLOBAL, 0), nullptr);
    EXPECT_EQ(Modeler::begin_mesh_edit(0, 0, OPSEL_USER), nullptr);
}

TEST_F(ModelerTest, ObjectServiceListsTheDocumentAtActivation) {
    document.layers[1].vmap(LWVMAP_WGHT, "Moss", 1);
    struct Seen {
        int count = -1;
        std::string name;
    };
    static Seen seen;
    const ServerRecord server = {LWMESHEDIT_CLASS, "Names", [](int, GlobalFunc global, void*, void*) {
        auto* objects = static_cast<LWObjectFuncs*>(global(LWOBJECTFUNCS_GLOBAL, 0));
        seen.count = objects->numVMaps(LWVMAP_WGHT);
        seen.name = objects->vmapName(LWVMAP_WGHT, 0);
        return AFUNC_OK;
    }, nullptr};
    const ActivationResult r = modeler.activate(server, nullptr);
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.name, "Moss");
    EXPECT_FALSE(r.session_opened);
}

TEST_F(ModelerTest, RefusesBadLayerSets) {
    try {
        modeler.set_layers({0}, {2});
        FAIL() << "accepted a missing layer";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "no layer at index 2 (the document has 2)");
    }
    try {
        modeler.set_layers({1}, {1});
        FAIL() << "accepted a layer in both sets";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "layer at index 1 cannot be both foreground and background");
    }
    EXPECT_EQ(modeler.foreground(), std::vector<int>{0});
    EXPECT_EQ(modeler.background(), std::vector<int>{1});
}

// ---------------------------------------------------------------------------------------------
// A descriptor linked into the program

int startups = 0;
int shutdowns = 0;
Script linked_script;
void* test_startup() {
    ++startups;
    return &linked_script;
}
void test_shutdown(void* data) {
    EXPECT_EQ(data, &linked_script);
    ++shutdowns;
}

TEST_F(ModelerTest, RunsTheServerOfALinkedModule) {
    startups = shutdowns = 0;
    const ModuleDescriptor descriptor = {MOD_SYSSYNC, MOD_SYSVER, MOD_MACHINE, test_startup, test_shutdown, kServers};
    {
        Module module = Module::linked(descriptor);
        EXPECT_EQ(startups, 1);
        linked_script = Script{};
        linked_script.add_points = 1;
        const ActivationResult r = modeler.run(module, "Test");
        EXPECT_TRUE(r.session.kept);
        EXPECT_EQ(r.session.points_added, 1u);
        EXPECT_EQ(linked_script.version, kActivationVersion);  // the server data came from startup
        try {
            modeler.run(module, "Zelkor");
            FAIL() << "ran a missing server";
        } catch (const ModuleError& e) {
            EXPECT_STREQ(e.what(), "linked module has no MeshDataEdit server named Zelkor");
        }
        EXPECT_EQ(shutdowns, 0);
    }
    EXPECT_EQ(shutdowns, 1);
}

}  // namespace
}  // namespace zelkor::host
