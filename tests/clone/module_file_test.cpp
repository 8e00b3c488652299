// The built module file, loaded the way a modeller loads plug-ins, makes clones.
#include <gtest/gtest.h>

#include "clone_run.h"
#include "host/modeler.h"
#include "host/module_loader.h"

namespace zelkor::testing {
namespace {

TEST(ModuleFile, LoadsThroughTheHostAndMakesClones) {
    host::Document document;
    document.layers.push_back(grid_layer(5, 5));
    document.layers.push_back(cube_layer());
    host::Modeler modeler(document);
    modeler.set_layers({0}, {1});
    host::Module module = host::Module::load(ZELKOR_MODULE_PATH);
    const ServerRecord& server = module.server("MeshDataEdit", "Zelkor");
    EXPECT_STREQ(server.tagInfo[0].string, "Zelkor");
    EXPECT_EQ(server.tagInfo[0].tag, 0x409u);
    EXPECT_STREQ(server.tagInfo[1].string, "Zelk");
    EXPECT_EQ(server.tagInfo[1].tag, 0x10409u);
    EXPECT_STREQ(server.tagInfo[2].string, "pol");
    EXPECT_EQ(server.tagInfo[2].tag, 0x50000u);
    EXPECT_EQ(server.tagInfo[3].string, nullptr);

    host::ActivationResult r = modeler.run(module, "Zelkor");
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_TRUE(r.session.kept);
    // A fresh module offers 30 clones; each cube clone has 8 points and 6 faces.
    EXPECT_EQ(r.session.points_added, 240u);
    EXPECT_EQ(r.session.polygons_added, 180u);
    EXPECT_EQ(document.layers[0].point_count(), 36u + 240u);
}

TEST(ModuleFile, DescriptorCarriesTheRegistrationValues) {
    host::Module module = host::Module::load(ZELKOR_MODULE_PATH);
    const ModuleDescriptor& d = module.descriptor();
    EXPECT_EQ(d.sysSync, 0x04121994ul);
    EXPECT_EQ(d.sysVersion, 3ul);
    EXPECT_EQ(d.sysMachine, 0x400ul);
    EXPECT_STREQ(d.serverDefs[0].className, "MeshDataEdit");
    EXPECT_STREQ(d.serverDefs[0].name, "Zelkor");
    EXPECT_EQ(d.serverDefs[1].className, nullptr);
    EXPECT_EQ(module.server_data(), reinterpret_cast<void*>(4));
}

}  // namespace
}  // namespace zelkor::testing
