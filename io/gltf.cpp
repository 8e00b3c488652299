// glTF 2.0 writing through tinygltf: the document is flattened and triangulated, then every
// attribute is gathered per vertex into one buffer.
#include "io/gltf.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cmath>
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

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// One surface's triangles over vertices of its own: a vertex is a point with one of the normals
// it has in this surface.
struct Primitive {
    std::string surface;
    std::vector<std::uint32_t> indices;       // three per triangle
    std::vector<std::uint32_t> vertex_point;  // its point, numbered over all layers
    std::vector<float> normals;               // three per vertex, unit length
};

// All layers' points in one numbering and the primitives; `point_number` numbers the points that
// some triangle uses, in point order (kNone for the others), which is what "points" keeps.
struct FlatMesh {
    std::vector<std::uint32_t> layer_first_point;
    std::vector<std::uint32_t> point_layer;
    std::vector<Primitive> primitives;
    std::vector<std::uint32_t> point_number;
    std::uint32_t used_points = 0;
};

std::string_view surface_name(const Document& document, const Layer& layer, std::size_t polygon) {
    std::int32_t tag = layer.tag(LWPTAG_SURF, polygon);
    if (tag < 0 || std::size_t(tag) >= document.tags.size()) return "Default";
    return document.tags[std::size_t(tag)];
}

// A FACE polygon that becomes triangles, kept small: a scatter has millions.
struct Face {
    std::array<float, 3> normal;  // in glTF's frame, unit length (0 without area)
    float area;
    std::uint32_t layer, polygon, surface;
};

// Positions in glTF's frame: z negated.
std::array<double, 3> output_position(const Layer& layer, std::uint32_t point) {
    const double* p = layer.position(point);
    return {p[0], p[1], -p[2]};
}

// Newell's normal of the polygon as written (reversed with z negated: the same turning sense).
std::array<double, 3> face_normal(const Layer& layer, std::span<const std::uint32_t> points) {
    std::array<double, 3> n{};
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto a = output_position(layer, points[(points.size() - i) % points.size()]);
        const auto b = output_position(layer, points[(2 * points.size() - i - 1) % points.size()]);
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    return n;
}

std::array<double, 3> unit_of(const std::array<double, 3>& v) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(length > 0) || !std::isfinite(length)) return {0, 0, 0};
    return {v[0] / length, v[1] / length, v[2] / length};
}

class Triangulator {
public:
    Triangulator(const Document& document, DroppedData& dropped) : document_(document), dropped_(dropped) {}

    FlatMesh run() {
        collect_faces();
        link_points();
        std::vector<float> cosines;
        const SurfaceLooks looks(document_);
        for (const Primitive& p : mesh_.primitives) cosines.push_back(float(std::cos(looks(p.surface).smoothing_angle)));
        for (std::uint32_t f = 0; f < faces_.size(); ++f) add_face(f, cosines[faces_[f].surface]);
        mesh_.point_number.assign(mesh_.point_layer.size(), kNone);
        for (const Primitive& p : mesh_.primitives)
            for (std::uint32_t point : p.vertex_point) mesh_.point_number[point] = 0;
        for (std::uint32_t& number : mesh_.point_number)
            if (number != kNone) number = mesh_.used_points++;
        return std::move(mesh_);
    }

private:
    void collect_faces() {
        std::unordered_map<std::string_view, std::uint32_t> by_name;  // an object may have thousands of surfaces
        std::uint32_t first_point = 0;
        for (std::uint32_t l = 0; l < document_.layers.size(); ++l) {
            const Layer& layer = document_.layers[l];
            mesh_.layer_first_point.push_back(first_point);
            for (std::uint32_t polygon = 0; polygon < layer.polygon_count(); ++polygon) {
                std::span<const std::uint32_t> points = layer.polygon(polygon);
                if (layer.poly_type[polygon] != LWPOLTYPE_FACE) {
                    dropped_.count("polygons other than faces:", host::id_text(layer.poly_type[polygon]));
                    continue;
                }
                if (points.size() < 3) {
                    dropped_.count("polygons of fewer than 3 points:", "FACE");
                    continue;
                }
                const std::string_view name = surface_name(document_, layer, polygon);
                const auto [it, added] = by_name.try_emplace(name, std::uint32_t(mesh_.primitives.size()));
                if (added) mesh_.primitives.push_back(Primitive{std::string(name), {}, {}, {}});
                const std::array<double, 3> normal = face_normal(layer, points);
                const std::array<double, 3> unit = unit_of(normal);
                const double area = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
                faces_.push_back(Face{{float(unit[0]), float(unit[1]), float(unit[2])}, float(area), l, polygon, it->second});
            }
            first_point += std::uint32_t(layer.point_count());
            mesh_.point_layer.resize(first_point, l);
        }
    }

