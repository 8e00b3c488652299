// glTF reading: the meshes of the default scene, each under its node's transform, in one layer.
//
// The inverse of the writer: z negated and each triangle (a, b, c) becomes the polygon (a, c, b);
// v flipped back (v = 1 - v'); TEXCOORD_n become UV maps, `_NAME` float attributes weight maps,
// morph targets relative morph maps, each named from the mesh's extras where the writer left the
// names ("attributeNames", "targetNames"); materials become surfaces with their base colour. A vertex is a point,
// except that vertices the writer numbered (a primitive's extras "points") are joined by number,
// and primitives of one mesh instance that share a POSITION accessor share their points. Nodes
// with EXT_mesh_gpu_instancing add the mesh once per instance.
//
// Every accessor is checked before it is read (its buffer view and buffer, its component type,
// its size, every index against the vertex count, every value for being finite), so that a
// damaged file is one FileError naming the file and the accessor.
#include "io/gltf.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>

#include "io/file_error.h"
#include "io/whole_file.h"

namespace zelkor::io {

namespace {

using Matrix = std::array<double, 16>;  // column-major, as glTF stores it
constexpr Matrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr std::size_t kMaxGltfFile = std::size_t(2) << 30;

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) r[std::size_t(4 * c + row)] += a[std::size_t(4 * k + row)] * b[std::size_t(4 * c + k)];
    return r;
}

// A node's own transform: its matrix, or translation * rotation * scale.
Matrix local_matrix(const tinygltf::Node& node) {
    if (node.matrix.size() == 16) {
        Matrix m;
        std::copy(node.matrix.begin(), node.matrix.end(), m.begin());
        return m;
    }
    const double tx = node.translation.size() == 3 ? node.translation[0] : 0, ty = node.translation.size() == 3 ? node.translation[1] : 0,
                 tz = node.translation.size() == 3 ? node.translation[2] : 0;
    double x = 0, y = 0, z = 0, w = 1;
    if (node.rotation.size() == 4) x = node.rotation[0], y = node.rotation[1], z = node.rotation[2], w = node.rotation[3];
    const double sx = node.scale.size() == 3 ? node.scale[0] : 1, sy = node.scale.size() == 3 ? node.scale[1] : 1,
                 sz = node.scale.size() == 3 ? node.scale[2] : 1;
    return {(1 - 2 * (y * y + z * z)) * sx, 2 * (x * y + z * w) * sx, 2 * (x * z - y * w) * sx, 0,
            2 * (x * y - z * w) * sy, (1 - 2 * (x * x + z * z)) * sy, 2 * (y * z + x * w) * sy, 0,
            2 * (x * z + y * w) * sz, 2 * (y * z - x * w) * sz, (1 - 2 * (x * x + y * y)) * sz, 0,
            tx, ty, tz, 1};
}

class GltfReader {
public:
    GltfReader(const std::filesystem::path& path, tinygltf::Model& model) : path_(path), model_(model) {}

    host::Document read() {
        host::Layer& layer = document_.layers.emplace_back();
        layer.number = 0;
        if (model_.scenes.empty()) {
            for (std::size_t m = 0; m < model_.meshes.size(); ++m) add_mesh(int(m), kIdentity);
        } else {
            const int scene = model_.defaultScene >= 0 ? model_.defaultScene : 0;
            if (std::size_t(scene) >= model_.scenes.size()) fail("the default scene " + std::to_string(scene) + " does not exist");
            for (int node : model_.scenes[std::size_t(scene)].nodes) add_node(node, kIdentity, 0);
        }
        return std::move(document_);
    }

private:
    [[noreturn]] void fail(const std::string& fault) const { throw FileError(path_, fault); }

