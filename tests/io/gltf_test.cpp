#include "io/mesh_file.h"
#include "io/gltf.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "io/surface_look.h"
#include "tests/io/io_test_support.h"

namespace zelkor::io {
namespace {

namespace fs = std::filesystem;
using host::Document;
using Names = std::vector<std::string>;

// A quad (surface Metal) and a pentagon (Wood) over points 0-6; point 7 is in no polygon. Also a
// subpatch triangle and a two-point polygon, which glTF cannot hold. Layer 1 holds a triangle
// without a surface and a per-polygon UV, which glTF cannot hold either.
Document sample_document() {
    Document d;
    host::Layer& layer = d.layers.emplace_back();
    const double xyz[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 1, 1}, {2, 2, 2}, {0, 2, -1}, {9, 9, 9}};
    for (const auto& p : xyz) layer.add_point(p[0], p[1], p[2]);
    using Corners = std::vector<std::uint32_t>;
    layer.add_polygon(LWPOLTYPE_FACE, Corners{0, 1, 2, 3});
    layer.add_polygon(LWPOLTYPE_FACE, Corners{3, 2, 4, 5, 6});
    layer.add_polygon(LWPOLTYPE_PTCH, Corners{0, 1, 2});
    layer.add_polygon(LWPOLTYPE_FACE, Corners{0, 1});
    layer.set_tag(LWPTAG_SURF, 0, d.tag_index("Metal"));
    layer.set_tag(LWPTAG_SURF, 1, d.tag_index("Wood"));
    for (std::uint32_t p = 0; p < 7; ++p)  // point 5 has no UV
        if (p != 5) layer.vmap(LWVMAP_TXUV, "UV", 2).set(p, std::array{0.125f * float(p), 0.25f}.data());
    float half[1] = {0.5f}, two[1] = {2.0f}, smile[3] = {0.0f, 0.5f, 1.0f};
    layer.vmap(LWVMAP_WGHT, "ZK_index", 1).set(1, half);
    layer.vmap(LWVMAP_WGHT, "ZK_index", 1).set(4, two);
    layer.vmap(LWVMAP_WGHT, "a-b.c", 1).set(0, two);
    layer.vmap(LWVMAP_MORF, "Smile", 3).set(2, smile);
    layer.vmap(LWVMAP_MNVW, "Creases", 1).set(0, half);
    layer.vmap(LWVMAP_SPOT, "Rest", 3).set(2, smile);
    host::Layer& second = d.layers.emplace_back();
    second.add_point(3, 0, 0);
    second.add_point(3, 1, 0);
    second.add_point(3, 0, 1);
    second.add_polygon(LWPOLTYPE_FACE, std::vector<std::uint32_t>{0, 1, 2});
    second.vmads.push_back({LWVMAP_TXUV, "UV", 2, {0}, {0}, {0.5f, 0.5f}, {}});
    return d;
}

// An accessor's values as text: floats, or 16- or 32-bit indices.
std::string values(const tinygltf::Model& model, int accessor_index) {
    const tinygltf::Accessor& accessor = model.accessors.at(std::size_t(accessor_index));
    const tinygltf::BufferView& view = model.bufferViews.at(std::size_t(accessor.bufferView));
    const std::vector<unsigned char>& data = model.buffers.at(std::size_t(view.buffer)).data;
    const std::size_t size = std::size_t(tinygltf::GetComponentSizeInBytes(std::uint32_t(accessor.componentType)));
    std::size_t at = view.byteOffset + accessor.byteOffset,
                end = at + size * accessor.count * std::size_t(tinygltf::GetNumComponentsInType(std::uint32_t(accessor.type)));
    EXPECT_LE(end, data.size());
    std::string text;
    for (std::uint32_t bits = 0; at < std::min(end, data.size()); at += size) {
        std::memcpy(&bits, &data[at], size);  // little-endian
        text += (text.empty() ? "" : " ") +
                (accessor.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT ? test::num(std::bit_cast<float>(bits)) : test::num(bits));
    }
    return text;
}

tinygltf::Model load(const fs::path& path, bool binary) {
    tinygltf::TinyGLTF loader;
    tinygltf::Model model;
    std::string error, warning;
    bool ok = binary ? loader.LoadBinaryFromFile(&model, &error, &warning, path.string())
                     : loader.LoadASCIIFromFile(&model, &error, &warning, path.string());
    EXPECT_TRUE(ok && error.empty() && warning.empty()) << error << warning;
    return model;
}

// One primitive per surface, each with vertices of its own. Polygons a b c d turn to a d c b, then
// a fan from a: the quad gives 2 triangles, the pentagon 3. Point 7 is in no triangle; v is
// flipped, and a point without a UV gets 0, 0, written 0, 1. The extras number each vertex's
// point among the points triangles use.
TEST(GltfWriter, WritesJsonOrBinaryAndEmptyDocumentsWithoutAScene) {
    for (bool binary : {false, true}) {
        test::ScratchDir dir(binary ? "gltf_binary" : "gltf_json");
        fs::path path = dir / (binary ? "sample.GLB" : "sample.gltf");
        EXPECT_EQ(write_mesh(sample_document(), path),
                  (Names{"polygons other than faces: 1 PTCH", "polygons of fewer than 3 points: 1 FACE",
                         "subpatch weight maps Creases",
                         "absolute morph maps (they would move every clone onto the template) Rest",
                         "per-polygon values of UV maps UV"}));
        EXPECT_EQ(dir.entries(), 1);
        std::string file = test::file_text(path);
        if (binary) EXPECT_EQ(file.substr(0, 4), "glTF");
        else EXPECT_NE(file.find("\"uri\": \"data:application/octet-stream;base64,"), std::string::npos);
        tinygltf::Model model = load(path, binary);
        ASSERT_EQ(std::make_tuple(model.meshes.size(), model.nodes.size(), model.scenes.size()), std::make_tuple(1u, 1u, 1u));
        EXPECT_TRUE(model.nodes[0].mesh == 0 && model.scenes[0].nodes == std::vector<int>{0});
        const tinygltf::Mesh& mesh = model.meshes[0];
        std::string text;
        for (const tinygltf::Primitive& primitive : mesh.primitives) {
            text += model.materials.at(std::size_t(primitive.material)).name + " mode " + test::num(primitive.mode) + ": " +
                    values(model, primitive.indices) + " points " + values(model, primitive.extras.Get("points").Get<int>()) + "\n";
            EXPECT_EQ(primitive.targets.size(), 1u);
        }
        EXPECT_EQ(text, "Metal mode 4: 0 1 2 0 2 3 points 0 3 2 1\nWood mode 4: 0 1 2 0 2 3 0 3 4 points 3 6 5 4 2\n"
                        "Default mode 4: 0 1 2 points 7 9 8\n");
        text.clear();
        for (const auto& [name, accessor] : mesh.primitives[1].attributes)
            if (name != "NORMAL") text += name + ": " + values(model, accessor) + "\n";
        const int position = mesh.primitives[1].attributes.at("POSITION"), target = mesh.primitives[1].targets[0].at("POSITION");
        EXPECT_EQ(text + "Smile: " + values(model, target),
                  "COLOR_0: 0 0 0 0 0 0 0 0 0 1 1 1 0 0 0\n"  // ZK_index, clamped
                  "POSITION: 0 1 -0 0 2 1 2 2 -2 2 1 -1 1 1 -0\n"
                  "TEXCOORD_0: 0.375 0.75 0.75 0.75 0 1 0.5 0.75 0.25 0.75\n"
                  "_A_B_C: 0 0 0 0 0\n_ZK_INDEX: 0 0 0 2 0\n"
                  "Smile: 0 0 0 0 0 0 0 0 0 0 0 0 0 0.5 -1");
        const tinygltf::Accessor &p = model.accessors.at(std::size_t(position)), &t = model.accessors.at(std::size_t(target));
        EXPECT_EQ(std::tie(p.minValues, p.maxValues, t.minValues, t.maxValues),
                  std::make_tuple(std::vector<double>{0, 1, -2}, std::vector<double>{2, 2, 1}, std::vector<double>{0, 0, -1},
                                  std::vector<double>{0, 0.5, 0}));
        EXPECT_EQ(mesh.weights, (std::vector<double>{0}));
        ASSERT_EQ(mesh.extras.Get("targetNames").ArrayLen(), 1u);
        EXPECT_EQ(mesh.extras.Get("targetNames").Get(0).Get<std::string>(), "Smile");
    }
    // A document without faces gives a valid file with no scene; a missing folder gives no file.
    test::ScratchDir dir("gltf_empty");
    Document empty;
    empty.layers.emplace_back().add_point(1, 2, 3);
    EXPECT_TRUE(write_mesh(empty, dir / "empty.glb").empty());
    tinygltf::Model model = load(dir / "empty.glb", true);
    EXPECT_TRUE(model.meshes.empty() && model.buffers.empty() && model.scenes.empty() && model.asset.version == "2.0");
    EXPECT_EQ(test::error_of([&] { write_mesh(sample_document(), dir / "missing" / "out.gltf"); }),
              (dir / "missing" / "out.gltf").string() + ": cannot write: no folder " + (dir / "missing").string());
}

// Normals are shared across polygons of a surface that meet at less than 60 degrees and split
// elsewhere; each surface has vertices of its own. Two unit quads share the edge x = 0, the
// second folded up by `fold` degrees.
TEST(GltfWriter, NormalsAreSmoothWithinASurfaceAndSplitAtSharpEdges) {
    const struct {
        double fold;
        bool two_surfaces;
        std::vector<std::size_t> vertices;  // per primitive
        float shared_edge_normal_y;         // glTF y of the normal at the shared edge, first primitive
    } cases[] = {
        {0, false, {6}, 1.0f},
        {20, false, {6}, float(std::cos(10 * 3.14159265358979 / 180))},
        {90, false, {8}, 1.0f},
        {0, true, {4, 4}, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "fold " << c.fold << (c.two_surfaces ? ", two surfaces" : ""));
        Document d;
        host::Layer& layer = d.layers.emplace_back();
        const double a = c.fold * 3.14159265358979 / 180;
        // Edge points 0 (z = 0) and 1 (z = 1); the first quad spans x in [-1, 0] flat, the second
        // rises from x = 0 at angle `a`.
        for (const auto& p : {std::array{0.0, 0.0, 0.0}, {0.0, 0.0, 1.0}, {-1.0, 0.0, 0.0}, {-1.0, 0.0, 1.0},
                              {std::cos(a), std::sin(a), 0.0}, {std::cos(a), std::sin(a), 1.0}})
            layer.add_point(p[0], p[1], p[2]);
        // Facing +y: clockwise seen from above in the object's frame.
        layer.add_polygon(LWPOLTYPE_FACE, std::vector<std::uint32_t>{2, 3, 1, 0});
        layer.add_polygon(LWPOLTYPE_FACE, std::vector<std::uint32_t>{0, 1, 5, 4});
        layer.set_tag(LWPTAG_SURF, 0, d.tag_index("A"));
        layer.set_tag(LWPTAG_SURF, 1, d.tag_index(c.two_surfaces ? "B" : "A"));
        test::ScratchDir dir("gltf_normals");
        write_mesh(d, dir / "fold.glb");
        const tinygltf::Model model = load(dir / "fold.glb", true);
        std::vector<std::size_t> counts;
        for (const tinygltf::Primitive& primitive : model.meshes.at(0).primitives)
            counts.push_back(model.accessors.at(std::size_t(primitive.attributes.at("POSITION"))).count);
        EXPECT_EQ(counts, c.vertices);
        // The first primitive's first vertex is point 2 (x = -1), its second point 3, its third point 1 (the edge).
        const tinygltf::Primitive& first = model.meshes[0].primitives[0];
        std::istringstream normals(values(model, first.attributes.at("NORMAL")));
        std::vector<float> n{std::istream_iterator<float>(normals), {}};
        ASSERT_GE(n.size(), 9u);
        EXPECT_FLOAT_EQ(n[1], 1.0f);  // the flat quad's own corner
        EXPECT_NEAR(n[7], c.shared_edge_normal_y, 1e-6);
        for (std::size_t v = 0; v + 2 < n.size(); v += 3) EXPECT_NEAR(n[v] * n[v] + n[v + 1] * n[v + 1] + n[v + 2] * n[v + 2], 1.0, 1e-6);
    }
}

// A surface's look becomes a metal-free material: the rock's colour (diffuse 100 %) as the base
// colour, no specular level as full roughness, one side shown.
TEST(GltfWriter, MaterialsTakeTheSurfacesColours) {
    test::ScratchDir dir("gltf_material");
    EXPECT_TRUE(write_mesh(read_mesh(std::string(ZELKOR_EXAMPLES) + "/rock.lwo"), dir / "rock.glb").empty());
    const tinygltf::Model model = load(dir / "rock.glb", true);
    ASSERT_EQ(model.materials.size(), 1u);
    const tinygltf::Material& rock = model.materials[0];
    EXPECT_EQ(rock.name, "Rock");
    EXPECT_EQ(rock.pbrMetallicRoughness.baseColorFactor, (std::vector<double>{0.5f, 0.47f, 0.43f, 1.0}));
    EXPECT_EQ(rock.pbrMetallicRoughness.metallicFactor, 0.0);
    EXPECT_EQ(rock.pbrMetallicRoughness.roughnessFactor, 1.0);
    EXPECT_FALSE(rock.doubleSided);
}

}  // namespace
}  // namespace zelkor::io

