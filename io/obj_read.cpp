// OBJ reading: tinyobjloader walks the statements (faces, usemtl, g, o) through its callback
// interface, and a scan of our own reads the numbers.
//
// Why both: tinyobjloader turns a number it cannot read into 0, accepts "1.5" as face index 1,
// and rounds decimal numbers inexactly, while OBJ in, OBJ out must give back the same numbers.
// So the scan checks every `v`, `vt` and `f` line first, reporting line and column, and keeps
// the correctly rounded values; the callbacks give structure. Both split lines and recognise
// statements the same way, so the n-th face tinyobjloader reports is the n-th face line scanned.
#include "io/obj.h"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <streambuf>
#include <istream>
#include <unordered_map>
#include <unordered_set>

#include "io/file_error.h"
#include "io/whole_file.h"

namespace zelkor::io {

namespace {

using host::Document;
using host::Layer;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// One line of the text, cut as tinyobjloader cuts lines: at "\n", "\r\n" or a lone "\r".
struct Line {
    std::size_t number = 0;  // from 1
    std::string_view text;
};

class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}

    bool next(Line& line) {
        if (pos_ >= text_.size()) return false;
        std::size_t end = text_.find_first_of("\r\n", pos_);
        if (end == std::string_view::npos) end = text_.size();
        line.number = ++number_;
        line.text = text_.substr(pos_, end - pos_);
        // tinyobjloader sees a line as a C string, so it ends at a NUL.
        line.text = line.text.substr(0, line.text.find('\0'));
        pos_ = end;
        if (pos_ < text_.size() && text_[pos_] == '\r') {
            ++pos_;
            if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        } else if (pos_ < text_.size()) {
            ++pos_;
        }
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
};

// A word of a line, with its column counted from 1.
struct Word {
    std::string_view text;
    std::size_t column = 0;
};

Word next_word(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && (is_blank(line[pos]) || line[pos] == '\r')) ++pos;
    std::size_t start = pos;
    while (pos < line.size() && !is_blank(line[pos]) && line[pos] != '\r') ++pos;
    return {line.substr(start, pos - start), start + 1};
}

enum class Statement { kOther, kVertex, kNormal, kTexcoord, kFace };

// The same tests tinyobjloader applies, after skipping leading blanks. Returns where the
// statement's arguments start.
Statement classify(std::string_view line, std::size_t& args) {
    std::size_t p = 0;
    while (p < line.size() && is_blank(line[p])) ++p;
    auto at = [&](std::size_t i) { return p + i < line.size() ? line[p + i] : '\0'; };
    if (at(0) == 'v' && is_blank(at(1))) {
        args = p + 2;
        return Statement::kVertex;
    }
    if (at(0) == 'v' && at(1) == 't' && is_blank(at(2))) {
        args = p + 3;
        return Statement::kTexcoord;
    }
    if (at(0) == 'v' && at(1) == 'n' && is_blank(at(2))) {
        args = p + 3;
        return Statement::kNormal;
    }
    if (at(0) == 'f' && is_blank(at(1))) {
        args = p + 2;
        std::size_t q = args;
        while (q < line.size() && is_blank(line[q])) ++q;
        // tinyobjloader reports no face for an "f" without corners.
        return q < line.size() && line[q] != '\r' ? Statement::kFace : Statement::kOther;
    }
    return Statement::kOther;
}

std::string quoted(std::string_view s) {
    std::string out(1, '"');
    out.append(s).push_back('"');
    return out;
}

enum class NumberFault { kNone, kNotANumber, kOutOfRange };

// Reads the whole word as a decimal number: optional sign, fraction and exponent.
template <typename Real>
NumberFault parse_whole_number(std::string_view word, Real& value) {
    if (word.size() > 1 && word[0] == '+' && word[1] != '-') word.remove_prefix(1);
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (end != word.data() + word.size() || ec == std::errc::invalid_argument) return NumberFault::kNotANumber;
    return ec == std::errc() ? NumberFault::kNone : NumberFault::kOutOfRange;
}

bool parse_whole_int(std::string_view word, int& value) {
    if (word.size() > 1 && word[0] == '+' && word[1] != '-') word.remove_prefix(1);
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    return ec == std::errc() && end == word.data() + word.size();
}

