// Helpers shared by the io tests: small IFF files built byte by byte, the shared meshes, a
// scratch folder, document comparison, the text of a FileError and what assimp makes of a file.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "host/document.h"
#include "io/file_error.h"

namespace zelkor::io::test {

namespace fs = std::filesystem;

inline fs::path shared_mesh(const std::string& folder, const std::string& name) {
    return fs::path(ZELKOR_SHARED_MESHES) / folder / name;
}
inline fs::path shared_lwo(const std::string& name) { return shared_mesh("lwo", name); }

inline std::vector<std::uint8_t> file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline std::string file_text(const fs::path& path) {
    std::vector<std::uint8_t> bytes = file_bytes(path);
    return {bytes.begin(), bytes.end()};
}

// A folder of its own under the system's temporary folder, removed afterwards.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name)
        : path_(fs::temp_directory_path() / ("zelkor_io_test_" + std::to_string(::getpid()) + "_" + name)) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir() { fs::remove_all(path_); }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Big-endian bytes written by hand, independent of the library's writer.
class Bytes {
public:
    Bytes& u1(std::uint8_t v) { data.push_back(v); return *this; }
    Bytes& u2(std::uint16_t v) { return u1(std::uint8_t(v >> 8)).u1(std::uint8_t(v)); }
    Bytes& u4(std::uint32_t v) { return u2(std::uint16_t(v >> 16)).u2(std::uint16_t(v)); }
    Bytes& f4(float v) { return u4(std::bit_cast<std::uint32_t>(v)); }
    Bytes& id(std::string_view four) {
        for (char c : four) data.push_back(std::uint8_t(c));
        return *this;
    }
    Bytes& s0(std::string_view text) { id(text).u1(0); return text.size() & 1 ? *this : u1(0); }
    Bytes& vec(float x, float y, float z) { return f4(x).f4(y).f4(z); }
    Bytes& raw(const std::vector<std::uint8_t>& more) { data.insert(data.end(), more.begin(), more.end()); return *this; }
    std::vector<std::uint8_t> data;
};

struct TestChunk {
    std::string id;
    std::vector<std::uint8_t> data;
};

// A FORM of the given chunks, each padded to an even length.
inline std::vector<std::uint8_t> form(std::string_view type, std::initializer_list<TestChunk> chunks) {
    Bytes body;
    body.id(type);
    for (const TestChunk& chunk : chunks) {
        body.id(chunk.id).u4(std::uint32_t(chunk.data.size())).raw(chunk.data);
        if (chunk.data.size() & 1) body.u1(0);
    }
    return Bytes().id("FORM").u4(std::uint32_t(body.data.size())).raw(body.data).data;
}

// The one-triangle object: points (0,0,0), (0,1,0), (1,0,0), tag "Default" on polygon 0.
inline std::vector<std::uint8_t> triangle_tags() { return Bytes().s0("Default").data; }
inline std::vector<std::uint8_t> triangle_layer() { return Bytes().u2(0).u2(0).vec(0, 0, 0).s0("").data; }
inline std::vector<std::uint8_t> triangle_points() { return Bytes().vec(0, 0, 0).vec(0, 1, 0).vec(1, 0, 0).data; }
inline std::vector<std::uint8_t> triangle_polygons() { return Bytes().id("FACE").u2(3).u2(0).u2(1).u2(2).data; }
inline std::vector<std::uint8_t> triangle_surface_tags() { return Bytes().id("SURF").u2(0).u2(0).data; }

inline std::vector<std::uint8_t> triangle_with(std::vector<std::uint8_t> points, std::vector<std::uint8_t> polygons,
                                               std::vector<std::uint8_t> surface_tags) {
    return form("LWO2", {{"TAGS", triangle_tags()},
                         {"LAYR", triangle_layer()},
                         {"PNTS", points},
                         {"POLS", polygons},
                         {"PTAG", surface_tags}});
}
inline std::vector<std::uint8_t> triangle_file() {
    return triangle_with(triangle_points(), triangle_polygons(), triangle_surface_tags());
}

// The message of the FileError `action` throws, or a note that it threw none.
inline std::string error_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const FileError& e) {
        return e.what();
    }
    return "(no FileError)";
}

