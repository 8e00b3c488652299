#include "io/iff_writer.h"

#include <bit>
#include <cassert>

namespace zelkor::io {

void IffWriter::u2(std::uint16_t v) {
    out_.push_back(std::uint8_t(v >> 8));
    out_.push_back(std::uint8_t(v));
}

void IffWriter::u4(std::uint32_t v) {
    out_.push_back(std::uint8_t(v >> 24));
    out_.push_back(std::uint8_t(v >> 16));
    out_.push_back(std::uint8_t(v >> 8));
    out_.push_back(std::uint8_t(v));
}

void IffWriter::f4(float v) { u4(std::bit_cast<std::uint32_t>(v)); }

void IffWriter::s0(std::string_view text) {
    out_.insert(out_.end(), text.begin(), text.end());
    out_.push_back(0);
    if ((text.size() + 1) & 1) out_.push_back(0);
}

void IffWriter::vx(std::uint32_t index) {
    assert(index <= 0xFFFFFF);
    // The short form stops below 0xFF00 because a leading FF byte announces the long form.
    if (index < 0xFF00)
        u2(std::uint16_t(index));
    else
        u4(index | 0xFF000000u);
}

void IffWriter::bytes(std::span<const std::uint8_t> data) { out_.insert(out_.end(), data.begin(), data.end()); }

std::size_t IffWriter::open_chunk(LWID id) {
    u4(id);
    u4(0);
    return out_.size();
}

void IffWriter::close_chunk(std::size_t opened) {
    std::size_t size = out_.size() - opened;
    std::uint8_t* field = out_.data() + opened - 4;
    field[0] = std::uint8_t(size >> 24);
    field[1] = std::uint8_t(size >> 16);
    field[2] = std::uint8_t(size >> 8);
    field[3] = std::uint8_t(size);
    if (size & 1) out_.push_back(0);
}

void IffWriter::chunk(LWID id, std::span<const std::uint8_t> data) {
    std::size_t opened = open_chunk(id);
    bytes(data);
    close_chunk(opened);
}

}  // namespace zelkor::io