    // The faces around each point, as offsets into one list.
    void link_points() {
        face_start_.assign(mesh_.point_layer.size() + 1, 0);
        for (const Face& f : faces_)
            for (std::uint32_t p : polygon_of(f)) ++face_start_[global(f, p) + 1];
        for (std::size_t k = 1; k < face_start_.size(); ++k) face_start_[k] += face_start_[k - 1];
        point_faces_.resize(face_start_.back());
        std::vector<std::uint32_t> fill(face_start_.begin(), face_start_.end() - 1);
        for (std::uint32_t f = 0; f < faces_.size(); ++f)
            for (std::uint32_t p : polygon_of(faces_[f])) point_faces_[fill[global(faces_[f], p)]++] = f;
        vertex_head_.assign(mesh_.point_layer.size(), kNone);
        head_primitive_.assign(mesh_.point_layer.size(), kNone);
    }

    std::span<const std::uint32_t> polygon_of(const Face& f) const { return document_.layers[f.layer].polygon(f.polygon); }
    std::uint32_t global(const Face& f, std::uint32_t point) const { return mesh_.layer_first_point[f.layer] + point; }

    // The normal at `point` of face f: the faces of its surface around the point that turn from
    // f by less than the smoothing angle, weighted by area.
    std::array<float, 3> corner_normal(std::uint32_t f, std::uint32_t point, float cosine) const {
        const Face& face = faces_[f];
        std::array<double, 3> sum{};
        for (std::uint32_t k = face_start_[point]; k < face_start_[point + 1]; ++k) {
            const Face& other = faces_[point_faces_[k]];
            if (other.surface != face.surface) continue;
            const float dot = face.normal[0] * other.normal[0] + face.normal[1] * other.normal[1] + face.normal[2] * other.normal[2];
            if (point_faces_[k] != f && dot < cosine) continue;
            for (std::size_t c = 0; c < 3; ++c) sum[c] += double(other.normal[c]) * other.area;
        }
        std::array<double, 3> unit = unit_of(sum);
        if (unit == std::array<double, 3>{0, 0, 0}) unit = {face.normal[0], face.normal[1], face.normal[2]};
        if (unit == std::array<double, 3>{0, 0, 0}) unit = {0, 1, 0};  // a face without area
        return {float(unit[0]), float(unit[1]), float(unit[2])};
    }

    // The vertex of `point` with `normal` in primitive `pi`, made when new.
    std::uint32_t vertex(std::uint32_t pi, std::uint32_t point, const std::array<float, 3>& normal) {
        Primitive& p = mesh_.primitives[pi];
        if (head_primitive_[point] != pi) {
            head_primitive_[point] = pi;
            vertex_head_[point] = kNone;
        }
        for (std::uint32_t v = vertex_head_[point]; v != kNone; v = next_vertex_[pi][v])
            if (std::memcmp(&p.normals[3 * std::size_t(v)], normal.data(), sizeof normal) == 0) return v;
        const std::uint32_t v = std::uint32_t(p.vertex_point.size());
        p.vertex_point.push_back(point);
        p.normals.insert(p.normals.end(), normal.begin(), normal.end());
        if (next_vertex_.size() <= pi) next_vertex_.resize(pi + 1);
        next_vertex_[pi].push_back(vertex_head_[point]);
        vertex_head_[point] = v;
        return v;
    }

