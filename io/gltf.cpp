// glTF 2.0 writing through tinygltf: the document is flattened and triangulated, then every
// attribute is gathered per vertex into one buffer.
#include "io/gltf.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <span>
#include <sstream>

#include "io/atomic_file.h"
#include "io/dropped_data.h"
#include "io/file_error.h"
#include "io/file_text.h"
#include "io/surface_look.h"
#include "io/mesh_file.h"

namespace zelkor::io {

namespace {

using host::Document;
using host::Layer;

constexpr std::uint32_t kNoVertex = 0xFFFFFFFFu;

struct SurfaceTriangles {
    std::string surface;
    std::vector<std::uint32_t> corners;  // three per triangle: global point indices, then vertex indices
};

// All layers' points in one numbering, and the triangles of every FACE polygon by surface.
struct FlatMesh {
    std::vector<std::uint32_t> layer_first_point;
    std::vector<SurfaceTriangles> surfaces;
    std::vector<std::uint32_t> vertex_by_point;  // kNoVertex for points no triangle uses
    std::uint32_t vertex_count = 0;
};

std::string_view surface_name(const Document& document, const Layer& layer, std::size_t polygon) {
    std::int32_t tag = layer.tag(LWPTAG_SURF, polygon);
    if (tag < 0 || std::size_t(tag) >= document.tags.size()) return "Default";
    return document.tags[std::size_t(tag)];
}

// The triangles of `surface`, found through `by_name` (views into the document's tags): an object
// may have thousands of surfaces.
SurfaceTriangles& triangles_of(FlatMesh& mesh, std::unordered_map<std::string_view, std::size_t>& by_name,
                               std::string_view surface) {
    const auto [it, added] = by_name.try_emplace(surface, mesh.surfaces.size());
    if (added) mesh.surfaces.push_back(SurfaceTriangles{std::string(surface), {}});
    return mesh.surfaces[it->second];
}

// Left-handed to right-handed reverses the polygon to a, d, c, b; the fan then runs from a.
void add_fan(std::span<const std::uint32_t> points, std::uint32_t first_point, std::vector<std::uint32_t>& corners) {
    std::size_t n = points.size();
    for (std::size_t i = 1; i + 1 < n; ++i) {
        corners.push_back(first_point + points[0]);
        corners.push_back(first_point + points[n - i]);
        corners.push_back(first_point + points[n - i - 1]);
    }
}

FlatMesh triangulate(const Document& document, DroppedData& dropped) {
    FlatMesh mesh;
    std::unordered_map<std::string_view, std::size_t> by_name;
    std::uint32_t first_point = 0;
    for (const Layer& layer : document.layers) {
        mesh.layer_first_point.push_back(first_point);
        for (std::size_t polygon = 0; polygon < layer.polygon_count(); ++polygon) {
            std::span<const std::uint32_t> points = layer.polygon(polygon);
            if (layer.poly_type[polygon] != LWPOLTYPE_FACE) {
                dropped.count("polygons other than faces:", host::id_text(layer.poly_type[polygon]));
            } else if (points.size() < 3) {
                dropped.count("polygons of fewer than 3 points:", "FACE");
            } else {
                add_fan(points, first_point, triangles_of(mesh, by_name, surface_name(document, layer, polygon)).corners);
            }
        }
        first_point += std::uint32_t(layer.point_count());
    }
    // Vertices in point order, so that vertex order follows the document.
    mesh.vertex_by_point.assign(first_point, kNoVertex);
    for (const SurfaceTriangles& s : mesh.surfaces)
        for (std::uint32_t point : s.corners) mesh.vertex_by_point[point] = 0;
    for (std::uint32_t& vertex : mesh.vertex_by_point)
        if (vertex != kNoVertex) vertex = mesh.vertex_count++;
    for (SurfaceTriangles& s : mesh.surfaces)
        for (std::uint32_t& corner : s.corners) corner = mesh.vertex_by_point[corner];
    return mesh;
}

// A map written as a vertex attribute or morph target, resolved once per layer.
struct MapAttribute {
    LWID type = 0;
    std::string map_name;
    std::string attribute;                         // TEXCOORD_n, _NAME, or the morph target's name
    std::vector<const host::VertexMap*> by_layer;  // null where a layer lacks the map
};

// "ZK_index" -> "_ZK_INDEX": custom attributes start with an underscore, and upper case keeps
// them apart from the attributes glTF defines.
std::string custom_attribute_name(std::string_view map_name) {
    std::string name = "_";
    for (char c : map_name) {
        char upper = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
        bool kept = (upper >= 'A' && upper <= 'Z') || (upper >= '0' && upper <= '9') || upper == '_';
        name += kept ? upper : '_';
    }
    return name;
}

class MapCollector {
public:
    MapCollector(const Document& document, DroppedData& dropped) : document_(document), dropped_(dropped) {}

