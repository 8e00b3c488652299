// Bounds-checked reading of IFF files (FORM, chunks, big-endian fields), as used by LightWave
// objects. Every read is checked against the end of the chunk it belongs to; a fault throws a
// FileError that names the file, the chunk, the byte offset of the field and what was wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "api/host_api.h"

namespace zelkor::io {

// "0x1F4A": how byte offsets appear in messages.
std::string format_offset(std::size_t offset);
// "1 point", "3 points".
std::string counted(std::size_t count, const std::string& noun);
// Throws FileError: "<file>: <label> at byte <offset>: <fault>".
[[noreturn]] void throw_chunk_error(const std::filesystem::path& name_for_errors, const std::string& label,
                                    std::size_t at, const std::string& fault);

struct IffChunk {
    LWID id = 0;
    std::size_t header_offset = 0;  // where the ID is
    std::size_t data_offset = 0;
    std::size_t size = 0;           // data bytes, without the pad byte
};

struct IffForm {
    LWID type = 0;
    std::vector<IffChunk> chunks;  // in file order
};

// Splits a FORM into its top-level chunks. Checks the header, the FORM size against the file
// (bytes after the FORM are ignored) and every chunk against the FORM end. The pad byte after an
// odd-sized chunk may be missing only when that chunk ends the FORM.
IffForm split_iff_form(std::span<const std::uint8_t> file, const std::filesystem::path& name_for_errors);

// A read position inside one chunk (or sub-range of it). Values are read bytewise because LWO
// fields are not aligned.
class ChunkCursor {
public:
    ChunkCursor(std::span<const std::uint8_t> file, const IffChunk& chunk,
                const std::filesystem::path& name_for_errors);

    // The chunk as messages name it: `PNTS`, `POLS FACE`, `VMAP "Weight"`.
    void set_label(std::string label) { label_ = std::move(label); }
    const std::string& label() const { return label_; }

    std::size_t offset() const { return pos_; }
    std::size_t remaining() const { return end_ - pos_; }
    bool at_end() const { return pos_ == end_; }
    const IffChunk& chunk() const { return chunk_; }

    std::uint8_t u1();
    std::uint16_t u2();
    std::int16_t i2() { return std::int16_t(u2()); }
    std::uint32_t u4();
    float f4();
    LWID id4() { return u4(); }
    std::string s0();  // a NUL-terminated string padded to an even length
    std::uint32_t vx();  // 2 bytes, or 4 when the first byte is FF (low 24 bits kept)
    std::span<const std::uint8_t> rest();  // every byte left; the cursor moves to the end

    // Throws FileError: "<label> at byte <offset>: <fault>".
    [[noreturn]] void fail(std::size_t at, const std::string& fault) const;

private:
    const std::uint8_t* take(std::size_t count, const char* what);

    std::span<const std::uint8_t> file_;
    IffChunk chunk_;
    const std::filesystem::path& name_;
    std::string label_;
    std::size_t pos_;
    std::size_t end_;
};

}  // namespace zelkor::io
