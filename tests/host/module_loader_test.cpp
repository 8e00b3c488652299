// Loading modules and the errors a user sees when a module cannot be used.
#include "host/module_loader.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

namespace zelkor::host {
namespace {

std::string module_error(auto&& action) {
    try {
        action();
    } catch (const ModuleError& e) {
        return e.what();
    }
    return "no error";
}

void* good_startup() { return reinterpret_cast<void*>(4); }

const ServerRecord kNoServers[] = {{nullptr, nullptr, nullptr, nullptr}};

TEST(ModuleLoader, FilesThatAreNotModules) {
    EXPECT_EQ(module_error([] { Module::load("/nonexistent/zelkor.so"); }), "module file not found: /nonexistent/zelkor.so");

    const std::string text = (std::filesystem::temp_directory_path() / ("zelkor_host_test_" + std::to_string(getpid()))).string();
    std::ofstream(text) << "just some text\n";
    const std::string error = module_error([&] { Module::load(text); });
    std::filesystem::remove(text);
    const std::string prefix = "cannot load module " + text + ": ";
    EXPECT_EQ(error.substr(0, prefix.size()), prefix) << error;
    EXPECT_GT(error.size(), prefix.size());  // the loader's reason follows, on the same line
    EXPECT_EQ(error.find('\n'), std::string::npos);

    // The C maths library is a real shared library that is certainly not a module.
    Dl_info info{};
    double (*cosine)(double) = std::cos;
    ASSERT_NE(dladdr(reinterpret_cast<void*>(cosine), &info), 0);
    const std::string maths = info.dli_fname;
    EXPECT_EQ(module_error([&] { Module::load(maths); }), maths + " is not a module: no _mod_descrip symbol");
}

TEST(ModuleLoader, DescriptorChecks) {
    const ModuleDescriptor wrong_sync = {0x1234, MOD_SYSVER, MOD_MACHINE, good_startup, nullptr, kNoServers};
    EXPECT_EQ(module_error([&] { Module::linked(wrong_sync, "m.so"); }),
              "m.so: wrong module sync word 0x1234, expected 0x4121994");
    const ModuleDescriptor wrong_version = {MOD_SYSSYNC, 4, MOD_MACHINE, good_startup, nullptr, kNoServers};
    EXPECT_EQ(module_error([&] { Module::linked(wrong_version, "m.so"); }),
              "m.so: module system version 4, this host supports 3");
    const ModuleDescriptor failing = {MOD_SYSSYNC, MOD_SYSVER, MOD_MACHINE, [] { return static_cast<void*>(nullptr); },
                                      nullptr, kNoServers};
    EXPECT_EQ(module_error([&] { Module::linked(failing, "m.so"); }), "m.so: module startup failed");
    const ModuleDescriptor empty = {MOD_SYSSYNC, MOD_SYSVER, MOD_MACHINE, good_startup, nullptr, kNoServers};
    Module module = Module::linked(empty, "m.so");
    EXPECT_EQ(module.server_data(), reinterpret_cast<void*>(4));
    EXPECT_EQ(module_error([&] { module.server(LWMESHEDIT_CLASS, "Zelkor"); }),
              "m.so has no MeshDataEdit server named Zelkor");
}

TEST(ModuleLoader, MovedModuleShutsDownOnce) {
    static int shutdowns = 0;
    const ModuleDescriptor descriptor = {MOD_SYSSYNC, MOD_SYSVER, MOD_MACHINE, good_startup,
                                         [](void*) { ++shutdowns; }, kNoServers};
    {
        Module a = Module::linked(descriptor);
        Module b = std::move(a);
        Module c = Module::linked(descriptor);
        c = std::move(b);  // c's own module shuts down here
        EXPECT_EQ(shutdowns, 1);
    }
    EXPECT_EQ(shutdowns, 2);
}

}  // namespace
}  // namespace zelkor::host