    void collect() {
        for (const Layer& layer : document_.layers) {
            for (const host::VertexMap& map : layer.vmaps) take(map);
            for (const host::DiscontinuousMap& map : layer.vmads)
                dropped_.add("per-polygon values of " + map_kind(map.type), map.name);
        }
        resolve(uvs);
        resolve(weights);
        resolve(morphs);
    }

    std::vector<MapAttribute> uvs, weights, morphs;

private:
    void take(const host::VertexMap& map) {
        switch (map.type) {
        case LWVMAP_TXUV: add(uvs, map, "TEXCOORD_" + std::to_string(uvs.size())); break;
        case LWVMAP_WGHT: add(weights, map, unique_custom_name(map.name)); break;
        case LWVMAP_MORF:
        case LWVMAP_SPOT: add(morphs, map, map.name); break;
        default: dropped_.add(map_kind(map.type), map.name); break;
        }
    }

    static bool has(const std::vector<MapAttribute>& list, const host::VertexMap& map) {
        return std::any_of(list.begin(), list.end(),
                           [&](const MapAttribute& a) { return a.type == map.type && a.map_name == map.name; });
    }

    void add(std::vector<MapAttribute>& list, const host::VertexMap& map, const std::string& attribute) {
        if (!has(list, map)) list.push_back({map.type, map.name, attribute, {}});
    }

    // Two names may differ only in characters that become '_'; the later one gets a number. Names
    // and attributes are looked up in hashes: a target may hold thousands of weight maps.
    std::string unique_custom_name(const std::string& map_name) {
        if (auto known = attribute_by_map_.find(map_name); known != attribute_by_map_.end()) return known->second;
        const std::string base = custom_attribute_name(map_name);
        std::string name = base;
        int& next = next_number_[base];
        for (int n = std::max(next, 2); used_attributes_.count(name); ++n) {
            name = base + "_" + std::to_string(n);
            next = n + 1;
        }
        used_attributes_.insert(name);
        attribute_by_map_.emplace(map_name, name);
        return name;
    }
    std::unordered_map<std::string, std::string> attribute_by_map_;
    std::unordered_set<std::string> used_attributes_;
    std::unordered_map<std::string, int> next_number_;

    void resolve(std::vector<MapAttribute>& list) const {
        for (MapAttribute& a : list)
            for (const Layer& layer : document_.layers) a.by_layer.push_back(layer.find_vmap(a.type, a.map_name));
    }

    const Document& document_;
    DroppedData& dropped_;
};

// Values per vertex, `components` floats each; `value(layer, point, out)` fills one vertex.
template <typename PerPoint>
std::vector<float> gather(const Document& document, const FlatMesh& mesh, int components, PerPoint value) {
    std::vector<float> out(std::size_t(mesh.vertex_count) * components, 0.0f);
    for (std::size_t l = 0; l < document.layers.size(); ++l) {
        const Layer& layer = document.layers[l];
        for (std::uint32_t p = 0; p < layer.point_count(); ++p) {
            std::uint32_t vertex = mesh.vertex_by_point[mesh.layer_first_point[l] + p];
            if (vertex != kNoVertex) value(l, layer, p, &out[std::size_t(vertex) * components]);
        }
    }
    return out;
}

// Appends data to the one buffer and describes it by views and accessors.
class BufferWriter {
public:
    explicit BufferWriter(tinygltf::Model& model) : model_(model) {
        model_.buffers.emplace_back();
    }

    int add_floats(const std::vector<float>& values, int type, int components, bool with_bounds) {
        tinygltf::Accessor accessor;
        accessor.bufferView = add_view(values.data(), values.size() * sizeof(float), TINYGLTF_TARGET_ARRAY_BUFFER);
        accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        accessor.count = values.size() / std::size_t(components);
        accessor.type = type;
        // glTF requires bounds on POSITION, morph targets' included.
        if (with_bounds) bounds(values, components, accessor.minValues, accessor.maxValues);
        model_.accessors.push_back(std::move(accessor));
        return int(model_.accessors.size() - 1);
    }