    void add_node(int index, const Matrix& parent, int depth) {
        if (index < 0 || std::size_t(index) >= model_.nodes.size()) fail("node " + std::to_string(index) + " does not exist");
        if (depth > 64) fail("node " + std::to_string(index) + ": the node tree is deeper than 64 levels or has a loop");
        const tinygltf::Node& node = model_.nodes[std::size_t(index)];
        const Matrix world = multiply(parent, local_matrix(node));
        if (node.mesh >= 0) {
            const auto instancing = node.extensions.find("EXT_mesh_gpu_instancing");
            if (instancing != node.extensions.end()) {
                add_instances(index, node, instancing->second, world);
            } else {
                const std::size_t first = document_.layers[0].point_count();
                add_mesh(node.mesh, world);
                // A clone of a "nodes" scatter: its number, as the merged clones carry it.
                if (node.extras.IsObject() && node.extras.Has("ZK_index") && node.extras.Get("ZK_index").IsNumber())
                    set_weight("ZK_index", first, float(node.extras.Get("ZK_index").GetNumberAsDouble()));
            }
        }
        for (int child : node.children) add_node(child, world, depth + 1);
    }

    // Every point from `first` on gets `value` in the weight map `name`.
    void set_weight(const std::string& name, std::size_t first, float value) {
        host::Layer& layer = document_.layers[0];
        if (!std::isfinite(value)) return;
        host::VertexMap& map = layer.vmap(LWVMAP_WGHT, name, 1);
        for (std::size_t p = first; p < layer.point_count(); ++p) map.set(std::uint32_t(p), &value);
    }

    // EXT_mesh_gpu_instancing: the mesh once per instance, under the node's transform times the
    // instance's; custom instance attributes ("_ZK_INDEX") become weight maps of its points.
    void add_instances(int index, const tinygltf::Node& node, const tinygltf::Value& extension, const Matrix& world) {
        const std::string where = "node " + std::to_string(index) + " EXT_mesh_gpu_instancing";
        if (!extension.IsObject() || !extension.Has("attributes") || !extension.Get("attributes").IsObject())
            fail(where + ": no attributes");
        const tinygltf::Value& attributes = extension.Get("attributes");
        std::map<std::string, std::vector<float>> values;
        std::size_t count = 0;
        bool counted = false;
        for (const std::string& key : attributes.Keys()) {
            const tinygltf::Value& a = attributes.Get(key);
            if (!a.IsInt()) fail(where + " " + key + ": not an accessor index");
            const int type = key == "TRANSLATION" || key == "SCALE" ? TINYGLTF_TYPE_VEC3 : key == "ROTATION" ? TINYGLTF_TYPE_VEC4 : TINYGLTF_TYPE_SCALAR;
            if (key != "TRANSLATION" && key != "SCALE" && key != "ROTATION" && key.rfind('_', 0) != 0) continue;
            std::vector<float> v = floats(a.Get<int>(), type, where + " " + key);
            const std::size_t n = v.size() / std::size_t(tinygltf::GetNumComponentsInType(std::uint32_t(type)));
            if (counted && n != count) fail(where + " " + key + ": " + std::to_string(n) + " instances, expected " + std::to_string(count));
            count = n;
            counted = true;
            values.emplace(key, std::move(v));
        }
        for (std::size_t i = 0; i < count; ++i) {
            tinygltf::Node trs;
            if (values.count("TRANSLATION")) trs.translation.assign(&values["TRANSLATION"][3 * i], &values["TRANSLATION"][3 * i] + 3);
            if (values.count("ROTATION")) trs.rotation.assign(&values["ROTATION"][4 * i], &values["ROTATION"][4 * i] + 4);
            if (values.count("SCALE")) trs.scale.assign(&values["SCALE"][3 * i], &values["SCALE"][3 * i] + 3);
            const std::size_t first = document_.layers[0].point_count();
            add_mesh(node.mesh, multiply(world, local_matrix(trs)));
            for (const auto& [key, v] : values) {
                if (key[0] != '_') continue;
                std::string name;
                if (node.extras.IsObject() && node.extras.Has("attributeNames") && node.extras.Get("attributeNames").Has(key) &&
                    node.extras.Get("attributeNames").Get(key).IsString())
                    name = node.extras.Get("attributeNames").Get(key).Get<std::string>();
                set_weight(name.empty() ? key.substr(1) : name, first, v[i]);
            }
        }
    }

