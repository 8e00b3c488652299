#include "io/gltf.h"

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <cstring>

#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

namespace fs = std::filesystem;
using host::Document;
using host::Layer;

// A quad (surface Metal) and a pentagon (Wood) over points 0-6; point 7 is in no polygon. Also a
// subpatch triangle and a two-point polygon, which glTF cannot hold.
Document sample_document() {
    Document d;
    Layer& layer = d.layers.emplace_back();
    const double xyz[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 1, 1}, {2, 2, 2}, {0, 2, -1}, {9, 9, 9}};
    for (const auto& p : xyz) layer.add_point(p[0], p[1], p[2]);
    std::uint32_t quad[] = {0, 1, 2, 3}, pentagon[] = {3, 2, 4, 5, 6}, patch[] = {0, 1, 2}, line[] = {0, 1};
    layer.add_polygon(LWPOLTYPE_FACE, quad);
    layer.add_polygon(LWPOLTYPE_FACE, pentagon);
    layer.add_polygon(LWPOLTYPE_PTCH, patch);
    layer.add_polygon(LWPOLTYPE_FACE, line);
    layer.set_tag(LWPTAG_SURF, 0, d.tag_index("Metal"));
    layer.set_tag(LWPTAG_SURF, 1, d.tag_index("Wood"));
    host::VertexMap& uv = layer.vmap(LWVMAP_TXUV, "UV", 2);
    for (std::uint32_t p = 0; p < 7; ++p) {
        float value[2] = {0.125f * float(p), 0.25f};
        if (p != 5) uv.set(p, value);
    }
    float half[1] = {0.5f}, two[1] = {2.0f}, smile[3] = {0.0f, 0.5f, 1.0f};
    host::VertexMap& index = layer.vmap(LWVMAP_WGHT, "ZK_index", 1);
    index.set(1, half);
    index.set(4, two);
    layer.vmap(LWVMAP_WGHT, "a-b.c", 1).set(0, two);
    layer.vmap(LWVMAP_MORF, "Smile", 3).set(2, smile);
    layer.vmap(LWVMAP_MNVW, "Creases", 1).set(0, half);
    return d;
}

template <typename T>
std::vector<T> values_of(const tinygltf::Model& model, int accessor_index) {
    const tinygltf::Accessor& accessor = model.accessors.at(std::size_t(accessor_index));
    const tinygltf::BufferView& view = model.bufferViews.at(std::size_t(accessor.bufferView));
    const tinygltf::Buffer& buffer = model.buffers.at(std::size_t(view.buffer));
    std::size_t count = accessor.count * std::size_t(tinygltf::GetNumComponentsInType(std::uint32_t(accessor.type)));
    std::vector<T> values(count);
    EXPECT_LE(view.byteOffset + accessor.byteOffset + count * sizeof(T), buffer.data.size());
    std::memcpy(values.data(), buffer.data.data() + view.byteOffset + accessor.byteOffset, count * sizeof(T));
    return values;
}

tinygltf::Model load(const fs::path& path, bool binary) {
    tinygltf::TinyGLTF loader;
    tinygltf::Model model;
    std::string error, warning;
    bool ok = binary ? loader.LoadBinaryFromFile(&model, &error, &warning, path.string())
                     : loader.LoadASCIIFromFile(&model, &error, &warning, path.string());
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(warning, "");
    return model;
}

