// Helpers shared by the io tests: IFF files built byte by byte, the shared meshes, a scratch
// folder, a document as text, the text of a FileError and what assimp makes of a file.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "host/document.h"
#include "io/file_error.h"

namespace zelkor::io::test {

namespace fs = std::filesystem;
using Data = std::vector<std::uint8_t>;

inline fs::path shared_mesh(const std::string& dir, const std::string& name) { return fs::path(ZELKOR_SHARED_MESHES) / dir / name; }
inline fs::path shared_lwo(const std::string& name) { return shared_mesh("lwo", name); }
inline Data file_bytes(const fs::path& p) { return {std::istreambuf_iterator<char>(std::ifstream(p, std::ios::binary).rdbuf()), {}}; }
inline std::string file_text(const fs::path& path) { Data bytes = file_bytes(path); return {bytes.begin(), bytes.end()}; }

// A folder of its own under the system's temporary folder, removed afterwards.
struct ScratchDir {
    explicit ScratchDir(const std::string& name)
        : path(fs::temp_directory_path() / ("zelkor_io_test_" + std::to_string(::getpid()) + "_" + name)) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~ScratchDir() { fs::remove_all(path); }
    fs::path operator/(const std::string& name) const { return path / name; }
    long entries() const { return long(std::distance(fs::directory_iterator(path), fs::directory_iterator())); }
    fs::path path;
};

// Big-endian bytes written by hand, independent of the library's writer.
struct Bytes {
    Bytes& u1(std::uint8_t v) { data.push_back(v); return *this; }
    Bytes& u2(std::uint16_t v) { return u1(std::uint8_t(v >> 8)).u1(std::uint8_t(v)); }
    Bytes& u4(std::uint32_t v) { return u2(std::uint16_t(v >> 16)).u2(std::uint16_t(v)); }
    Bytes& f4(float v) { return u4(std::bit_cast<std::uint32_t>(v)); }
    Bytes& id(std::string_view four) {
        for (char c : four) data.push_back(std::uint8_t(c));  // not insert: GCC 12 warns falsely on it
        return *this;
    }
    Bytes& s0(std::string_view text) { id(text).u1(0); return text.size() & 1 ? *this : u1(0); }
    Bytes& vec(float x, float y, float z) { return f4(x).f4(y).f4(z); }
    Bytes& raw(const Data& more) { data.insert(data.end(), more.begin(), more.end()); return *this; }
    Data data;
};

inline std::size_t u4_at(const Data& bytes, std::size_t at) {
    return std::size_t(bytes[at]) << 24 | std::size_t(bytes[at + 1]) << 16 | std::size_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

// A FORM of the given chunks, each padded to an even length.
inline Data form(std::string_view type, std::initializer_list<std::pair<std::string, Data>> chunks) {
    Bytes body;
    body.id(type);
    for (const auto& [id, data] : chunks) body.id(id).u4(std::uint32_t(data.size())).raw(data).raw(Data(data.size() & 1, 0));
    return Bytes().id("FORM").u4(std::uint32_t(body.data.size())).raw(body.data).data;
}

// The one-triangle object: points (0,0,0), (0,1,0), (1,0,0), tag "Default" on polygon 0.
inline Data triangle_tags() { return Bytes().s0("Default").data; }
inline Data triangle_layer() { return Bytes().u2(0).u2(0).vec(0, 0, 0).s0("").data; }
inline Data triangle_points() { return Bytes().vec(0, 0, 0).vec(0, 1, 0).vec(1, 0, 0).data; }
inline Data triangle_polygons() { return Bytes().id("FACE").u2(3).u2(0).u2(1).u2(2).data; }
inline Data triangle_surface_tags() { return Bytes().id("SURF").u2(0).u2(0).data; }
inline Data triangle_with(Data points, Data polygons, Data surface_tags) {
    return form("LWO2", {{"TAGS", triangle_tags()}, {"LAYR", triangle_layer()}, {"PNTS", points},
                         {"POLS", polygons}, {"PTAG", surface_tags}});
}
inline Data triangle_file() { return triangle_with(triangle_points(), triangle_polygons(), triangle_surface_tags()); }

// The message of the FileError `action` throws, or a note that it threw none.
inline std::string error_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const FileError& e) {
        return e.what();
    }
    return "(no FileError)";
}

