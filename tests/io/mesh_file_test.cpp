// Mesh files chosen by extension.
#include <gtest/gtest.h>

#include "io/lwo.h"
#include "io/mesh_file.h"
#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

using test::error_of;

TEST(MeshFile, ReadsLwoAndObjWhateverTheCaseOfTheExtension) {
    test::ScratchDir dir("mesh_read");
    std::filesystem::copy_file(test::shared_lwo("box_2uv_1unused.lwo"), dir / "BOX.LWO");
    host::Document box = read_lwo(test::shared_lwo("box_2uv_1unused.lwo"));
    test::expect_same_document(read_mesh(dir / "BOX.LWO"), box);
    write_mesh(box, dir / "box.Obj");
    host::Document back = read_mesh(dir / "box.Obj");
    ASSERT_EQ(back.layers.size(), 1u);
    EXPECT_EQ(back.layers[0].point_count(), box.layers.at(0).point_count());
    EXPECT_EQ(back.layers[0].polygon_count(), box.layers[0].polygon_count());
}

TEST(MeshFile, RefusesUnknownExtensionsMissingFilesAndFolders) {
    test::ScratchDir dir("mesh_refused");
    std::filesystem::create_directory(dir / "folder.lwo");
    const std::string reads = " is not a mesh format this tool reads (.lwo, .obj)";
    const struct {
        std::string name, message;
    } cases[] = {{"scan.ply", "extension \".ply\"" + reads},
                 {"scan", "no extension" + reads},
                 {"box.glb", "extension \".glb\"" + reads},
                 {"missing.lwo", "cannot open: no such file"},
                 {"missing.obj", "cannot open: no such file"},
                 {"folder.lwo", "cannot read: it is a folder"}};
    for (const auto& c : cases) EXPECT_EQ(error_of([&] { read_mesh(dir / c.name); }), (dir / c.name).string() + ": " + c.message);
    EXPECT_EQ(error_of([&] { read_lwo(dir / "folder.lwo"); }), (dir / "folder.lwo").string() + ": cannot read: it is a folder");
    host::Document doc = read_lwo(test::shared_lwo("uvtest.lwo"));
    EXPECT_EQ(error_of([&] { write_mesh(doc, dir / "scan.stl"); }),
              (dir / "scan.stl").string() + ": extension \".stl\" is not a mesh format this tool writes (.lwo, .obj, .gltf, .glb)");
    EXPECT_FALSE(std::filesystem::exists(dir / "scan.stl"));
}

TEST(MeshFile, WritesEveryFormatByExtension) {
    test::ScratchDir dir("mesh_write");
    host::Document doc = read_lwo(test::shared_lwo("hierarchy.lwo"));
    doc.layers[1].poly_selected[3] = 1;  // a selection is no part of the object: no warning
    EXPECT_TRUE(write_mesh(doc, dir / "out.lwo").empty());
    doc.layers[1].poly_selected[3] = 0;
    test::expect_same_document(read_mesh(dir / "out.lwo"), doc);
    write_mesh(doc, dir / "out.glb");
    write_mesh(doc, dir / "out.gltf");
    EXPECT_EQ(test::file_text(dir / "out.glb").substr(0, 4), "glTF");
    EXPECT_EQ(test::file_text(dir / "out.gltf").substr(0, 1), "{");
}

}  // namespace
}  // namespace zelkor::io