    // The accessor's values as floats, `components` per element: float data, or normalized
    // unsigned bytes and shorts (which TEXCOORD may use).
    std::vector<float> floats(int index, int type, const std::string& what) const {
        const tinygltf::Accessor& a = accessor(index, what);
        const std::string name = "accessor " + std::to_string(index) + " (" + what + ")";
        if (a.type != type) fail(name + ": type " + std::to_string(a.type) + ", expected " + std::to_string(type));
        const int components = tinygltf::GetNumComponentsInType(std::uint32_t(a.type));
        const bool normalized_int = a.normalized && (a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE ||
                                                     a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT);
        if (a.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT && !normalized_int) fail(name + ": not float data");
        std::vector<float> out(a.count * std::size_t(components));
        const int size = tinygltf::GetComponentSizeInBytes(std::uint32_t(a.componentType));
        each_element(a, name, std::size_t(size * components), [&](std::size_t e, const unsigned char* p) {
            for (int c = 0; c < components; ++c) {
                const unsigned char* q = p + c * size;
                float v = 0;
                if (a.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT) std::memcpy(&v, q, 4);
                else if (size == 1) v = float(*q) / 255.0f;
                else {
                    std::uint16_t u;
                    std::memcpy(&u, q, 2);
                    v = float(u) / 65535.0f;
                }
                if (!std::isfinite(v)) fail(name + ": value " + std::to_string(e * std::size_t(components) + std::size_t(c)) + " is not finite");
                out[e * std::size_t(components) + std::size_t(c)] = v;
            }
        });
        return out;
    }

    std::vector<std::uint32_t> indices(int index, std::size_t vertex_count, const std::string& what) const {
        const tinygltf::Accessor& a = accessor(index, what);
        const std::string name = "accessor " + std::to_string(index) + " (" + what + ")";
        const int size = a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE    ? 1
                         : a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT ? 2
                         : a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT   ? 4
                                                                                     : 0;
        if (a.type != TINYGLTF_TYPE_SCALAR || size == 0) fail(name + ": indices must be unsigned scalars");
        std::vector<std::uint32_t> out(a.count);
        each_element(a, name, std::size_t(size), [&](std::size_t e, const unsigned char* p) {
            std::uint32_t v = 0;
            if (size == 1) v = *p;
            else if (size == 2) {
                std::uint16_t u;
                std::memcpy(&u, p, 2);
                v = u;
            } else std::memcpy(&v, p, 4);
            if (v >= vertex_count)
                fail(name + ": index " + std::to_string(v) + " is out of range (" + std::to_string(vertex_count) + " vertices)");
            out[e] = v;
        });
        return out;
    }

    const tinygltf::Accessor& accessor(int index, const std::string& what) const {
        if (index < 0 || std::size_t(index) >= model_.accessors.size())
            fail("accessor " + std::to_string(index) + " (" + what + ") does not exist");
        return model_.accessors[std::size_t(index)];
    }

    // Calls visit(element, bytes) for each element after checking that all of them lie in the buffer.
    template <class Visit>
    void each_element(const tinygltf::Accessor& a, const std::string& name, std::size_t element_size, const Visit& visit) const {
        if (a.sparse.isSparse) fail(name + ": sparse accessors are not read");
        if (a.bufferView < 0 || std::size_t(a.bufferView) >= model_.bufferViews.size()) fail(name + ": no buffer view");
        const tinygltf::BufferView& view = model_.bufferViews[std::size_t(a.bufferView)];
        if (view.buffer < 0 || std::size_t(view.buffer) >= model_.buffers.size()) fail(name + ": no buffer");
        const std::vector<unsigned char>& data = model_.buffers[std::size_t(view.buffer)].data;
        const std::size_t stride = view.byteStride ? view.byteStride : element_size;
        if (a.count == 0) return;
        const bool view_fits = view.byteOffset <= data.size() && view.byteLength <= data.size() - view.byteOffset;
        const std::size_t room = a.byteOffset <= view.byteLength ? view.byteLength - a.byteOffset : 0;
        if (!view_fits || stride < element_size || room < element_size || (a.count - 1) > (room - element_size) / stride)
            fail(name + ": " + std::to_string(a.count) + " elements do not fit in buffer view " + std::to_string(a.bufferView));
        const unsigned char* start = data.data() + view.byteOffset + a.byteOffset;
        for (std::size_t e = 0; e < a.count; ++e) visit(e, start + e * stride);
    }

