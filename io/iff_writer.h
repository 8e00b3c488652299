// Big-endian IFF output: fields, and chunks whose size is filled in when they are closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "clone/host_api.h"

namespace zelkor::io {

class IffWriter {
public:
    void u2(std::uint16_t v);
    void u4(std::uint32_t v);
    void f4(float v);
    void id4(LWID id) { u4(id); }
    void s0(std::string_view text);  // the caller has checked there is no NUL inside
    void vx(std::uint32_t index);    // the caller has checked index <= 0xFFFFFF
    void bytes(std::span<const std::uint8_t> data);

    // Writes the ID and a size to be patched; returns what close_chunk needs.
    std::size_t open_chunk(LWID id);
    // Patches the size (data written since open_chunk) and appends the pad byte when it is odd.
    void close_chunk(std::size_t opened);
    // A whole chunk from raw data.
    void chunk(LWID id, std::span<const std::uint8_t> data);

    std::size_t size() const { return out_.size(); }
    std::vector<std::uint8_t> take() { return std::move(out_); }

private:
    std::vector<std::uint8_t> out_;
};

}  // namespace zelkor::io