// What the scan keeps: the numbers, and where each face line is for later messages.
struct Scan {
    std::vector<double> positions;  // x, y, z per `v`, as written (right-handed)
    std::vector<float> uvs;         // u, v per `vt`
    std::vector<Line> faces;
};

class Scanner {
public:
    Scanner(const std::filesystem::path& name, Scan& out) : name_(name), out_(out) {}

    void scan(std::string_view text) {
        LineCursor lines(text);
        Line line;
        while (lines.next(line)) {
            std::size_t args = 0;
            switch (classify(line.text, args)) {
            case Statement::kVertex: read_numbers(line, args, 3, 3, out_.positions); break;
            case Statement::kTexcoord: read_texcoord(line, args); break;
            case Statement::kNormal: {
                // Not kept, but tinyobjloader parses them: its exponent is an int that a number
                // such as 1e2147483649 overflows, so no such word may reach it.
                std::vector<double> ignored;
                read_numbers(line, args, 0, 0, ignored);
                break;
            }
            case Statement::kFace:
                check_face(line, args);
                out_.faces.push_back(line);
                break;
            case Statement::kOther: break;
            }
        }
    }

private:
    [[noreturn]] void fail(const Line& line, std::size_t column, const std::string& fault) const {
        throw FileError(name_, line.number, column, fault);
    }

    // Reads `required` numbers, keeps the first `kept` and checks that any others are numbers too
    // (w, or vertex colours). A word starting with '#' ends the line.
    template <typename Real>
    void read_numbers(const Line& line, std::size_t pos, int required, int kept, std::vector<Real>& out) {
        int count = 0;
        Word w = next_word(line.text, pos);
        for (; !w.text.empty() && w.text[0] != '#'; w = next_word(line.text, pos)) {
            Real value{};
            switch (parse_whole_number(w.text, value)) {
            case NumberFault::kNotANumber: fail(line, w.column, "expected a number, found " + quoted(w.text));
            case NumberFault::kOutOfRange: fail(line, w.column, "expected a number in range, found " + quoted(w.text));
            case NumberFault::kNone: break;
            }
            if (!std::isfinite(value)) fail(line, w.column, "expected a finite number, found " + quoted(w.text));
            if (count < kept) out.push_back(value);
            ++count;
        }
        if (count < required)
            fail(line, w.column, "expected a number, found " + (w.text.empty() ? "the end of the line" : quoted(w.text)));
    }

    void read_texcoord(const Line& line, std::size_t pos) {
        std::size_t before = out_.uvs.size();
        read_numbers(line, pos, 1, 2, out_.uvs);
        if (out_.uvs.size() == before + 1) out_.uvs.push_back(0.0f);  // "vt u" means v = 0
    }

    // A corner is v, v/vt, v//vn or v/vt/vn, each an integer.
    void check_face(const Line& line, std::size_t pos) {
        for (Word w = next_word(line.text, pos); !w.text.empty(); w = next_word(line.text, pos)) {
            std::string_view rest = w.text;
            for (int part = 0; part < 3; ++part) {
                std::size_t slash = rest.find('/');
                std::string_view number = rest.substr(0, slash);
                int value = 0;
                bool may_be_empty = part > 0;  // "1//3" has no vt
                if (!(number.empty() && may_be_empty) && !parse_whole_int(number, value))
                    fail(line, w.column, "expected a face corner such as 3, 3/1 or 3/1/2, found " + quoted(w.text));
                if (slash == std::string_view::npos) break;
                rest.remove_prefix(slash + 1);
                if (part == 2) fail(line, w.column, "expected a face corner such as 3, 3/1 or 3/1/2, found " + quoted(w.text));
            }
        }
    }

    const std::filesystem::path& name_;
    Scan& out_;
};

// An input stream over text we already hold, so tinyobjloader reads it without a copy.
class ViewBuffer : public std::streambuf {
public:
    explicit ViewBuffer(std::string& text) { setg(text.data(), text.data(), text.data() + text.size()); }
};

std::string trimmed(std::string_view s) {
    std::size_t begin = 0, end = s.size();
    while (begin < end && (is_blank(s[begin]) || s[begin] == '\r')) ++begin;
    while (end > begin && (is_blank(s[end - 1]) || s[end - 1] == '\r')) --end;
    return std::string(s.substr(begin, end - begin));
}