    // The names the writer left in the mesh's extras ("weightNames", "targetNames").
    static std::string extra_name(const tinygltf::Mesh& mesh, const char* key, const std::string& attribute, int index) {
        if (!mesh.extras.IsObject() || !mesh.extras.Has(key)) return {};
        const tinygltf::Value& names = mesh.extras.Get(key);
        if (index >= 0 && names.IsArray() && std::size_t(index) < names.ArrayLen() && names.Get(index).IsString())
            return names.Get(index).Get<std::string>();
        if (index < 0 && names.IsObject() && names.Has(attribute) && names.Get(attribute).IsString())
            return names.Get(attribute).Get<std::string>();
        return {};
    }

    // A surface and its tag per material name, found again through a hash: an object may have
    // thousands of materials. Only this reader adds surfaces and tags to the document.
    int surface_tag(int material) {
        const bool known = material >= 0 && std::size_t(material) < model_.materials.size();
        std::string name = known && !model_.materials[std::size_t(material)].name.empty() ? model_.materials[std::size_t(material)].name
                                                                                          : "Default";
        const auto [tag, added] = tag_by_name_.try_emplace(name, int(document_.tags.size()));
        if (!added) return tag->second;
        host::Surface surface;
        surface.name = name;
        if (known) surface.lwo2_data = surf_data(name, model_.materials[std::size_t(material)]);
        document_.surfaces.push_back(std::move(surface));
        document_.tags.push_back(std::move(name));
        return tag->second;
    }

