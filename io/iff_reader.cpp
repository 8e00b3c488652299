#include "io/iff_reader.h"

#include <bit>
#include <cstdio>
#include <cstring>

#include "host/document.h"
#include "io/file_error.h"

namespace zelkor::io {

namespace {

constexpr LWID kForm = LWID_('F', 'O', 'R', 'M');
constexpr std::size_t kFormHeaderSize = 12;  // FORM, size, type
constexpr std::size_t kChunkHeaderSize = 8;  // ID, size

std::uint32_t load_u4(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

}  // namespace

void throw_chunk_error(const std::filesystem::path& name, const std::string& label, std::size_t at,
                       const std::string& fault) {
    throw FileError(name, label + " at byte " + format_offset(at) + ": " + fault);
}


std::string counted(std::size_t count, const std::string& noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string format_offset(std::size_t offset) {
    char hex[24];
    std::snprintf(hex, sizeof hex, "0x%zX", offset);
    return hex;
}

IffForm split_iff_form(std::span<const std::uint8_t> file, const std::filesystem::path& name) {
    if (file.size() < kFormHeaderSize)
        throw_chunk_error(name, "FORM", 0,
                "the file has " + std::to_string(file.size()) + " bytes, an IFF header needs " +
                    std::to_string(kFormHeaderSize));
    if (load_u4(file.data()) != kForm)
        throw_chunk_error(name, "FORM", 0, "found \"" + host::id_text(load_u4(file.data())) + "\", expected \"FORM\"");
    std::size_t form_size = load_u4(file.data() + 4);
    std::size_t form_end = 8 + form_size;
    if (form_end > file.size())
        throw_chunk_error(name, "FORM", 4,
                "size " + std::to_string(form_size) + " needs " + std::to_string(form_end) +
                    " bytes, the file has " + std::to_string(file.size()));
    if (form_size < 4)
        throw_chunk_error(name, "FORM", 4, "size " + std::to_string(form_size) + " leaves no room for the type");

    IffForm form;
    form.type = load_u4(file.data() + 8);
    std::size_t pos = kFormHeaderSize;
    while (pos < form_end) {
        if (form_end - pos < kChunkHeaderSize)
            throw_chunk_error(name, "chunk", pos,
                    "header needs 8 bytes, " + std::to_string(form_end - pos) + " remain in the FORM");
        IffChunk chunk;
        chunk.id = load_u4(file.data() + pos);
        chunk.header_offset = pos;
        chunk.data_offset = pos + kChunkHeaderSize;
        chunk.size = load_u4(file.data() + pos + 4);
        std::size_t data_end = chunk.data_offset + chunk.size;
        if (chunk.size > form_end - chunk.data_offset)
            throw_chunk_error(name, host::id_text(chunk.id), pos,
                    "size " + std::to_string(chunk.size) + " runs to byte " + format_offset(data_end) +
                        ", past the FORM end at byte " + format_offset(form_end));
        form.chunks.push_back(chunk);
        pos = data_end + (chunk.size & 1);
    }
    return form;
}

ChunkCursor::ChunkCursor(std::span<const std::uint8_t> file, const IffChunk& chunk,
                         const std::filesystem::path& name_for_errors)
    : file_(file),
      chunk_(chunk),
      name_(name_for_errors),
      label_(host::id_text(chunk.id)),
      pos_(chunk.data_offset),
      end_(chunk.data_offset + chunk.size) {}

void ChunkCursor::fail(std::size_t at, const std::string& fault) const { throw_chunk_error(name_, label_, at, fault); }

const std::uint8_t* ChunkCursor::take(std::size_t count, const char* what) {
    if (remaining() < count)
        fail(pos_, std::string(what) + " needs " + std::to_string(count) + " bytes, the chunk has " +
                       std::to_string(remaining()) + " left");
    const std::uint8_t* p = file_.data() + pos_;
    pos_ += count;
    return p;
}

std::uint8_t ChunkCursor::u1() { return *take(1, "U1"); }

std::uint16_t ChunkCursor::u2() {
    const std::uint8_t* p = take(2, "U2");
    return std::uint16_t((p[0] << 8) | p[1]);
}

std::uint32_t ChunkCursor::u4() { return load_u4(take(4, "U4")); }

float ChunkCursor::f4() { return std::bit_cast<float>(load_u4(take(4, "F4"))); }

std::string ChunkCursor::s0() {
    const std::uint8_t* begin = file_.data() + pos_;
    const void* nul = std::memchr(begin, 0, remaining());
    if (!nul) fail(pos_, "string has no terminating 00 before the chunk end at byte " + format_offset(end_));
    std::size_t length = std::size_t(static_cast<const std::uint8_t*>(nul) - begin);
    std::string text(reinterpret_cast<const char*>(begin), length);
    std::size_t stored = length + 1 + ((length + 1) & 1);  // NUL, then a pad to an even length
    take(stored, "S0");
    return text;
}

std::uint32_t ChunkCursor::vx() {
    if (remaining() >= 1 && file_[pos_] == 0xFF) return load_u4(take(4, "VX")) & 0x00FFFFFF;
    const std::uint8_t* p = take(2, "VX");
    return std::uint32_t((p[0] << 8) | p[1]);
}

std::span<const std::uint8_t> ChunkCursor::rest() {
    std::size_t count = remaining();
    return {take(count, "data"), count};
}

}  // namespace zelkor::io