constexpr std::uint32_t kNoUv = 0xFFFFFFFFu;

// Builds the document from tinyobjloader's callbacks.
class Builder {
public:
    Builder(const std::filesystem::path& name, const Scan& scan, Document& document)
        : name_(name), scan_(scan), document_(document), layer_(document.layers.emplace_back()) {}

    void on_vertex() { ++vertices_so_far_; }
    void on_texcoord() { ++texcoords_so_far_; }
    void on_usemtl(const char* name) { surface_ = trimmed(name); }
    void on_object(const char* name) { set_part(trimmed(name)); }

    void on_group(const char** names, int count) {
        std::string joined;
        for (int i = 0; i < count; ++i) {
            if (i) joined += ' ';
            joined += trimmed(names[i]);
        }
        set_part(joined == kNoGroup ? std::string() : joined);
    }

    void on_face(const tinyobj::index_t* corners, int count) {
        const Line& line = scan_.faces.at(faces_seen_++);
        corner_points_.clear();
        std::size_t uv_start = corner_uvs_.size();
        for (int i = 0; i < count; ++i) {
            corner_points_.push_back(resolve(corners[i].vertex_index, vertices_so_far_, scan_.positions.size() / 3,
                                             "vertex", "v", line, i));
            corner_uvs_.push_back(corners[i].texcoord_index == 0
                                      ? kNoUv
                                      : resolve(corners[i].texcoord_index, texcoords_so_far_, scan_.uvs.size() / 2,
                                                "UV", "vt", line, i));
        }
        // Right-handed to left-handed: a b c d -> a d c b, for the corners' UVs alike.
        std::reverse(corner_points_.begin() + 1, corner_points_.end());
        std::reverse(corner_uvs_.begin() + std::ptrdiff_t(uv_start) + 1, corner_uvs_.end());
        std::uint32_t polygon = layer_.add_polygon(LWPOLTYPE_FACE, corner_points_);
        layer_.set_tag(LWPTAG_SURF, polygon, surface_tag());
        if (part_ != host::kNoTag) layer_.set_tag(LWPTAG_PART, polygon, part_);
    }

    // After the last callback: points and UV maps.
    void finish() {
        if (faces_seen_ != scan_.faces.size() || vertices_so_far_ * 3 != scan_.positions.size())
            throw FileError(name_, "the OBJ statements could not be matched to their lines");
        layer_.positions.assign(scan_.positions.begin(), scan_.positions.end());
        for (std::size_t i = 2; i < layer_.positions.size(); i += 3) layer_.positions[i] = -layer_.positions[i];
        build_uv_maps();
    }

private:
    // OBJ counts from 1; negative indices count back from the last element read so far.
    std::uint32_t resolve(int raw, std::size_t so_far, std::size_t total, const char* what, const char* statement,
                          const Line& line, int corner) const {
        if (raw > 0 && std::size_t(raw) <= total) return std::uint32_t(raw - 1);
        if (raw < 0 && std::size_t(-std::int64_t(raw)) <= so_far) return std::uint32_t(std::int64_t(so_far) + raw);
        std::size_t limit = raw < 0 ? so_far : total;
        std::string fault = std::string(what) + " index " + std::to_string(raw) + " is out of range (" +
                            std::to_string(limit) + " " + statement + " lines" + (raw < 0 ? " before it)" : ")");
        throw FileError(name_, line.number, corner_column(line, corner), fault);
    }

    static std::size_t corner_column(const Line& line, int corner) {
        std::size_t args = 0;
        classify(line.text, args);
        Word w;
        for (int i = 0; i <= corner; ++i) w = next_word(line.text, args);
        return w.column;
    }

    void set_part(const std::string& name) { part_ = name.empty() ? host::kNoTag : tag(name); }

    std::int32_t surface_tag() {
        const std::string& name = surface_.empty() ? kDefaultSurface : surface_;
        if (known_surfaces_.insert(name).second) document_.surfaces.push_back({name, {}});
        return tag(name);
    }

    // The document's tag for `name`, found in a hash: a file may switch among thousands of names.
    std::int32_t tag(const std::string& name) {
        auto [it, is_new] = tag_by_name_.emplace(name, std::int32_t(document_.tags.size()));
        if (is_new) document_.tags.push_back(name);
        return it->second;
    }
    std::unordered_map<std::string, std::int32_t> tag_by_name_;
    std::unordered_set<std::string> known_surfaces_;