    // A SURF chunk's data: the name, no source, the base colour (COLR) and sides (SIDE).
    static std::vector<std::uint8_t> surf_data(const std::string& name, const tinygltf::Material& material) {
        std::vector<std::uint8_t> out(name.begin(), name.end());
        out.push_back(0);
        if (out.size() % 2) out.push_back(0);
        out.insert(out.end(), {0, 0, 'C', 'O', 'L', 'R', 0, 14});
        const std::vector<double>& base = material.pbrMetallicRoughness.baseColorFactor;
        for (std::size_t k = 0; k < 3; ++k) {
            const float v = k < base.size() && std::isfinite(base[k]) ? float(base[k]) : 1.0f;
            std::uint32_t bits;
            std::memcpy(&bits, &v, 4);
            for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(bits >> shift));
        }
        out.insert(out.end(), {0, 0});
        if (material.doubleSided) out.insert(out.end(), {'S', 'I', 'D', 'E', 0, 2, 0, 3});
        return out;
    }

    void add_mesh(int index, const Matrix& world) {
        if (index < 0 || std::size_t(index) >= model_.meshes.size()) fail("mesh " + std::to_string(index) + " does not exist");
        const tinygltf::Mesh& mesh = model_.meshes[std::size_t(index)];
        host::Layer& layer = document_.layers[0];
        std::map<int, std::uint32_t> first_point;  // POSITION accessor -> its first point in this instance
        const std::vector<std::vector<std::uint32_t>> numbers = point_numbers(index, mesh);
        const std::uint32_t mesh_first = std::uint32_t(layer.point_count());
        if (!numbers.empty()) {
            std::uint32_t count = 0;
            for (const std::vector<std::uint32_t>& n : numbers)
                for (std::uint32_t v : n) count = std::max(count, v + 1);
            for (std::uint32_t k = 0; k < count; ++k) layer.add_point(0, 0, 0);
        }
        for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
            const tinygltf::Primitive& primitive = mesh.primitives[p];
            const std::string where = "mesh " + std::to_string(index) + " primitive " + std::to_string(p);
            if (primitive.mode != TINYGLTF_MODE_TRIANGLES && primitive.mode != -1) continue;  // points and lines: no polygons
            const auto position = primitive.attributes.find("POSITION");
            if (position == primitive.attributes.end()) fail(where + ": no POSITION");
            const std::size_t vertex_count = accessor(position->second, where + " POSITION").count;
            std::vector<std::uint32_t> point_of(vertex_count);
            if (!numbers.empty()) {
                // The vertices name their points: those that normals split are one point again.
                if (numbers[p].size() != vertex_count) fail(where + " extras points: " + std::to_string(numbers[p].size()) +
                                                            " numbers for " + std::to_string(vertex_count) + " vertices");
                for (std::size_t v = 0; v < vertex_count; ++v) point_of[v] = mesh_first + numbers[p][v];
                add_vertices(layer, mesh, primitive, where, world, point_of);
            } else {
                auto [found, added] = first_point.try_emplace(position->second, std::uint32_t(layer.point_count()));
                for (std::size_t v = 0; v < vertex_count; ++v) point_of[v] = found->second + std::uint32_t(v);
                if (added) {
                    for (std::size_t v = 0; v < vertex_count; ++v) layer.add_point(0, 0, 0);
                    add_vertices(layer, mesh, primitive, where, world, point_of);
                }
            }

            std::vector<std::uint32_t> corners;
            if (primitive.indices >= 0) corners = indices(primitive.indices, vertex_count, where + " indices");
            else for (std::uint32_t v = 0; v < vertex_count; ++v) corners.push_back(v);
            const int tag = surface_tag(primitive.material);
            for (std::size_t t = 0; t + 2 < corners.size(); t += 3) {
                // Right-handed to left-handed, as the writer does it backwards.
                const std::uint32_t polygon[3] = {point_of[corners[t]], point_of[corners[t + 2]], point_of[corners[t + 1]]};
                const std::uint32_t added_polygon = layer.add_polygon(LWPOLTYPE_FACE, polygon);
                layer.set_tag(LWPTAG_SURF, added_polygon, tag);
            }
        }
    }

    // The "points" numbers of each primitive, when every triangle primitive of the mesh has them
    // (the writer's joined vertices); none otherwise. Checked against the mesh's vertex count.
    std::vector<std::vector<std::uint32_t>> point_numbers(int index, const tinygltf::Mesh& mesh) const {
        std::vector<std::vector<std::uint32_t>> numbers(mesh.primitives.size());
        std::size_t vertices = 0;
        for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
            const tinygltf::Primitive& primitive = mesh.primitives[p];
            if (primitive.mode != TINYGLTF_MODE_TRIANGLES && primitive.mode != -1) continue;
            if (!primitive.extras.IsObject() || !primitive.extras.Has("points") || !primitive.extras.Get("points").IsInt()) return {};
            const auto position = primitive.attributes.find("POSITION");
            if (position == primitive.attributes.end()) return {};
            vertices += accessor(position->second, "POSITION").count;
        }
        for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
            const tinygltf::Primitive& primitive = mesh.primitives[p];
            if (primitive.mode != TINYGLTF_MODE_TRIANGLES && primitive.mode != -1) continue;
            const std::string where = "mesh " + std::to_string(index) + " primitive " + std::to_string(p) + " extras points";
            numbers[p] = indices(primitive.extras.Get("points").Get<int>(), vertices, where);
        }
        return numbers;
    }

    // Sets the points of the primitive's vertices (point_of[v]) and their map values.
    void add_vertices(host::Layer& layer, const tinygltf::Mesh& mesh, const tinygltf::Primitive& primitive, const std::string& where,
                      const Matrix& m, const std::vector<std::uint32_t>& point_of) {
        const std::size_t vertex_count = point_of.size();
        const std::vector<float> xyz = floats(primitive.attributes.at("POSITION"), TINYGLTF_TYPE_VEC3, where + " POSITION");
        for (std::size_t v = 0; v < vertex_count; ++v) {
            const double x = xyz[3 * v], y = xyz[3 * v + 1], z = xyz[3 * v + 2];
            const double wx = m[0] * x + m[4] * y + m[8] * z + m[12], wy = m[1] * x + m[5] * y + m[9] * z + m[13],
                         wz = m[2] * x + m[6] * y + m[10] * z + m[14];
            if (!std::isfinite(wx) || !std::isfinite(wy) || !std::isfinite(wz))
                fail(where + " POSITION: vertex " + std::to_string(v) + " is not finite under its node's transform");
            double* position = layer.positions.data() + 3 * std::size_t(point_of[v]);
            position[0] = wx;
            position[1] = wy;
            position[2] = -wz;
        }
        for (const auto& [attribute, accessor_index] : primitive.attributes) {
            const bool uv = attribute.rfind("TEXCOORD_", 0) == 0, weight = attribute.size() > 1 && attribute[0] == '_';
            if (!uv && !weight) continue;
            std::string name = extra_name(mesh, "attributeNames", attribute, -1);
            if (name.empty()) name = uv ? (attribute == "TEXCOORD_0" ? "UV" : "UV" + attribute.substr(9)) : attribute.substr(1);
            const std::vector<float> values = floats(accessor_index, uv ? TINYGLTF_TYPE_VEC2 : TINYGLTF_TYPE_SCALAR, where + " " + attribute);
            if (values.size() < vertex_count * (uv ? 2 : 1)) fail(where + " " + attribute + ": fewer values than vertices");
            host::VertexMap& map = layer.vmap(uv ? LWVMAP_TXUV : LWVMAP_WGHT, name, uv ? 2 : 1);
            for (std::size_t v = 0; v < vertex_count; ++v) {
                const float value[2] = {values[uv ? 2 * v : v], uv ? 1.0f - values[2 * v + 1] : 0.0f};
                map.set(point_of[v], value);
            }
        }
        for (std::size_t t = 0; t < primitive.targets.size(); ++t) {
            const auto delta = primitive.targets[t].find("POSITION");
            if (delta == primitive.targets[t].end()) continue;
            std::string name = extra_name(mesh, "targetNames", "", int(t));
            if (name.empty()) name = "Morph " + std::to_string(t);
            const std::vector<float> d = floats(delta->second, TINYGLTF_TYPE_VEC3, where + " target " + std::to_string(t));
            if (d.size() < 3 * vertex_count) fail(where + " target " + std::to_string(t) + ": fewer values than vertices");
            host::VertexMap& map = layer.vmap(LWVMAP_MORF, name, 3);
            for (std::size_t v = 0; v < vertex_count; ++v) {
                // Directions turn with the node, without its move.
                const double x = d[3 * v], y = d[3 * v + 1], z = d[3 * v + 2];
                const float value[3] = {float(m[0] * x + m[4] * y + m[8] * z), float(m[1] * x + m[5] * y + m[9] * z),
                                        float(-(m[2] * x + m[6] * y + m[10] * z))};
                if (value[0] != 0 || value[1] != 0 || value[2] != 0) map.set(point_of[v], value);
            }
        }
    }

    const std::filesystem::path& path_;
    tinygltf::Model& model_;
    host::Document document_;
    std::unordered_map<std::string, int> tag_by_name_;
};