template <class Array>
bool same_bits(const Array& a, const Array& b) {
    using T = typename Array::value_type;
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// A map's points with values, and those values in point order, for comparing with a literal.
inline std::vector<std::uint32_t> points_with_values(const host::VertexMap& map) {
    std::vector<std::uint32_t> points;
    map.for_each_value([&](std::uint32_t point, const float*) { points.push_back(point); });
    return points;
}
inline std::vector<float> values_in_point_order(const host::VertexMap& map) {
    std::vector<float> values;
    map.for_each_value([&](std::uint32_t, const float* v) { values.insert(values.end(), v, v + map.dimension); });
    return values;
}

// Compares everything a file holds, numbers bit for bit; polygon tag kinds and maps are matched
// by type and name because their order follows the order the file first used them.
inline void expect_same_document(const host::Document& a, const host::Document& b) {
    EXPECT_EQ(a.tags, b.tags);
    ASSERT_EQ(a.layers.size(), b.layers.size());
    for (std::size_t l = 0; l < a.layers.size(); ++l) {
        SCOPED_TRACE("layer index " + std::to_string(l));
        const host::Layer& x = a.layers[l];
        const host::Layer& y = b.layers[l];
        EXPECT_EQ(std::tie(x.number, x.name, x.flags, x.pivot, x.parent), std::tie(y.number, y.name, y.flags, y.pivot, y.parent));
        EXPECT_TRUE(same_bits(x.positions, y.positions));
        EXPECT_EQ(x.poly_type, y.poly_type);
        EXPECT_EQ(x.poly_flag_bits, y.poly_flag_bits);
        EXPECT_EQ(x.poly_start, y.poly_start);
        EXPECT_EQ(x.poly_points, y.poly_points);
        ASSERT_EQ(x.poly_tags.size(), y.poly_tags.size());
        for (const host::PolygonTags& tags : x.poly_tags) {
            const host::PolygonTags* other = y.find_tags(tags.type);
            ASSERT_NE(other, nullptr);
            EXPECT_EQ(tags.values, other->values);
        }
        ASSERT_EQ(x.vmaps.size(), y.vmaps.size());
        for (const host::VertexMap& map : x.vmaps) {
            SCOPED_TRACE("VMAP " + map.name);
            const host::VertexMap* other = y.find_vmap(map.type, map.name);
            ASSERT_NE(other, nullptr);
            EXPECT_EQ(std::tie(map.dimension, map.vmpa), std::tie(other->dimension, other->vmpa));
            EXPECT_TRUE(map.same_values(*other));
        }
        ASSERT_EQ(x.vmads.size(), y.vmads.size());
        for (std::size_t m = 0; m < x.vmads.size(); ++m) {
            const host::DiscontinuousMap& p = x.vmads[m];
            const host::DiscontinuousMap& q = y.vmads[m];
            SCOPED_TRACE("VMAD " + p.name);
            EXPECT_EQ(std::tie(p.type, p.name, p.dimension, p.points, p.polygons, p.vmpa),
                      std::tie(q.type, q.name, q.dimension, q.points, q.polygons, q.vmpa));
            EXPECT_TRUE(same_bits(p.values, q.values));
        }
    }
    ASSERT_EQ(a.surfaces.size(), b.surfaces.size());
    for (std::size_t s = 0; s < a.surfaces.size(); ++s)
        EXPECT_EQ(std::tie(a.surfaces[s].name, a.surfaces[s].lwo2_data), std::tie(b.surfaces[s].name, b.surfaces[s].lwo2_data));
    ASSERT_EQ(a.chunks.size(), b.chunks.size());
    for (std::size_t c = 0; c < a.chunks.size(); ++c)
        EXPECT_EQ(std::tie(a.chunks[c].id, a.chunks[c].data), std::tie(b.chunks[c].id, b.chunks[c].data));
}

struct AssimpCounts {
    long vertices = -1, faces = -1;
};

// The totals of `assimp info` ("Vertices:   507"); `raw` (-r) skips its post-processing, so every
// polygon stays one face and every corner its own vertex.
inline AssimpCounts assimp_counts(const fs::path& file, bool raw) {
    std::string command = "/usr/bin/assimp info '" + file.string() + "'" + (raw ? " -r" : "") + " 2>/dev/null";
    AssimpCounts counts;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return counts;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::sscanf(line, "Vertices: %ld", &counts.vertices);
        std::sscanf(line, "Faces: %ld", &counts.faces);
    }
    ::pclose(pipe);
    return counts;
}

inline bool have_assimp() { return fs::exists("/usr/bin/assimp"); }

}  // namespace zelkor::io::test
