// Files written whole or not at all: the bytes go to a temporary file in the target's folder,
// which is renamed over the target only once everything was written and flushed to the disk.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace zelkor::io {

// Throws FileError naming `path` when the folder is missing or not writable, or the disk is full;
// the target is then left as it was and no temporary file remains.
void write_file_atomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
void write_file_atomically(const std::filesystem::path& path, std::string_view text);

// An output streamed in blocks. A background thread writes each block while the caller encodes
// the next, so encoding and the system's copying into the file overlap on two cores. Bytes
// already handed over can still be rewritten with patch() (chunk sizes known only at the end).
// Nothing replaces the target until commit(); an output destroyed before that removes its
// temporary file. Faults surface as FileError from the next call after they happened.
class AtomicOutput {
public:
    explicit AtomicOutput(const std::filesystem::path& path);
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Hands over the first `used` bytes of `block` and returns an empty block to fill next.
    std::vector<std::uint8_t> write(std::vector<std::uint8_t>&& block, std::size_t used);
    // Writes `bytes` at once on the calling thread, after everything handed over before.
    void write_now(std::span<const std::uint8_t> bytes);
    // Rewrites bytes at `offset`, which must already have been handed over.
    void patch(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Writes what is left, flushes it to the disk and renames the file over the target.
    void commit();

    const std::filesystem::path& path() const { return path_; }

private:
    struct Job {
        std::vector<std::uint8_t> block;  // empty for a patch
        std::size_t used = 0;
        std::uint64_t offset = 0;          // patches only
        std::uint8_t patch[8] = {};
        std::size_t patch_size = 0;
    };

    void work();
    void enqueue(Job&& job);
    void wait_until_written();
    void throw_if_failed();
    void remove_temporary();

    std::filesystem::path path_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    std::vector<std::vector<std::uint8_t>> spare_;
    bool stopping_ = false;
    bool busy_ = false;
    std::string fault_;  // set by the worker: why a write failed
    std::thread worker_;
};

}  // namespace zelkor::io
