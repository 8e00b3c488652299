#include "io/iff_writer.h"

#include <algorithm>

#include "io/atomic_file.h"

namespace zelkor::io {

namespace {

constexpr std::size_t kBlockSize = std::size_t(4) << 20;

}  // namespace

IffWriter::IffWriter() = default;

IffWriter::IffWriter(AtomicOutput& output) : output_(&output), block_(kBlockSize) {}

void IffWriter::make_room(std::size_t n) {
    if (output_ && used_ > 0) {
        block_ = output_->write(std::move(block_), used_);
        flushed_ += used_;
        used_ = 0;
    }
    if (used_ + n > block_.size()) block_.resize(std::max({used_ + n, block_.size() * 2, std::size_t(4096)}));
}

void IffWriter::s0(std::string_view text) {
    bytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    u2(0);  // the terminator and, for an even length, the pad byte
    if ((text.size() + 1) & 1) return;
    --used_;
}

void IffWriter::bytes(std::span<const std::uint8_t> data) {
    for (std::size_t done = 0; done < data.size();) {
        const std::size_t n = std::min(data.size() - done, kBlockSize);
        std::memcpy(room(n), data.data() + done, n);
        used_ += n;
        done += n;
    }
}

std::uint64_t IffWriter::open_chunk(LWID id) {
    u4(id);
    u4(0);
    return size();
}

void IffWriter::close_chunk(std::uint64_t opened) {
    const std::uint64_t chunk_size = size() - opened;
    const std::uint64_t field = opened - 4;
    if (field >= flushed_) {
        store_u4(block_.data() + (field - flushed_), std::uint32_t(chunk_size));
    } else {
        std::uint8_t bytes[4];
        store_u4(bytes, std::uint32_t(chunk_size));
        output_->patch(field, bytes);
    }
    if (chunk_size & 1) {
        *room(1) = 0;
        ++used_;
    }
}

void IffWriter::chunk(LWID id, std::span<const std::uint8_t> data) {
    std::uint64_t opened = open_chunk(id);
    bytes(data);
    close_chunk(opened);
}

std::vector<std::uint8_t> IffWriter::take() {
    assert(!output_);
    block_.resize(used_);
    used_ = 0;
    return std::move(block_);
}

void IffWriter::finish() {
    assert(output_);
    if (used_ > 0) block_ = output_->write(std::move(block_), used_);
    flushed_ += used_;
    used_ = 0;
}

}  // namespace zelkor::io
