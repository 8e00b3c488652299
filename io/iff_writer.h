// Big-endian IFF output: fields, and chunks whose size is filled in when they are closed.
//
// The bytes collect in memory, or, given an AtomicOutput, go out in blocks as they fill, so that a
// file of any size costs a few blocks of memory. The field writers are inline: they run once per
// number of a file of hundreds of megabytes.
#pragma once

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "api/host_api.h"

namespace zelkor::io {

class AtomicOutput;

class IffWriter {
public:
    IffWriter();                              // in memory; take() returns the bytes
    explicit IffWriter(AtomicOutput& output);  // streamed; finish() writes the rest

    void u2(std::uint16_t v) {
        store_u2(room(2), v);
        used_ += 2;
    }
    void u4(std::uint32_t v) {
        store_u4(room(4), v);
        used_ += 4;
    }
    void f4(float v) { u4(std::bit_cast<std::uint32_t>(v)); }
    void id4(LWID id) { u4(id); }
    void s0(std::string_view text);  // the caller has checked there is no NUL inside
    // The caller has checked index <= 0xFFFFFF. The short form stops below 0xFF00 because a
    // leading FF byte announces the long form.
    void vx(std::uint32_t index) { used_ += store_vx(room(4), index); }
    void bytes(std::span<const std::uint8_t> data);

    // Writes the ID and a size to be patched; returns what close_chunk needs.
    std::uint64_t open_chunk(LWID id);
    // Patches the size (data written since open_chunk) and appends the pad byte when it is odd.
    void close_chunk(std::uint64_t opened);
    // A whole chunk from raw data.
    void chunk(LWID id, std::span<const std::uint8_t> data);

    std::uint64_t size() const { return flushed_ + used_; }
    std::vector<std::uint8_t> take();  // in memory only
    void finish();                     // streamed only: hands over the last block

    // For loops that write many fields: room for n bytes at the end, which the caller fills and
    // then counts with advance(n).
    std::uint8_t* room(std::size_t n) {
        if (used_ + n > block_.size()) make_room(n);
        return block_.data() + used_;
    }
    void advance(std::size_t n) { used_ += n; }

    static void store_u2(std::uint8_t* p, std::uint16_t v) {
        p[0] = std::uint8_t(v >> 8);
        p[1] = std::uint8_t(v);
    }
    static void store_u4(std::uint8_t* p, std::uint32_t v) {
        p[0] = std::uint8_t(v >> 24);
        p[1] = std::uint8_t(v >> 16);
        p[2] = std::uint8_t(v >> 8);
        p[3] = std::uint8_t(v);
    }

    // A VX index at p; returns the bytes used (2 or 4).
    static std::size_t store_vx(std::uint8_t* p, std::uint32_t index) {
        assert(index <= 0xFFFFFF);
        if (index < 0xFF00) {
            store_u2(p, std::uint16_t(index));
            return 2;
        }
        store_u4(p, index | 0xFF000000u);
        return 4;
    }

private:
    void make_room(std::size_t n);

    AtomicOutput* output_ = nullptr;
    std::vector<std::uint8_t> block_;
    std::size_t used_ = 0;        // bytes of block_ in use
    std::uint64_t flushed_ = 0;   // bytes handed to the output before block_
};

}  // namespace zelkor::io