namespace zelkor::io {
namespace {

// What we write reads back: points as floats, faces as triangles with their surfaces and
// colours, maps under their own names (from the mesh's extras), morphs as relative morphs; and a
// second round changes nothing. Damaged accessors are refused, naming the accessor.
TEST(GltfReader, ReadsWhatTheWriterWroteAndRefusesDamagedAccessors) {
    test::ScratchDir dir("gltf_read");
    Document written = read_mesh(std::string(ZELKOR_EXAMPLES) + "/rock.lwo");
    written.layers[0].vmap(LWVMAP_WGHT, "a-b.c", 1).set(3, std::array{0.75f}.data());
    written.layers[0].vmap(LWVMAP_MORF, "Squash", 3).set(5, std::array{0.0f, -0.25f, 0.5f}.data());
    for (const char* name : {"rock.glb", "rock.gltf"}) {
        SCOPED_TRACE(name);
        write_mesh(written, dir / name);
        const Document first = read_mesh(dir / name);
        ASSERT_EQ(first.layers.size(), 1u);
        const host::Layer& layer = first.layers[0];
        const host::Layer& rock = written.layers[0];
        EXPECT_EQ(layer.point_count(), rock.point_count());
        EXPECT_EQ(layer.polygon_count(), rock.polygon_count());  // all triangles already
        for (std::size_t p = 0; p < rock.polygon_count(); ++p) {
            const auto a = layer.polygon(p), b = rock.polygon(p);
            EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end())) << "polygon " << p;
        }
        for (std::size_t i = 0; i < rock.positions.size(); ++i) EXPECT_EQ(layer.positions[i], double(float(rock.positions[i])));
        ASSERT_NE(layer.find_vmap(LWVMAP_TXUV, "RockUV"), nullptr);
        EXPECT_FLOAT_EQ(layer.find_vmap(LWVMAP_TXUV, "RockUV")->value(4)[1], rock.find_vmap(LWVMAP_TXUV, "RockUV")->value(4)[1]);  // v = 1 - (1 - v)
        ASSERT_NE(layer.find_vmap(LWVMAP_WGHT, "a-b.c"), nullptr);
        EXPECT_EQ(layer.find_vmap(LWVMAP_WGHT, "a-b.c")->value(3)[0], 0.75f);
        ASSERT_NE(layer.find_vmap(LWVMAP_MORF, "Squash"), nullptr);
        EXPECT_EQ(layer.find_vmap(LWVMAP_MORF, "Squash")->value(5)[2], 0.5f);
        EXPECT_EQ(surface_look(first.find_surface("Rock")).colour, surface_look(written.find_surface("Rock")).colour);
        write_mesh(first, dir / name);
        EXPECT_EQ(test::describe(read_mesh(dir / name)), test::describe(first));
    }

