// Helpers shared by the LWO tests: building small IFF files byte by byte, reading the shared
// meshes, comparing documents field by field and catching the text of a FileError.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "host/document.h"
#include "io/file_error.h"

namespace zelkor::io::test {

inline std::filesystem::path shared_lwo(const std::string& name) {
    return std::filesystem::path(ZELKOR_SHARED_MESHES) / "lwo" / name;
}

inline std::vector<std::uint8_t> file_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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
    Bytes& s0(std::string_view text) {
        id(text).u1(0);
        if ((text.size() + 1) & 1) u1(0);
        return *this;
    }
    Bytes& vec(float x, float y, float z) { return f4(x).f4(y).f4(z); }
    Bytes& raw(const std::vector<std::uint8_t>& more) {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }
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
    Bytes file;
    file.id("FORM").u4(std::uint32_t(body.data.size())).raw(body.data);
    return file.data;
}

// The one-triangle object: points (0,0,0), (0,1,0), (1,0,0), tag "Default" on polygon 0.
inline std::vector<std::uint8_t> triangle_tags() { return Bytes().s0("Default").data; }
inline std::vector<std::uint8_t> triangle_layer() { return Bytes().u2(0).u2(0).vec(0, 0, 0).s0("").data; }
inline std::vector<std::uint8_t> triangle_points() { return Bytes().vec(0, 0, 0).vec(0, 1, 0).vec(1, 0, 0).data; }
inline std::vector<std::uint8_t> triangle_polygons() { return Bytes().id("FACE").u2(3).u2(0).u2(1).u2(2).data; }
inline std::vector<std::uint8_t> triangle_surface_tags() { return Bytes().id("SURF").u2(0).u2(0).data; }

inline std::vector<std::uint8_t> triangle_file() {
    return form("LWO2", {{"TAGS", triangle_tags()},
                         {"LAYR", triangle_layer()},
                         {"PNTS", triangle_points()},
                         {"POLS", triangle_polygons()},
                         {"PTAG", triangle_surface_tags()}});
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

inline bool same_floats(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

inline bool same_doubles(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

// Compares everything a file holds; polygon tag kinds and maps are matched by type and name
// because their order in the document follows the order the file first used them.
inline void expect_same_document(const host::Document& a, const host::Document& b) {
    EXPECT_EQ(a.tags, b.tags);
    ASSERT_EQ(a.layers.size(), b.layers.size());
    for (std::size_t l = 0; l < a.layers.size(); ++l) {
        SCOPED_TRACE("layer index " + std::to_string(l));
        const host::Layer& x = a.layers[l];
        const host::Layer& y = b.layers[l];
        EXPECT_EQ(x.number, y.number);
        EXPECT_EQ(x.name, y.name);
        EXPECT_EQ(x.flags, y.flags);
        EXPECT_EQ(x.pivot, y.pivot);
        EXPECT_EQ(x.parent, y.parent);
        EXPECT_TRUE(same_doubles(x.positions, y.positions));
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
            EXPECT_EQ(map.dimension, other->dimension);
            EXPECT_EQ(map.has, other->has);
            EXPECT_TRUE(same_floats(map.values, other->values));
            EXPECT_EQ(map.vmpa, other->vmpa);
        }
        ASSERT_EQ(x.vmads.size(), y.vmads.size());
        for (std::size_t m = 0; m < x.vmads.size(); ++m) {
            SCOPED_TRACE("VMAD " + x.vmads[m].name);
            EXPECT_EQ(x.vmads[m].type, y.vmads[m].type);
            EXPECT_EQ(x.vmads[m].name, y.vmads[m].name);
            EXPECT_EQ(x.vmads[m].dimension, y.vmads[m].dimension);
            EXPECT_EQ(x.vmads[m].points, y.vmads[m].points);
            EXPECT_EQ(x.vmads[m].polygons, y.vmads[m].polygons);
            EXPECT_TRUE(same_floats(x.vmads[m].values, y.vmads[m].values));
            EXPECT_EQ(x.vmads[m].vmpa, y.vmads[m].vmpa);
        }
    }
    ASSERT_EQ(a.surfaces.size(), b.surfaces.size());
    for (std::size_t s = 0; s < a.surfaces.size(); ++s) {
        EXPECT_EQ(a.surfaces[s].name, b.surfaces[s].name);
        EXPECT_EQ(a.surfaces[s].lwo2_data, b.surfaces[s].lwo2_data);
    }
    ASSERT_EQ(a.chunks.size(), b.chunks.size());
    for (std::size_t c = 0; c < a.chunks.size(); ++c) {
        EXPECT_EQ(a.chunks[c].id, b.chunks[c].id);
        EXPECT_EQ(a.chunks[c].data, b.chunks[c].data);
    }
}

}  // namespace zelkor::io::test
