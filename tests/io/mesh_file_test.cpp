// Mesh files chosen by extension.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "io/lwo.h"
#include "io/mesh_file.h"
#include "tests/io/lwo_test_support.h"

namespace zelkor::io {
namespace {

using test::error_of;

class MeshFile : public testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::path(testing::TempDir()) /
                  ("zelkor_mesh_file_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path in_folder(const std::string& name) const { return folder_ / name; }

    std::filesystem::path folder_;
};

std::size_t total_points(const host::Document& doc) {
    std::size_t count = 0;
    for (const host::Layer& layer : doc.layers) count += layer.point_count();
    return count;
}

std::size_t total_polygons(const host::Document& doc) {
    std::size_t count = 0;
    for (const host::Layer& layer : doc.layers) count += layer.polygon_count();
    return count;
}

TEST_F(MeshFile, ReadsLwoWhateverTheCaseOfTheExtension) {
    std::filesystem::path upper = in_folder("BOX.LWO");
    std::filesystem::copy_file(test::shared_lwo("box_2uv_1unused.lwo"), upper);
    test::expect_same_document(read_mesh(upper), read_lwo(test::shared_lwo("box_2uv_1unused.lwo")));
}

TEST_F(MeshFile, RefusesUnknownExtensionsByName) {
    std::filesystem::path ply = in_folder("scan.ply");
    EXPECT_EQ(error_of([&] { read_mesh(ply); }),
              ply.string() + ": extension \".ply\" is not a mesh format this tool reads (.lwo, .obj)");
    std::filesystem::path bare = in_folder("scan");
    EXPECT_EQ(error_of([&] { read_mesh(bare); }),
              bare.string() + ": no extension is not a mesh format this tool reads (.lwo, .obj)");
    std::filesystem::path stl = in_folder("scan.stl");
    host::Document doc = read_lwo(test::shared_lwo("uvtest.lwo"));
    EXPECT_EQ(error_of([&] { write_mesh(doc, stl); }),
              stl.string() + ": extension \".stl\" is not a mesh format this tool writes (.lwo, .obj, .gltf, .glb)");
    EXPECT_FALSE(std::filesystem::exists(stl));
}

TEST_F(MeshFile, RefusesMissingFilesAndFolders) {
    std::filesystem::path missing = in_folder("missing.lwo");
    EXPECT_EQ(error_of([&] { read_mesh(missing); }), missing.string() + ": cannot open: no such file");
    std::filesystem::path missing_obj = in_folder("missing.obj");
    EXPECT_EQ(error_of([&] { read_mesh(missing_obj); }), missing_obj.string() + ": cannot open: no such file");
    std::filesystem::path folder = in_folder("folder.lwo");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(error_of([&] { read_mesh(folder); }), folder.string() + ": cannot read: it is a folder");
    EXPECT_EQ(error_of([&] { read_lwo(folder); }), folder.string() + ": cannot read: it is a folder");
}

TEST_F(MeshFile, WritesLwoWithoutWarningsWhateverIsSelected) {
    host::Document doc = read_lwo(test::shared_lwo("hierarchy.lwo"));
    std::filesystem::path out = in_folder("out.lwo");
    doc.layers[1].poly_selected[3] = 1;
    EXPECT_TRUE(write_mesh(doc, out).empty());
    doc.layers[1].poly_selected[3] = 0;
    test::expect_same_document(read_mesh(out), doc);
}

TEST_F(MeshFile, DispatchesObjBothWays) {
    host::Document doc = read_lwo(test::shared_lwo("box_2uv_1unused.lwo"));
    std::filesystem::path out = in_folder("box.obj");
    write_mesh(doc, out);
    host::Document back = read_mesh(out);
    EXPECT_EQ(total_points(back), total_points(doc));
    EXPECT_EQ(total_polygons(back), total_polygons(doc));
}

TEST_F(MeshFile, DispatchesGltfByExtension) {
    host::Document doc = read_lwo(test::shared_lwo("box_2uv_1unused.lwo"));
    std::filesystem::path binary = in_folder("box.glb");
    std::filesystem::path text = in_folder("box.gltf");
    write_mesh(doc, binary);
    write_mesh(doc, text);
    std::vector<std::uint8_t> glb = test::file_bytes(binary);
    std::vector<std::uint8_t> json = test::file_bytes(text);
    ASSERT_GE(glb.size(), 4u);
    EXPECT_EQ(std::string(glb.begin(), glb.begin() + 4), "glTF");
    ASSERT_FALSE(json.empty());
    EXPECT_EQ(json[0], '{');
    EXPECT_EQ(error_of([&] { read_mesh(binary); }),
              binary.string() + ": extension \".glb\" is not a mesh format this tool reads (.lwo, .obj)");
}

}  // namespace
}  // namespace zelkor::io