    // A point takes its first corner's UV; corners that differ keep theirs in the discontinuous map.
    void build_uv_maps() {
        if (std::all_of(corner_uvs_.begin(), corner_uvs_.end(), [](std::uint32_t uv) { return uv == kNoUv; })) return;
        host::VertexMap& map = layer_.vmap(LWVMAP_TXUV, "UV", 2);
        host::DiscontinuousMap corners;
        corners.type = LWVMAP_TXUV;
        corners.name = "UV";
        corners.dimension = 2;
        for (std::size_t polygon = 0; polygon < layer_.polygon_count(); ++polygon) {
            for (std::uint32_t c = layer_.poly_start[polygon]; c < layer_.poly_start[polygon + 1]; ++c) {
                if (corner_uvs_[c] == kNoUv) continue;
                std::uint32_t point = layer_.poly_points[c];
                const float* uv = &scan_.uvs[2 * std::size_t(corner_uvs_[c])];
                if (!map.has_value(point)) {
                    map.set(point, uv);
                } else if (!same_bits(map.value(point), uv)) {
                    corners.points.push_back(point);
                    corners.polygons.push_back(std::uint32_t(polygon));
                    corners.values.insert(corners.values.end(), uv, uv + 2);
                }
            }
        }
        if (corners.entry_count() > 0) layer_.vmads.push_back(std::move(corners));
    }

    // Bitwise, so that -0 and 0 stay apart and OBJ in, OBJ out is exact.
    static bool same_bits(const float* a, const float* b) {
        return std::bit_cast<std::uint32_t>(a[0]) == std::bit_cast<std::uint32_t>(b[0]) &&
               std::bit_cast<std::uint32_t>(a[1]) == std::bit_cast<std::uint32_t>(b[1]);
    }

    inline static const std::string kDefaultSurface = "Default";

    const std::filesystem::path& name_;
    const Scan& scan_;
    Document& document_;
    Layer& layer_;
    std::size_t vertices_so_far_ = 0;
    std::size_t texcoords_so_far_ = 0;
    std::size_t faces_seen_ = 0;
    std::string surface_;
    std::int32_t part_ = host::kNoTag;
    std::vector<std::uint32_t> corner_points_;
    std::vector<std::uint32_t> corner_uvs_;  // per corner of layer_.poly_points, an index into scan_.uvs or kNoUv
};

tinyobj::callback_t builder_callbacks() {
    tinyobj::callback_t cb;
    cb.vertex_cb = [](void* b, tinyobj::real_t, tinyobj::real_t, tinyobj::real_t, tinyobj::real_t) {
        static_cast<Builder*>(b)->on_vertex();
    };
    cb.texcoord_cb = [](void* b, tinyobj::real_t, tinyobj::real_t, tinyobj::real_t) {
        static_cast<Builder*>(b)->on_texcoord();
    };
    cb.index_cb = [](void* b, tinyobj::index_t* corners, int count) { static_cast<Builder*>(b)->on_face(corners, count); };
    cb.usemtl_cb = [](void* b, const char* name, int) { static_cast<Builder*>(b)->on_usemtl(name); };
    cb.group_cb = [](void* b, const char** names, int count) { static_cast<Builder*>(b)->on_group(names, count); };
    cb.object_cb = [](void* b, const char* name) { static_cast<Builder*>(b)->on_object(name); };
    return cb;
}


}  // namespace

host::Document parse_obj_text(std::string text, const std::filesystem::path& name_for_errors) {
    Scan scan;
    Scanner(name_for_errors, scan).scan(text);

    Document document;
    Builder builder(name_for_errors, scan, document);
    ViewBuffer buffer(text);
    std::istream stream(&buffer);
    std::string warnings, errors;
    // No material reader: `mtllib` files are not opened, only the `usemtl` names are kept.
    tinyobj::LoadObjWithCallback(stream, builder_callbacks(), &builder, nullptr, &warnings, &errors);
    builder.finish();
    return document;
}

host::Document read_obj(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = read_whole_file(path);
    return parse_obj_text(std::string(bytes.begin(), bytes.end()), path);
}

}  // namespace zelkor::io