void expect_sample_model(const tinygltf::Model& model) {
    ASSERT_EQ(model.meshes.size(), 1u);
    ASSERT_EQ(model.nodes.size(), 1u);
    EXPECT_EQ(model.nodes[0].mesh, 0);
    ASSERT_EQ(model.scenes.size(), 1u);
    EXPECT_EQ(model.scenes[0].nodes, (std::vector<int>{0}));
    const tinygltf::Mesh& mesh = model.meshes[0];
    ASSERT_EQ(mesh.primitives.size(), 2u);
    ASSERT_EQ(model.materials.size(), 2u);
    EXPECT_EQ(model.materials[std::size_t(mesh.primitives[0].material)].name, "Metal");
    EXPECT_EQ(model.materials[std::size_t(mesh.primitives[1].material)].name, "Wood");

    // a b c d -> a d c b, then a fan from a: the quad gives 2 triangles, the pentagon 3.
    EXPECT_EQ(values_of<std::uint32_t>(model, mesh.primitives[0].indices), (std::vector<std::uint32_t>{0, 3, 2, 0, 2, 1}));
    EXPECT_EQ(values_of<std::uint32_t>(model, mesh.primitives[1].indices),
              (std::vector<std::uint32_t>{3, 6, 5, 3, 5, 4, 3, 4, 2}));

    for (const tinygltf::Primitive& primitive : mesh.primitives) {
        EXPECT_EQ(primitive.mode, TINYGLTF_MODE_TRIANGLES);
        std::vector<std::string> names;
        for (const auto& [name, accessor] : primitive.attributes) names.push_back(name);
        ASSERT_EQ(names, (std::vector<std::string>{"POSITION", "TEXCOORD_0", "_A_B_C", "_ZK_INDEX"}));
        ASSERT_EQ(primitive.targets.size(), 1u);
    }
    const tinygltf::Primitive& primitive = mesh.primitives[0];
    int position = primitive.attributes.at("POSITION");
    const tinygltf::Accessor& positions = model.accessors[std::size_t(position)];
    EXPECT_EQ(positions.count, 7u);  // point 7 is in no triangle
    EXPECT_EQ(positions.componentType, TINYGLTF_COMPONENT_TYPE_FLOAT);
    EXPECT_EQ(positions.type, TINYGLTF_TYPE_VEC3);
    EXPECT_EQ(values_of<float>(model, position),
              (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 2, 1, -1, 2, 2, -2, 0, 2, 1}));
    EXPECT_EQ(positions.minValues, (std::vector<double>{0, 0, -2}));
    EXPECT_EQ(positions.maxValues, (std::vector<double>{2, 2, 1}));

    // v flipped; point 5 has no UV and gets 0, 0, written 0, 1.
    EXPECT_EQ(values_of<float>(model, primitive.attributes.at("TEXCOORD_0")),
              (std::vector<float>{0, 0.75f, 0.125f, 0.75f, 0.25f, 0.75f, 0.375f, 0.75f, 0.5f, 0.75f, 0, 1, 0.75f, 0.75f}));
    EXPECT_EQ(values_of<float>(model, primitive.attributes.at("_ZK_INDEX")), (std::vector<float>{0, 0.5f, 0, 0, 2, 0, 0}));
    EXPECT_EQ(values_of<float>(model, primitive.attributes.at("_A_B_C")), (std::vector<float>{2, 0, 0, 0, 0, 0, 0}));

    int target = primitive.targets[0].at("POSITION");
    EXPECT_EQ(values_of<float>(model, target),
              (std::vector<float>{0, 0, 0, 0, 0, 0, 0, 0.5f, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(model.accessors[std::size_t(target)].minValues, (std::vector<double>{0, 0, -1}));
    EXPECT_EQ(model.accessors[std::size_t(target)].maxValues, (std::vector<double>{0, 0.5, 0}));
    EXPECT_EQ(mesh.weights, (std::vector<double>{0}));
    ASSERT_TRUE(mesh.extras.Has("targetNames"));
    ASSERT_EQ(mesh.extras.Get("targetNames").ArrayLen(), 1u);
    EXPECT_EQ(mesh.extras.Get("targetNames").Get(0).Get<std::string>(), "Smile");
    // Both primitives share the vertices.
    EXPECT_EQ(mesh.primitives[1].attributes, primitive.attributes);
    EXPECT_EQ(mesh.primitives[1].targets, primitive.targets);
}

const std::vector<std::string> kSampleWarnings = {"polygons other than faces: 1 PTCH",
                                                  "polygons of fewer than 3 points: 1 FACE",
                                                  "subpatch weight maps Creases"};

TEST(GltfWriter, WritesJsonWithTheBufferEmbeddedOrBinary) {
    for (bool binary : {false, true}) {
        test::ScratchDir dir(binary ? "gltf_binary" : "gltf_json");
        fs::path path = dir / (binary ? "sample.GLB" : "sample.gltf");
        EXPECT_EQ(write_gltf(sample_document(), path), kSampleWarnings);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
        std::string text = test::file_text(path);
        if (binary) EXPECT_EQ(text.substr(0, 4), "glTF");
        else EXPECT_NE(text.find("\"uri\": \"data:application/octet-stream;base64,"), std::string::npos);
        expect_sample_model(load(path, binary));
    }
}

TEST(GltfWriter, FlattensLayersAndDropsPerPolygonValues) {
    Document d;
    std::uint32_t tri[] = {0, 1, 2};
    for (int l = 0; l < 2; ++l) {
        Layer& layer = d.layers.emplace_back();
        layer.number = l;
        layer.add_point(l, 0, 0);
        layer.add_point(l, 1, 0);
        layer.add_point(l, 0, 1);
        layer.add_polygon(LWPOLTYPE_FACE, tri);
    }
    float uv[2] = {1, 1};
    d.layers[1].vmap(LWVMAP_TXUV, "Second", 2).set(2, uv);
    d.layers[1].vmads.push_back({LWVMAP_TXUV, "Second", 2, {0}, {0}, {0.5f, 0.5f}, {}});
    test::ScratchDir dir("gltf_layers");
    fs::path path = dir / "layers.gltf";
    EXPECT_EQ(write_gltf(d, path), (std::vector<std::string>{"per-polygon values of UV maps Second"}));
    tinygltf::Model model = load(path, false);
    ASSERT_EQ(model.meshes.size(), 1u);
    ASSERT_EQ(model.meshes[0].primitives.size(), 1u);
    const tinygltf::Primitive& primitive = model.meshes[0].primitives[0];
    EXPECT_EQ(model.materials[std::size_t(primitive.material)].name, "Default");
    EXPECT_EQ(values_of<std::uint32_t>(model, primitive.indices), (std::vector<std::uint32_t>{0, 2, 1, 3, 5, 4}));
    EXPECT_EQ(values_of<float>(model, primitive.attributes.at("POSITION")),
              (std::vector<float>{0, 0, 0, 0, 1, 0, 0, 0, -1, 1, 0, 0, 1, 1, 0, 1, 0, -1}));
    // The first layer lacks the map: its points get 0, 0, written 0, 1.
    EXPECT_EQ(values_of<float>(model, primitive.attributes.at("TEXCOORD_0")),
              (std::vector<float>{0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 1, 0}));
    EXPECT_TRUE(primitive.targets.empty());
}

TEST(GltfWriter, WritesNoSceneForADocumentWithoutFaces) {
    Document d;
    d.layers.emplace_back().add_point(1, 2, 3);
    test::ScratchDir dir("gltf_empty");
    fs::path path = dir / "empty.glb";
    EXPECT_TRUE(write_gltf(d, path).empty());
    tinygltf::Model model = load(path, true);
    EXPECT_TRUE(model.meshes.empty());
    EXPECT_TRUE(model.buffers.empty());
    EXPECT_TRUE(model.scenes.empty());
    EXPECT_EQ(model.asset.version, "2.0");
}

TEST(GltfWriter, ReportsAnUnwritableFolder) {
    test::ScratchDir dir("gltf_unwritable");
    fs::path path = dir / "missing" / "out.gltf";
    EXPECT_EQ(test::error_of([&] { write_gltf(sample_document(), path); }),
              path.string() + ": cannot create the output: No such file or directory");
}

TEST(GltfWriter, AssimpReadsOurBinaryOutput) {
    if (!test::have_assimp()) GTEST_SKIP() << "/usr/bin/assimp is not installed";
    test::ScratchDir dir("gltf_assimp");
    write_gltf(sample_document(), dir / "sample.glb");
    test::AssimpCounts counts = test::assimp_counts(dir / "sample.glb", false);
    // assimp's own normals split some shared points again, so only a lower bound on vertices.
    EXPECT_GE(counts.vertices, 7);
    EXPECT_EQ(counts.faces, 5);
}

}  // namespace
}  // namespace zelkor::io