// A number in its shortest exact form.
template <class T>
std::string num(T v) { char b[32]; return {b, std::to_chars(b, b + sizeof b, v).ptr}; }

// A document as text, numbers in their shortest exact form, so that equal texts mean equal
// documents. Polygon tag kinds and maps are sorted: their order follows first use in a file.
inline std::string describe(const host::Document& d) {
    auto hex = [](const Data& bytes) {
        std::string s;
        for (std::uint8_t b : bytes) s += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
        return s;
    };
    auto map_head = [&](const char* kind, LWID type, const std::string& name, int dimension, const Data& vmpa) {
        return kind + host::id_text(type) + " '" + name + "' " + std::to_string(dimension) +
               (vmpa.empty() ? "" : " vmpa " + hex(vmpa)) + ":";
    };
    auto values = [](std::string& s, const float* v, int n) { for (int k = 0; k < n; ++k) s += (k ? ',' : '=') + num(v[k]); };
    std::string out = "tags";
    for (const std::string& tag : d.tags) out += " '" + tag + "'";
    for (const host::Layer& l : d.layers) {
        out += "\nlayer " + num(l.number) + " '" + l.name + "'" + (l.flags ? " flags " + num(l.flags) : "") +
               (l.parent != -1 ? " parent " + num(l.parent) : "");  // the defaults left out
        if (std::any_of(l.pivot.begin(), l.pivot.end(), [](double p) { return std::bit_cast<std::uint64_t>(p) != 0; }))
            out += " pivot " + num(l.pivot[0]) + ',' + num(l.pivot[1]) + ',' + num(l.pivot[2]);
        out += "\npoints";
        for (std::size_t i = 0; i < l.positions.size(); ++i) out += (i % 3 ? ',' : ' ') + num(l.positions[i]);
        out += "\npolygons";
        for (std::size_t i = 0; i < l.polygon_count(); ++i) {
            out += ' ' + host::id_text(l.poly_type[i]) + (l.poly_flag_bits[i] ? "+" + num(l.poly_flag_bits[i]) : "");
            for (std::size_t k = 0; k < l.polygon(i).size(); ++k) out += (k ? ',' : ' ') + num(l.polygon(i)[k]);
        }
        std::vector<std::string> items;
        for (const host::PolygonTags& tags : l.poly_tags) {
            items.push_back("PTAG " + host::id_text(tags.type));
            for (std::int32_t v : tags.values) items.back() += ' ' + num(v);
        }
        for (const host::VertexMap& m : l.vmaps) {
            items.push_back(map_head("VMAP ", m.type, m.name, m.dimension, m.vmpa));
            m.for_each_value([&](std::uint32_t point, const float* v) { values(items.back() += ' ' + num(point), v, m.dimension); });
        }
        std::sort(items.begin(), items.end());
        for (const std::string& item : items) out += '\n' + item;
        for (const host::DiscontinuousMap& m : l.vmads) {
            out += '\n' + map_head("VMAD ", m.type, m.name, m.dimension, m.vmpa);
            for (std::size_t e = 0; e < m.points.size(); ++e) out += ' ' + num(m.points[e]) + '@' + num(m.polygons.at(e));
            for (std::size_t k = 0; k < m.values.size(); ++k) out += (k ? " " : " = ") + num(m.values[k]);
        }
    }
    for (const host::Surface& surface : d.surfaces) out += "\nsurface '" + surface.name + "' " + hex(surface.lwo2_data);
    for (const host::RawChunk& chunk : d.chunks) out += "\nchunk " + host::id_text(chunk.id) + ' ' + hex(chunk.data);
    return out;
}

// The totals of `assimp info -r` ("Vertices:   507"), without assimp's post-processing.
struct AssimpCounts { long vertices = -1, faces = -1; };
inline AssimpCounts assimp_counts(const fs::path& file) {
    AssimpCounts counts;
    std::FILE* pipe = ::popen(("/usr/bin/assimp info '" + file.string() + "' -r 2>/dev/null").c_str(), "r");
    for (char line[512]; pipe && std::fgets(line, sizeof line, pipe);) {
        std::sscanf(line, "Vertices: %ld", &counts.vertices);
        std::sscanf(line, "Faces: %ld", &counts.faces);
    }
    if (pipe) ::pclose(pipe);
    return counts;
}

}  // namespace zelkor::io::test