    int add_indices(const std::vector<std::uint32_t>& indices) {
        tinygltf::Accessor accessor;
        accessor.bufferView =
            add_view(indices.data(), indices.size() * sizeof(std::uint32_t), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        accessor.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
        accessor.count = indices.size();
        accessor.type = TINYGLTF_TYPE_SCALAR;
        model_.accessors.push_back(std::move(accessor));
        return int(model_.accessors.size() - 1);
    }

private:
    // Every element is 4 bytes, so every view stays 4-byte aligned.
    int add_view(const void* bytes, std::size_t size, int target) {
        std::vector<unsigned char>& data = model_.buffers[0].data;
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = data.size();
        view.byteLength = size;
        view.target = target;
        data.resize(data.size() + size);
        std::memcpy(data.data() + view.byteOffset, bytes, size);
        model_.bufferViews.push_back(std::move(view));
        return int(model_.bufferViews.size() - 1);
    }

    static void bounds(const std::vector<float>& values, int components, std::vector<double>& min, std::vector<double>& max) {
        min.assign(std::size_t(components), std::numeric_limits<double>::infinity());
        max.assign(std::size_t(components), -std::numeric_limits<double>::infinity());
        for (std::size_t i = 0; i < values.size(); ++i) {
            std::size_t c = i % std::size_t(components);
            min[c] = std::min(min[c], double(values[i]));
            max[c] = std::max(max[c], double(values[i]));
        }
    }

    tinygltf::Model& model_;
};

class GltfBuilder {
public:
    GltfBuilder(const Document& document, const FlatMesh& mesh, const MapCollector& maps)
        : document_(document), mesh_(mesh), maps_(maps), buffer_(model_) {}

    // The surface's look as a metal-free PBR material: colour times diffuse level as the base
    // colour, a shinier surface (higher specular level) as a smoother one.
    tinygltf::Material material(std::string_view surface) const {
        const SurfaceLook look = looks_(surface);
        tinygltf::Material material;
        material.name = as_utf8(surface);
        std::vector<double>& base = material.pbrMetallicRoughness.baseColorFactor;
        for (int k = 0; k < 3; ++k) base[std::size_t(k)] = std::clamp(double(look.colour[std::size_t(k)] * look.diffuse), 0.0, 1.0);
        material.pbrMetallicRoughness.metallicFactor = 0.0;
        material.pbrMetallicRoughness.roughnessFactor = std::clamp(1.0 - double(look.specular), 0.0, 1.0);
        material.doubleSided = look.double_sided;
        return material;
    }

    tinygltf::Model build() {
        model_.asset.version = "2.0";
        model_.asset.generator = "Zelkor";
        model_.scenes.emplace_back();
        model_.defaultScene = 0;
        tinygltf::Mesh gltf_mesh;
        std::map<std::string, int> attributes = vertex_attributes();
        std::vector<std::map<std::string, int>> targets = morph_targets(gltf_mesh);
        for (const SurfaceTriangles& s : mesh_.surfaces) {
            model_.materials.push_back(material(s.surface));
            tinygltf::Primitive primitive;
            primitive.attributes = attributes;
            primitive.targets = targets;
            primitive.indices = buffer_.add_indices(s.corners);
            primitive.material = int(model_.materials.size() - 1);
            primitive.mode = TINYGLTF_MODE_TRIANGLES;
            gltf_mesh.primitives.push_back(std::move(primitive));
        }
        model_.meshes.push_back(std::move(gltf_mesh));
        tinygltf::Node node;
        node.mesh = 0;
        model_.nodes.push_back(std::move(node));
        model_.scenes[0].nodes.push_back(0);
        return std::move(model_);
    }

private:
    std::map<std::string, int> vertex_attributes() {
        std::map<std::string, int> attributes;
        std::vector<float> positions = gather(document_, mesh_, 3, [](std::size_t, const Layer& layer, std::uint32_t p, float* out) {
            const double* xyz = layer.position(p);
            out[0] = float(xyz[0]);
            out[1] = float(xyz[1]);
            out[2] = float(-xyz[2]);
        });
        attributes["POSITION"] = buffer_.add_floats(positions, TINYGLTF_TYPE_VEC3, 3, true);
        for (const MapAttribute& uv : maps_.uvs) {
            std::vector<float> values = gather(document_, mesh_, 2, [&](std::size_t l, const Layer&, std::uint32_t p, float* out) {
                const host::VertexMap* map = uv.by_layer[l];
                bool has = map && map->has_value(p);
                out[0] = has ? map->value(p)[0] : 0.0f;
                out[1] = 1.0f - (has ? map->value(p)[1] : 0.0f);
            });
            attributes[uv.attribute] = buffer_.add_floats(values, TINYGLTF_TYPE_VEC2, 2, false);
            attribute_names_[uv.attribute] = tinygltf::Value(as_utf8(uv.map_name));
        }
        for (const MapAttribute& weight : maps_.weights) {
            std::vector<float> values = gather(document_, mesh_, 1, [&](std::size_t l, const Layer&, std::uint32_t p, float* out) {
                const host::VertexMap* map = weight.by_layer[l];
                out[0] = map && map->has_value(p) ? map->value(p)[0] : 0.0f;
            });
            attributes[weight.attribute] = buffer_.add_floats(values, TINYGLTF_TYPE_SCALAR, 1, false);
            attribute_names_[weight.attribute] = tinygltf::Value(as_utf8(weight.map_name));
            // Importers that ignore custom attributes (Blender's) show vertex colours: the clone
            // number as a grey level.
            if (weight.map_name == "ZK_index" && !attributes.count("COLOR_0")) {
                std::vector<float> grey(values.size() * 3);
                for (std::size_t v = 0; v < values.size(); ++v)
                    grey[3 * v] = grey[3 * v + 1] = grey[3 * v + 2] = std::clamp(values[v], 0.0f, 1.0f);
                attributes["COLOR_0"] = buffer_.add_floats(grey, TINYGLTF_TYPE_VEC3, 3, false);
            }
        }
        return attributes;
    }