    // Left-handed to right-handed reverses the polygon to a, d, c, b; the fan then runs from a.
    void add_face(std::uint32_t f, float cosine) {
        const Face& face = faces_[f];
        const std::span<const std::uint32_t> points = polygon_of(face);
        const std::size_t n = points.size();
        corners_.clear();
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t point = global(face, points[(n - i) % n]);
            corners_.push_back(vertex(face.surface, point, corner_normal(f, point, cosine)));
        }
        std::vector<std::uint32_t>& indices = mesh_.primitives[face.surface].indices;
        for (std::size_t i = 1; i + 1 < n; ++i) indices.insert(indices.end(), {corners_[0], corners_[i], corners_[i + 1]});
    }

    const Document& document_;
    DroppedData& dropped_;
    FlatMesh mesh_;
    std::vector<Face> faces_;
    std::vector<std::uint32_t> face_start_, point_faces_;
    std::vector<std::uint32_t> vertex_head_, head_primitive_;  // per point: its newest vertex in head_primitive_
    std::vector<std::vector<std::uint32_t>> next_vertex_;      // per primitive and vertex: the point's older vertex
    std::vector<std::uint32_t> corners_;
};

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
        case LWVMAP_MORF: add(morphs, map, map.name); break;
        // Their values are the template's on every clone: as targets they would pull every clone
        // to the template's place.
        case LWVMAP_SPOT: dropped_.add("absolute morph maps (they would move every clone onto the template)", map.name); break;
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

// Values per vertex of `primitive`, `components` floats each; `value(layer, point, out)` fills one.
template <typename PerPoint>
std::vector<float> gather(const Document& document, const FlatMesh& mesh, const Primitive& primitive, int components,
                          PerPoint value) {
    std::vector<float> out(primitive.vertex_point.size() * std::size_t(components), 0.0f);
    for (std::size_t v = 0; v < primitive.vertex_point.size(); ++v) {
        const std::uint32_t point = primitive.vertex_point[v];
        const std::uint32_t l = mesh.point_layer[point];
        value(l, document.layers[l], point - mesh.layer_first_point[l], &out[v * std::size_t(components)]);
    }
    return out;
}

// Appends data to the one buffer and describes it by views and accessors.
class BufferWriter {
public:
    explicit BufferWriter(tinygltf::Model& model) : model_(model) { model_.buffers.emplace_back(); }

    // `target` 0 for data that is no vertex attribute (instance data, point numbers).
    int add_floats(const std::vector<float>& values, int type, int components, bool with_bounds,
                   int target = TINYGLTF_TARGET_ARRAY_BUFFER) {
        tinygltf::Accessor accessor;
        accessor.bufferView = add_view(values.data(), values.size() * sizeof(float), target);
        accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        accessor.count = values.size() / std::size_t(components);
        accessor.type = type;
        // glTF requires bounds on POSITION, morph targets' included.
        if (with_bounds) bounds(values, components, accessor.minValues, accessor.maxValues);
        model_.accessors.push_back(std::move(accessor));
        return int(model_.accessors.size() - 1);
    }