    // The JSON form, damaged: a point number past the vertices; then, as other writers leave it
    // (without point numbers), an accessor longer than its buffer view, an index past the vertices.
    const std::string text = test::file_text(dir / "rock.gltf");
    nlohmann::json json = nlohmann::json::parse(text);
    const int numbers = json["meshes"][0]["primitives"][0]["extras"]["points"];
    nlohmann::json renumbered = json;
    renumbered["accessors"][numbers]["componentType"] = TINYGLTF_COMPONENT_TYPE_FLOAT;
    std::ofstream(dir / "renumbered.gltf") << renumbered.dump();
    EXPECT_EQ(test::error_of([&] { read_mesh(dir / "renumbered.gltf"); }),
              (dir / "renumbered.gltf").string() + ": accessor " + std::to_string(numbers) +
                  " (mesh 0 primitive 0 extras points): indices must be unsigned scalars");
    for (auto& primitive : json["meshes"][0]["primitives"]) primitive.erase("extras");
    const int indices = json["meshes"][0]["primitives"][0]["indices"];
    const int position = json["meshes"][0]["primitives"][0]["attributes"]["POSITION"];
    nlohmann::json longer = json;
    longer["accessors"][position]["count"] = 1000;
    std::ofstream(dir / "longer.gltf") << longer.dump();
    EXPECT_EQ(test::error_of([&] { read_mesh(dir / "longer.gltf"); }),
              (dir / "longer.gltf").string() + ": accessor " + std::to_string(position) +
                  " (mesh 0 primitive 0 POSITION): 1000 elements do not fit in buffer view " +
                  std::to_string(int(json["accessors"][position]["bufferView"])));
    nlohmann::json fewer = json;
    fewer["accessors"][position]["count"] = 5;
    fewer["accessors"][position]["max"] = json["accessors"][position]["max"];
    std::ofstream(dir / "fewer.gltf") << fewer.dump();
    const std::string fault = test::error_of([&] { read_mesh(dir / "fewer.gltf"); });
    EXPECT_TRUE(fault.starts_with((dir / "fewer.gltf").string() + ": accessor " + std::to_string(indices) +
                                  " (mesh 0 primitive 0 indices): index "))
        << fault;
    EXPECT_TRUE(fault.ends_with(" is out of range (5 vertices)")) << fault;
    // A buffer is read only from a regular file.
    std::ofstream(dir / "zero.gltf") << R"({"asset": {"version": "2.0"}, "buffers": [{"uri": "/dev/zero", "byteLength": 8}]})";
    EXPECT_EQ(test::error_of([&] { read_mesh(dir / "zero.gltf"); }),
              (dir / "zero.gltf").string() + ": not a glTF file this tool reads: File not found : /dev/zero");
}

}  // namespace
}  // namespace zelkor::io
