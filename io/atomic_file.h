// Files written whole or not at all: the bytes go to a temporary file in the target's folder,
// which is renamed over the target only once everything was written and flushed to the disk.
// A replaced file keeps its permissions (and its owner, where the system lets us). The rename
// replaces the name: a symbolic link named as the output becomes a file, and other hard links to
// the old file keep the old contents. Temporary files are removed on SIGINT and SIGTERM too.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
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
// Nothing replaces the target until publish(); an output destroyed before that removes its
// temporary file. Faults surface as FileError from the next call after they happened.
//
// Large outputs bypass the system's file cache where the file system allows it (`direct`): the
// bytes go from a few reused blocks straight to the disk, instead of being copied into hundreds
// of megabytes of cache pages that must first be found and cleared (on a virtual machine, often
// also backed by its host), which costs more than the disk itself.
class AtomicOutput {
public:
    explicit AtomicOutput(const std::filesystem::path& path, bool direct = true);
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Hands over the first `used` bytes of `block` and returns an empty block to fill next.
    std::vector<std::uint8_t> write(std::vector<std::uint8_t>&& block, std::size_t used);
    // Writes `bytes` at once on the calling thread, after everything handed over before.
    void write_now(std::span<const std::uint8_t> bytes);
    // Rewrites bytes at `offset`, which must already have been handed over.
    void patch(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Writes what is left and flushes it to the disk.
    void finish();
    // Renames the finished file over the target.
    void publish();
    void commit() {
        finish();
        publish();
    }

    const std::filesystem::path& path() const { return path_; }
    // Called on the caller's thread with the bytes handed over so far, for a progress display.
    void on_progress(std::function<void(std::uint64_t)> progress) { progress_ = std::move(progress); }
    std::uint64_t handed_over() const { return handed_over_; }

private:
    struct Job {
        std::vector<std::uint8_t> block;  // empty for a patch
        std::size_t used = 0;
        std::uint64_t offset = 0;          // patches only
        std::uint8_t patch[8] = {};
        std::size_t patch_size = 0;
    };

    void work();
    // Appends bytes to the file: written at once, or gathered into aligned blocks when direct.
    std::string append(const std::uint8_t* p, std::size_t n);
    std::string patch_now(const Job& job);
    std::string write_stage(std::size_t bytes);
    // A full stage goes to the disk on a thread of its own while the next one fills.
    std::string hand_stage_to_disk();
    std::string wait_for_disk();
    void disk_work();
    std::string end_direct();  // the last block, the patches held back, the true length
    void enqueue(Job&& job);
    void wait_until_written();
    void throw_if_failed();
    void remove_temporary();

    std::filesystem::path path_;
    std::function<void(std::uint64_t)> progress_;
    std::uint64_t handed_over_ = 0;
    std::string temp_;
    int fd_ = -1;
    int tracked_ = -1;  // the signal handler's slot for the temporary file
    bool finished_ = false;
    bool committed_ = false;

    // Direct writing (touched by the worker, or by the caller while the worker is idle).
    struct FreeAligned {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, FreeAligned> stage_;  // null: written through the file cache
    std::size_t staged_ = 0;           // bytes gathered in stage_
    std::uint64_t stage_offset_ = 0;   // where stage_ goes in the file
    std::vector<Job> held_patches_;    // patches of bytes already on the disk, applied at the end
    std::uint64_t appended_ = 0;       // the file's true length so far

    // The stage being written to the disk meanwhile (touched by the disk thread while `writing`).
    struct DiskJob {
        std::unique_ptr<std::uint8_t, FreeAligned> stage;
        std::size_t bytes = 0;
        std::uint64_t offset = 0;
        bool writing = false;
        bool stopping = false;
        bool fell_back = false;  // the file system refused a direct write: it went through the cache
        std::string fault;
    } disk_;
    std::unique_ptr<std::uint8_t, FreeAligned> free_stage_;  // the other stage, when not on its way
    std::mutex disk_mutex_;
    std::condition_variable disk_changed_;
    std::thread disk_thread_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    std::vector<std::vector<std::uint8_t>> spare_;
    bool stopping_ = false;
    bool busy_ = false;
    std::string fault_;  // set by the worker: why a write failed
    std::thread worker_;
};

// Files saved together (an object, its report, its saved parameters): every one is written and
// flushed first, and only then are they all renamed, so that a fault in any leaves none of them.
class SaveGroup {
public:
    AtomicOutput& open(const std::filesystem::path& path);
    // Given to every output opened after it: the bytes handed over to all of them so far.
    void on_progress(std::function<void(std::uint64_t)> progress) { progress_ = std::move(progress); }
    // Finishes every file, then publishes them all; throws FileError naming the first that fails.
    void commit();

private:
    std::vector<std::unique_ptr<AtomicOutput>> outputs_;
    std::function<void(std::uint64_t)> progress_;
};

}  // namespace zelkor::io