    // 16-bit indices when every index fits, as engines prefer, else 32-bit.
    int add_indices(const std::vector<std::uint32_t>& indices, int target = TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER) {
        tinygltf::Accessor accessor;
        const bool narrow = std::all_of(indices.begin(), indices.end(), [](std::uint32_t i) { return i < 0xFFFFu; });
        if (narrow) {
            std::vector<std::uint16_t> shorts(indices.begin(), indices.end());
            if (shorts.size() % 2) shorts.push_back(0);  // keeps the next view 4-byte aligned
            accessor.bufferView = add_view(shorts.data(), shorts.size() * sizeof(std::uint16_t), target);
            model_.bufferViews.back().byteLength = indices.size() * sizeof(std::uint16_t);
        } else {
            accessor.bufferView = add_view(indices.data(), indices.size() * sizeof(std::uint32_t), target);
        }
        accessor.componentType = narrow ? TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT : TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
        accessor.count = indices.size();
        accessor.type = TINYGLTF_TYPE_SCALAR;
        model_.accessors.push_back(std::move(accessor));
        return int(model_.accessors.size() - 1);
    }

private:
    // Every view starts 4-byte aligned: elements are 4 bytes, and 2-byte indices are padded.
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

// The whole file: materials by surface name, one buffer, meshes added one document at a time.
class GltfBuilder {
public:
    GltfBuilder() : buffer_(model_) {
        model_.asset.version = "2.0";
        model_.asset.generator = "Zelkor";
        model_.scenes.emplace_back();
        model_.defaultScene = 0;
    }

    // The document as one mesh, or -1 when it has no triangles.
    int add_mesh(const Document& document, DroppedData& dropped) {
        const FlatMesh mesh = Triangulator(document, dropped).run();
        MapCollector maps(document, dropped);
        maps.collect();
        if (mesh.used_points == 0) return -1;
        const SurfaceLooks looks(document);
        tinygltf::Mesh gltf_mesh;
        tinygltf::Value::Object attribute_names;  // "_HOLLOWS" -> "Hollows", "TEXCOORD_0" -> "RockUV"
        tinygltf::Value::Array target_names;
        for (const MapAttribute& morph : maps.morphs) {
            target_names.emplace_back(as_utf8(morph.attribute));
            gltf_mesh.weights.push_back(0.0);
        }
        for (const Primitive& p : mesh.primitives) {
            tinygltf::Primitive primitive;
            primitive.attributes = vertex_attributes(document, mesh, p, maps, attribute_names);
            primitive.targets = morph_targets(document, mesh, p, maps);
            primitive.indices = buffer_.add_indices(p.indices);
            primitive.material = material(looks, p.surface);
            primitive.mode = TINYGLTF_MODE_TRIANGLES;
            // Which point each vertex is, so that a reader can join what normals split.
            std::vector<std::uint32_t> numbers;
            numbers.reserve(p.vertex_point.size());
            for (std::uint32_t point : p.vertex_point) numbers.push_back(mesh.point_number[point]);
            tinygltf::Value::Object extras;
            extras["points"] = tinygltf::Value(buffer_.add_indices(numbers, 0));
            primitive.extras = tinygltf::Value(std::move(extras));
            gltf_mesh.primitives.push_back(std::move(primitive));
        }
        // Names the attributes cannot hold, for readers (ours among them) to give back.
        tinygltf::Value::Object extras;
        if (!target_names.empty()) extras["targetNames"] = tinygltf::Value(std::move(target_names));
        if (!attribute_names.empty()) extras["attributeNames"] = tinygltf::Value(std::move(attribute_names));
        if (!extras.empty()) gltf_mesh.extras = tinygltf::Value(std::move(extras));
        model_.meshes.push_back(std::move(gltf_mesh));
        return int(model_.meshes.size() - 1);
    }

    int add_node(tinygltf::Node node) {
        model_.nodes.push_back(std::move(node));
        model_.scenes[0].nodes.push_back(int(model_.nodes.size() - 1));
        return int(model_.nodes.size() - 1);
    }

    BufferWriter& buffer() { return buffer_; }
    tinygltf::Model& model() { return model_; }

private:
    // The surface's look as a metal-free PBR material: colour times diffuse level as the base
    // colour, a shinier surface (higher specular level) as a smoother one. One per surface name.
    int material(const SurfaceLooks& looks, const std::string& surface) {
        const auto [it, added] = material_by_surface_.try_emplace(surface, int(model_.materials.size()));
        if (!added) return it->second;
        const SurfaceLook look = looks(surface);
        tinygltf::Material material;
        material.name = as_utf8(surface);
        std::vector<double>& base = material.pbrMetallicRoughness.baseColorFactor;
        for (int k = 0; k < 3; ++k) base[std::size_t(k)] = std::clamp(double(look.colour[std::size_t(k)] * look.diffuse), 0.0, 1.0);
        material.pbrMetallicRoughness.metallicFactor = 0.0;
        material.pbrMetallicRoughness.roughnessFactor = std::clamp(1.0 - double(look.specular), 0.0, 1.0);
        material.doubleSided = look.double_sided;
        model_.materials.push_back(std::move(material));
        return it->second;
    }

