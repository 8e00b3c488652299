// Modules and why one is refused, and activations of a mesh-edit server written in the test as a
// module would write it.
#include "host/modeler.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/host/test_mesh.h"

namespace zelkor::host {
namespace {

// The message of the error `action` throws.
template <class Error = ModuleError>
std::string error_of(auto&& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

void* good_startup() { return reinterpret_cast<void*>(4); }
const ServerRecord kServers[] = {{"Other", "Zelkor", nullptr, nullptr}, {LWMESHEDIT_CLASS, "Zelkor", nullptr, nullptr}, {}};

TEST(ModuleLoader, FilesThatAreNotModules) {
    EXPECT_EQ(error_of([] { Module::load("/nonexistent/zelkor.so"); }), "module file not found: /nonexistent/zelkor.so");
    const std::string text = __FILE__;  // this source file
    const std::string error = error_of([&] { Module::load(text); });
    const std::string prefix = "cannot load module " + text + ": ";
    EXPECT_EQ(error.substr(0, prefix.size()), prefix) << error;
    EXPECT_GT(error.size(), prefix.size());  // the loader's reason follows, on the same line
    EXPECT_EQ(error.find('\n'), std::string::npos);
    // The C maths library is a real shared library that is certainly not a module.
    Dl_info info{};
    double (*cosine)(double) = std::cos;
    ASSERT_NE(dladdr(reinterpret_cast<void*>(cosine), &info), 0);
    const std::string maths = info.dli_fname;
    EXPECT_EQ(error_of([&] { Module::load(maths); }), maths + " is not a module: no _mod_descrip symbol");
}

TEST(ModuleLoader, DescriptorChecksAndServerLookup) {
    const struct { ModuleDescriptor descriptor; const char* error; } cases[] = {
        {{0x1234, MOD_SYSVER, MOD_MACHINE, good_startup, nullptr, kServers},
         "m.so: wrong module sync word 0x1234, expected 0x4121994"},
        {{MOD_SYSSYNC, 4, MOD_MACHINE, good_startup, nullptr, kServers}, "m.so: module system version 4, this host supports 3"},
        {{MOD_SYSSYNC, MOD_SYSVER, MOD_MACHINE, [] { return static_cast<void*>(nullptr); }, nullptr, kServers},
         "m.so: module startup failed"},
    };
    for (const auto& c : cases) EXPECT_EQ(error_of([&] { Module::linked(c.descriptor, "m.so"); }), c.error);
    // A module keeps its descriptor's address, as the loader keeps a library's: it must outlive it.
    static const ModuleDescriptor good{MOD_SYSSYNC, MOD_SYSVER, MOD_MACHINE, good_startup, nullptr, kServers};
    Module module = Module::linked(good, "m.so");
    EXPECT_EQ(module.server_data(), reinterpret_cast<void*>(4));
    EXPECT_EQ(&module.server(LWMESHEDIT_CLASS, "Zelkor"), &kServers[1]);  // found by class and name
    EXPECT_EQ(error_of([&] { module.server(LWMESHEDIT_CLASS, "Other"); }), "m.so has no MeshDataEdit server named Other");
}

TEST(ModuleLoader, MovedModuleShutsDownOnce) {
    static int shutdowns;
    shutdowns = 0;
    const ModuleDescriptor descriptor = {MOD_SYSSYNC, MOD_SYSVER, MOD_MACHINE, good_startup, [](void*) { ++shutdowns; }, kServers};
    {
        Module a = Module::linked(descriptor);
        Module b = std::move(a);
        Module c = Module::linked(descriptor);
        c = std::move(b);  // c's own module shuts down here
        EXPECT_EQ(shutdowns, 1);
    }
    EXPECT_EQ(shutdowns, 2);
}

struct ModelerTest : ::testing::Test {
    Document document = testing::scene();
    Modeler modeler{document};  // foreground: layer 0
    ActivationResult activate(ActivateFunc server, void* data = nullptr) {
        return modeler.activate({LWMESHEDIT_CLASS, "Test", server, nullptr}, data);
    }
};

std::vector<bool> found;  // whether each name below was offered, in order
int look_up(int version, GlobalFunc global, void* local, void*) {
    found.clear();
    for (const char* name : {"Info Messages 2", "Scene Objects 6", "LWXPanel", "LWM: Dynamic Monitor", "Info Messages",
                             "lwxpanel", "Host Display Info", ""})
        found.push_back(global(name, GFUSE_TRANSIENT) != nullptr);
    return reinterpret_cast<MeshEditBegin>(local)(0, 0, OPSEL_USER) ? version : AFUNC_BADAPP;
}

TEST_F(ModelerTest, OffersServicesByTheirExactNamesOnlyInsideAnActivation) {
    EXPECT_EQ(activate(look_up).code, kActivationVersion);  // the server returns the version it was given
    EXPECT_EQ(found, (std::vector<bool>{true, true, true, true, false, false, false, false}));
    modeler.set_service_enabled(Service::Messages, false);
    modeler.set_service_enabled(Service::Monitors, false);
    modeler.set_mesh_edit_available(false);
    const ActivationResult r = activate(look_up);
    EXPECT_EQ(found, (std::vector<bool>{false, true, true, false, false, false, false, false}));
    EXPECT_EQ(r.code, AFUNC_BADAPP);
    EXPECT_FALSE(r.session_opened);
    EXPECT_EQ(Modeler::lookup(LWOBJECTFUNCS_GLOBAL, 0), nullptr);
    EXPECT_EQ(Modeler::begin_mesh_edit(0, 0, OPSEL_USER), nullptr);
}

// Says "started", opens a session (a second is refused while it is open), adds three points and
// closes it with done(*data), or leaves it open when *data is -1.
int add_three_points(int, GlobalFunc global, void* local, void* data) {
    static_cast<LWMessageFuncs*>(global(LWMESSAGEFUNCS_GLOBAL, GFUSE_TRANSIENT))->info("started", nullptr);
    auto begin = reinterpret_cast<MeshEditBegin>(local);
    MeshEditOp* op = begin(0, 0, OPSEL_USER);
    if (begin(0, 0, OPSEL_USER)) return AFUNC_BADAPP;
    double at[3] = {1, 2, 3};
    for (int k = 0; k < 3; ++k) op->addPoint(op->state, at);
    if (*static_cast<int*>(data) >= 0) op->done(op->state, *static_cast<int*>(data), 0);
    return AFUNC_OK;
}

// A session closed with an error, or left open, takes its edits back; each activation reports only
// its own messages.
TEST_F(ModelerTest, KeepsTheEditsOnlyWhenDoneSaysNone) {
    const std::string before = testing::dump(document);
    for (int done : {-1, EDERR_USERABORT, EDERR_NONE}) {
        const ActivationResult r = activate(add_three_points, &done);
        EXPECT_EQ(r.code, AFUNC_OK) << done;
        EXPECT_EQ(r.session.done_called, done >= 0) << done;
        EXPECT_EQ(r.session.error, std::max(done, 0)) << done;
        EXPECT_EQ(r.session.kept, done == EDERR_NONE) << done;
        EXPECT_EQ(testing::dump(document) == before, done != EDERR_NONE) << done;
        ASSERT_EQ(r.messages.size(), 1u);
        EXPECT_EQ(r.messages[0].line1, "started");
    }
}

TEST_F(ModelerTest, RefusesBadLayerSets) {
    modeler.set_layers({0}, {1});
    auto error = [&](std::vector<int> fg, std::vector<int> bg) {
        return error_of<std::invalid_argument>([&] { modeler.set_layers(fg, bg); });
    };
    EXPECT_EQ(error({0}, {3}), "no layer at index 3 (the document has 3)");
    EXPECT_EQ(error({-1}, {}), "no layer at index -1 (the document has 3)");
    EXPECT_EQ(error({1}, {1}), "layer at index 1 cannot be both foreground and background");
    EXPECT_EQ(modeler.foreground(), std::vector<int>{0});  // a refused set changes nothing
    EXPECT_EQ(modeler.background(), std::vector<int>{1});
}

}  // namespace
}  // namespace zelkor::host
