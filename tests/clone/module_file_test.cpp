// The built module file, loaded the way a modeller loads plug-ins, registers its server. (That it
// makes the same clones as the module linked in is checked by the command line's tests.)
#include <gtest/gtest.h>

#include "host/module_loader.h"

namespace zelkor {
namespace {

TEST(ModuleFile, LoadsThroughTheHostWithItsRegistration) {
    host::Module module = host::Module::load(ZELKOR_MODULE_PATH);
    const ModuleDescriptor& d = module.descriptor();
    EXPECT_EQ(std::tuple(d.sysSync, d.sysVersion, d.sysMachine), std::tuple(0x04121994ul, 3ul, 0x400ul)) << "sync, version, machine";
    EXPECT_STREQ(d.serverDefs[0].className, "MeshDataEdit");
    EXPECT_STREQ(d.serverDefs[0].name, "Zelkor");
    EXPECT_EQ(d.serverDefs[1].className, nullptr);
    EXPECT_EQ(module.server_data(), reinterpret_cast<void*>(4));
    const ServerRecord& server = module.server("MeshDataEdit", "Zelkor");
    std::vector<std::pair<std::string, unsigned>> tags;  // up to the null string that ends them
    for (const ServerTagInfo* t = server.tagInfo; t->string; ++t) tags.emplace_back(t->string, t->tag);
    EXPECT_EQ(tags, (std::vector<std::pair<std::string, unsigned>>{{"Zelkor", 0x409u}, {"Zelk", 0x10409u}, {"pol", 0x50000u}}));
}

}  // namespace
}  // namespace zelkor