    std::map<std::string, int> vertex_attributes(const Document& document, const FlatMesh& mesh, const Primitive& p,
                                                 const MapCollector& maps, tinygltf::Value::Object& names) {
        std::map<std::string, int> attributes;
        std::vector<float> positions = gather(document, mesh, p, 3, [](std::size_t, const Layer& layer, std::uint32_t point, float* out) {
            const double* xyz = layer.position(point);
            out[0] = float(xyz[0]);
            out[1] = float(xyz[1]);
            out[2] = float(-xyz[2]);
        });
        attributes["POSITION"] = buffer_.add_floats(positions, TINYGLTF_TYPE_VEC3, 3, true);
        attributes["NORMAL"] = buffer_.add_floats(p.normals, TINYGLTF_TYPE_VEC3, 3, false);
        for (const MapAttribute& uv : maps.uvs) {
            std::vector<float> values = gather(document, mesh, p, 2, [&](std::size_t l, const Layer&, std::uint32_t point, float* out) {
                const host::VertexMap* map = uv.by_layer[l];
                bool has = map && map->has_value(point);
                out[0] = has ? map->value(point)[0] : 0.0f;
                out[1] = 1.0f - (has ? map->value(point)[1] : 0.0f);
            });
            attributes[uv.attribute] = buffer_.add_floats(values, TINYGLTF_TYPE_VEC2, 2, false);
            names[uv.attribute] = tinygltf::Value(as_utf8(uv.map_name));
        }
        for (const MapAttribute& weight : maps.weights) {
            std::vector<float> values = gather(document, mesh, p, 1, [&](std::size_t l, const Layer&, std::uint32_t point, float* out) {
                const host::VertexMap* map = weight.by_layer[l];
                out[0] = map && map->has_value(point) ? map->value(point)[0] : 0.0f;
            });
            attributes[weight.attribute] = buffer_.add_floats(values, TINYGLTF_TYPE_SCALAR, 1, false);
            names[weight.attribute] = tinygltf::Value(as_utf8(weight.map_name));
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

    // Relative morphs are the deltas themselves.
    std::vector<std::map<std::string, int>> morph_targets(const Document& document, const FlatMesh& mesh, const Primitive& p,
                                                          const MapCollector& maps) {
        std::vector<std::map<std::string, int>> targets;
        for (const MapAttribute& morph : maps.morphs) {
            std::vector<float> deltas = gather(document, mesh, p, 3, [&](std::size_t l, const Layer&, std::uint32_t point, float* out) {
                const host::VertexMap* map = morph.by_layer[l];
                if (!map || !map->has_value(point)) return;
                const float* v = map->value(point);
                out[0] = v[0];
                out[1] = v[1];
                out[2] = -v[2];
            });
            targets.push_back({{"POSITION", buffer_.add_floats(deltas, TINYGLTF_TYPE_VEC3, 3, true)}});
        }
        return targets;
    }

    tinygltf::Model model_;
    BufferWriter buffer_;
    std::map<std::string, int> material_by_surface_;
};

// glTF's frame negates z: a move (x, y, z) becomes (x, y, -z), and a turn keeps its angle about
// the mirrored axis with the sense reversed: quaternion (w, x, y, z) becomes (w, -x, -y, z),
// stored x, y, z, w.
std::array<double, 3> gltf_translation(const Instance& instance) {
    return {instance.position[0], instance.position[1], -instance.position[2]};
}
std::array<double, 4> gltf_rotation(const Instance& instance) {
    const auto& q = instance.rotation;
    return {-q[1], -q[2], q[3], q[0]};
}

// The clone number as "ZK_index" holds it.
float clone_index(std::size_t i, std::size_t count) { return float(int(i)) / float(int(count)); }

void add_instances(GltfBuilder& builder, int template_mesh, const GltfInstances& scatter) {
    const std::span<const Instance> instances = scatter.instances;
    if (scatter.form == GltfInstances::Form::Nodes) {
        for (std::size_t i = 0; i < instances.size(); ++i) {
            tinygltf::Node node;
            node.mesh = template_mesh;
            node.name = "Clone " + std::to_string(i);
            const auto t = gltf_translation(instances[i]);
            const auto r = gltf_rotation(instances[i]);
            node.translation.assign(t.begin(), t.end());
            node.rotation.assign(r.begin(), r.end());
            node.scale.assign(instances[i].scale.begin(), instances[i].scale.end());
            node.extras = tinygltf::Value(tinygltf::Value::Object{{"ZK_index", tinygltf::Value(double(clone_index(i, instances.size())))}});
            builder.add_node(std::move(node));
        }
        return;
    }
    std::vector<float> translation, rotation, scale, index;
    for (std::size_t i = 0; i < instances.size(); ++i) {
        for (double c : gltf_translation(instances[i])) translation.push_back(float(c));
        for (double c : gltf_rotation(instances[i])) rotation.push_back(float(c));
        for (double c : instances[i].scale) scale.push_back(float(c));
        index.push_back(clone_index(i, instances.size()));
    }
    BufferWriter& buffer = builder.buffer();
    tinygltf::Value::Object attributes;
    attributes["TRANSLATION"] = tinygltf::Value(buffer.add_floats(translation, TINYGLTF_TYPE_VEC3, 3, false, 0));
    attributes["ROTATION"] = tinygltf::Value(buffer.add_floats(rotation, TINYGLTF_TYPE_VEC4, 4, false, 0));
    attributes["SCALE"] = tinygltf::Value(buffer.add_floats(scale, TINYGLTF_TYPE_VEC3, 3, false, 0));
    attributes["_ZK_INDEX"] = tinygltf::Value(buffer.add_floats(index, TINYGLTF_TYPE_SCALAR, 1, false, 0));
    tinygltf::Node node;
    node.mesh = template_mesh;
    node.name = "Clones";
    node.extensions["EXT_mesh_gpu_instancing"] = tinygltf::Value(tinygltf::Value::Object{{"attributes", tinygltf::Value(std::move(attributes))}});
    node.extras = tinygltf::Value(tinygltf::Value::Object{
        {"attributeNames", tinygltf::Value(tinygltf::Value::Object{{"_ZK_INDEX", tinygltf::Value(std::string("ZK_index"))}})}});
    builder.add_node(std::move(node));
    // Used, not required: a viewer without it still shows the template once.
    builder.model().extensionsUsed.push_back("EXT_mesh_gpu_instancing");
}

bool is_binary_path(const std::filesystem::path& path) {
    return lower_extension(path) == ".glb";
}

}  // namespace

std::vector<std::string> write_gltf(const host::Document& document, AtomicOutput& output, const GltfInstances* instances) {
    const std::filesystem::path& path = output.path();
    DroppedData dropped;
    tinygltf::Model model;
    {
        GltfBuilder builder;
        tinygltf::Node node;
        node.mesh = builder.add_mesh(document, dropped);
        if (node.mesh >= 0) builder.add_node(std::move(node));
        if (instances) {
            const int template_mesh = builder.add_mesh(*instances->templ, dropped);
            if (template_mesh >= 0) add_instances(builder, template_mesh, *instances);
        }
        model = std::move(builder.model());
    }
    if (model.meshes.empty()) {
        // Nothing to draw: no scene at all, since glTF forbids empty buffers and accessors.
        model = tinygltf::Model();
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
    return dropped.lines();
}

}  // namespace zelkor::io