    // Relative morphs are the deltas themselves; absolute ones become deltas from the points.
    std::vector<std::map<std::string, int>> morph_targets(tinygltf::Mesh& gltf_mesh) {
        std::vector<std::map<std::string, int>> targets;
        tinygltf::Value::Array names;
        for (const MapAttribute& morph : maps_.morphs) {
            std::vector<float> deltas = gather(document_, mesh_, 3, [&](std::size_t l, const Layer& layer, std::uint32_t p, float* out) {
                const host::VertexMap* map = morph.by_layer[l];
                if (!map || !map->has_value(p)) return;
                const float* v = map->value(p);
                const double* base = layer.position(p);
                bool absolute = morph.type == LWVMAP_SPOT;
                for (int c = 0; c < 3; ++c) {
                    double delta = absolute ? double(v[c]) - base[c] : double(v[c]);
                    out[c] = float(c == 2 ? -delta : delta);
                }
            });
            targets.push_back({{"POSITION", buffer_.add_floats(deltas, TINYGLTF_TYPE_VEC3, 3, true)}});
            names.emplace_back(as_utf8(morph.attribute));
            gltf_mesh.weights.push_back(0.0);
        }
        // Names the attributes cannot hold, for readers (ours among them) to give back.
        tinygltf::Value::Object extras;
        if (!targets.empty()) extras["targetNames"] = tinygltf::Value(std::move(names));
        if (!attribute_names_.empty()) extras["attributeNames"] = tinygltf::Value(attribute_names_);
        if (!extras.empty()) gltf_mesh.extras = tinygltf::Value(std::move(extras));
        return targets;
    }

    const Document& document_;
    const FlatMesh& mesh_;
    const MapCollector& maps_;
    const SurfaceLooks looks_{document_};
    tinygltf::Value::Object attribute_names_;  // "_HOLLOWS" -> "Hollows", "TEXCOORD_0" -> "RockUV"
    tinygltf::Model model_;
    BufferWriter buffer_;
};

bool is_binary_path(const std::filesystem::path& path) {
    return lower_extension(path) == ".glb";
}

}  // namespace

std::vector<std::string> write_gltf(const host::Document& document, AtomicOutput& output) {
    const std::filesystem::path& path = output.path();
    DroppedData dropped;
    FlatMesh mesh = triangulate(document, dropped);
    MapCollector maps(document, dropped);
    maps.collect();

    tinygltf::Model model;
    if (mesh.vertex_count > 0) {
        model = GltfBuilder(document, mesh, maps).build();
    } else {
        // Nothing to draw: no scene at all, since glTF forbids empty buffers and accessors.
        model.asset.version = "2.0";
        model.asset.generator = "Zelkor";
    }

    bool binary = is_binary_path(path);
    std::ostringstream stream;
    tinygltf::TinyGLTF gltf;
    if (!gltf.WriteGltfSceneToStream(&model, stream, !binary, binary))
        throw FileError(path, "cannot encode the glTF data");
    const std::string_view bytes = stream.view();
    output.write_now(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    output.finish();
    return dropped.lines();
}

}  // namespace zelkor::io