// Images are not needed: a stand-in that keeps tinygltf from decoding them.
bool skip_image(tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int, void*) { return true; }

// Buffers that a .gltf names by uri are read as our inputs are: regular files only (a uri of
// /dev/zero must not read for ever), bounded in size, no ~ expansion, never written.
bool buffer_file_exists(const std::string& path, void*) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}
std::string keep_path(const std::string& path, void*) { return path; }
bool read_buffer_file(std::vector<unsigned char>* out, std::string* error, const std::string& path, void*) {
    try {
        *out = read_whole_file(path, kMaxGltfFile);
        return true;
    } catch (const FileError& e) {
        if (error) *error += e.what();
        return false;
    }
}
bool refuse_writing(std::string*, const std::string&, const std::vector<unsigned char>&, void*) { return false; }

}  // namespace

host::Document read_gltf(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = read_whole_file(path, kMaxGltfFile);
    tinygltf::TinyGLTF loader;
    loader.SetImageLoader(skip_image, nullptr);
    loader.SetFsCallbacks({buffer_file_exists, keep_path, read_buffer_file, refuse_writing, nullptr});
    tinygltf::Model model;
    std::string error, warning;
    const std::string folder = path.parent_path().empty() ? "." : path.parent_path().string();
    const bool binary = bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0;
    const bool loaded = binary ? loader.LoadBinaryFromMemory(&model, &error, &warning, bytes.data(), unsigned(bytes.size()), folder)
                               : loader.LoadASCIIFromString(&model, &error, &warning, reinterpret_cast<const char*>(bytes.data()),
                                                            unsigned(bytes.size()), folder);
    if (!loaded) {
        const std::string first_line = error.substr(0, error.find('\n'));
        throw FileError(path, "not a glTF file this tool reads: " + (first_line.empty() ? std::string("unknown fault") : first_line));
    }
    return GltfReader(path, model).read();
}

}  // namespace zelkor::io
