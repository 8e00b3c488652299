#include "io/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "io/file_error.h"

namespace zelkor::io {

namespace {

constexpr std::size_t kBlocksInFlight = 4;
// Direct writes go in whole blocks of the disk at offsets of whole blocks; 4096 bytes is a
// multiple of the block size of the disks and file systems we meet.
constexpr std::size_t kDirectAlign = 4096;
constexpr std::size_t kStageBytes = std::size_t(8) << 20;
// Asking the system to start writing back every few megabytes lets the disk work while the file
// is still being written, so that the final flush has little left to wait for.
constexpr std::uint64_t kWritebackStep = std::uint64_t(16) << 20;

std::string system_fault(const char* what) { return std::string(what) + ": " + errno_text(errno); }

// Temporary files in the making, for the signal handler to remove. Plain storage only: a handler
// may read it at any moment, so it copies nothing and frees nothing. A slot is free (0), being
// filled (1) or holds a name to remove (2).
constexpr int kTrackedFiles = 16;
char tracked_names[kTrackedFiles][4096];
std::atomic<int> tracked_state[kTrackedFiles];

extern "C" void remove_temporaries_and_die(int signal_number) {
    for (int k = 0; k < kTrackedFiles; ++k)
        if (tracked_state[k].load() == 2) ::unlink(tracked_names[k]);
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);  // the conventional exit status of a process ended by the signal
}

int track(const std::string& name) {
    static std::once_flag installed;
    std::call_once(installed, [] {
        for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction action {};
            action.sa_handler = remove_temporaries_and_die;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal_number, &action, nullptr);
        }
    });
    if (name.size() >= sizeof tracked_names[0]) return -1;
    for (int k = 0; k < kTrackedFiles; ++k) {
        int free_slot = 0;
        if (!tracked_state[k].compare_exchange_strong(free_slot, 1)) continue;
        std::memcpy(tracked_names[k], name.c_str(), name.size() + 1);
        tracked_state[k].store(2);
        return k;
    }
    return -1;
}

void untrack(int slot) {
    if (slot >= 0) tracked_state[slot].store(0);
}

// Empty when all was written, else why not.
std::string write_all(int fd, const std::uint8_t* p, std::size_t left) {
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return system_fault("cannot write the output");
        if (n == 0) return "cannot write the output: the disk took no more bytes";
        p += n;
        left -= std::size_t(n);
    }
    return {};
}

std::string pwrite_all(int fd, const std::uint8_t* p, std::size_t left, std::uint64_t offset) {
    while (left > 0) {
        ssize_t n = ::pwrite(fd, p, left, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return system_fault("cannot write the output");
        p += n;
        left -= std::size_t(n);
        offset += std::uint64_t(n);
    }
    return {};
}

bool set_direct(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
}

// Reads `size` bytes at `offset`; EINVAL is left in errno for the caller to tell apart.
bool pread_all(int fd, std::uint8_t* p, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        ssize_t n = ::pread(fd, p, size, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= std::size_t(n);
        offset += std::uint64_t(n);
    }
    return true;
}

// Writes whole blocks straight to the disk at `offset`. A file system that turns out to refuse
// direct writes gets the rest through its cache, the descriptor is switched to cached writes for
// good, and r_fell_back says so.
std::string write_direct(int fd, const std::uint8_t* data, std::size_t bytes, std::uint64_t offset, bool& r_fell_back) {
    r_fell_back = false;
    std::size_t done = 0;
    while (done < bytes) {
        ssize_t n = ::pwrite(fd, data + done, bytes - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EINVAL) break;
        if (n < 0) return system_fault("cannot write the output");
        if (n == 0) return "cannot write the output: the disk took no more bytes";
        done += std::size_t(n);
    }
    if (done == bytes) return {};
    r_fell_back = true;
    if (!set_direct(fd, false)) return system_fault("cannot write the output");
    return pwrite_all(fd, data + done, bytes - done, offset + done);
}

}  // namespace

void AtomicOutput::FreeAligned::operator()(std::uint8_t* p) const { std::free(p); }

AtomicOutput::AtomicOutput(const std::filesystem::path& path, bool direct) : path_(path) {
    std::filesystem::path folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    // A short name, so that any output name that fits the folder has a temporary that does too.
    temp_ = (folder / ".zk-XXXXXX").string();
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0 && errno == ENOENT) throw FileError(path, "cannot write: no folder " + path.parent_path().string());
    if (fd_ < 0) throw FileError(path, system_fault("cannot write"));
    tracked_ = track(temp_);
    // mkstemp creates the file readable by its owner only: a replaced file's permissions and owner
    // are kept, a new file gets the usual ones.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd_, old.st_mode & 07777);
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {}  // not ours to give: the file stays ours
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    if (direct && set_direct(fd_, true)) {
        stage_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kDirectAlign, kStageBytes)));
        if (!stage_) set_direct(fd_, false);
    }
    worker_ = std::thread([this] { work(); });
}

AtomicOutput::~AtomicOutput() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    changed_.notify_all();
    worker_.join();
    if (disk_thread_.joinable()) {
        {
            std::lock_guard lock(disk_mutex_);
            disk_.stopping = true;
        }
        disk_changed_.notify_all();
        disk_thread_.join();
    }
    if (!committed_) remove_temporary();
}

void AtomicOutput::remove_temporary() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.c_str());
    untrack(tracked_);
}

void AtomicOutput::work() {
    std::uint64_t written = 0, flushed_from = 0;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            busy_ = true;
        }
        std::string fault;
        if (job.patch_size > 0) {
            fault = patch_now(job);
        } else {
            fault = append(job.block.data(), job.used);
            written += job.used;
            if (!stage_ && written - flushed_from >= kWritebackStep) {
                ::sync_file_range(fd_, off_t(flushed_from), off_t(written - flushed_from), SYNC_FILE_RANGE_WRITE);
                flushed_from = written;
            }
        }
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
            if (!fault.empty() && fault_.empty()) fault_ = fault;
            if (!fault_.empty()) jobs_.clear();  // nothing more reaches a failed output
            if (!job.block.empty() && spare_.size() < kBlocksInFlight) spare_.push_back(std::move(job.block));
        }
        changed_.notify_all();
    }
}

std::string AtomicOutput::append(const std::uint8_t* p, std::size_t n) {
    appended_ += n;
    while (n > 0 && stage_) {
        const std::size_t take = std::min(n, kStageBytes - staged_);
        std::memcpy(stage_.get() + staged_, p, take);
        staged_ += take;
        p += take;
        n -= take;
        if (staged_ == kStageBytes)
            if (std::string fault = hand_stage_to_disk(); !fault.empty()) return fault;
    }
    return n > 0 ? write_all(fd_, p, n) : std::string();
}

// Writes the first `bytes` of the stage (whole blocks) at its offset. A file system that turns
// out to refuse direct writes gets them through its cache, and so does the rest of the file.
std::string AtomicOutput::write_stage(std::size_t bytes) {
    bool fell_back;
    if (std::string fault = write_direct(fd_, stage_.get(), bytes, stage_offset_, fell_back); !fault.empty()) return fault;
    if (fell_back) stage_.reset();
    stage_offset_ += bytes;
    staged_ = 0;
    // Later plain writes continue where the stage ended.
    if (!stage_ && ::lseek(fd_, off_t(stage_offset_), SEEK_SET) < 0) return system_fault("cannot write the output");
    return {};
}

// The copying into a stage takes about a fifth of the time its direct write does; with two
// stages the disk need not wait for it.
std::string AtomicOutput::hand_stage_to_disk() {
    if (std::string fault = wait_for_disk(); !fault.empty() || !stage_) return fault;
    if (!free_stage_) free_stage_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kDirectAlign, kStageBytes)));
    if (!free_stage_) return write_stage(kStageBytes);  // no memory for a second stage: written here
    if (!disk_thread_.joinable()) {
        try {
            disk_thread_ = std::thread([this] { disk_work(); });
        } catch (const std::system_error&) {
            return write_stage(kStageBytes);  // no thread to be had: written here too
        }
    }
    {
        std::lock_guard lock(disk_mutex_);
        disk_.stage = std::move(stage_);
        disk_.bytes = kStageBytes;
        disk_.offset = stage_offset_;
        disk_.writing = true;
    }
    disk_changed_.notify_all();
    stage_ = std::move(free_stage_);
    stage_offset_ += kStageBytes;
    staged_ = 0;
    return {};
}

// Waits until the stage on its way is written and takes it back; a stage that had to go through
// the cache takes the one being filled, and everything after it, with it.
std::string AtomicOutput::wait_for_disk() {
    if (!disk_thread_.joinable()) return {};
    bool fell_back;
    {
        std::unique_lock lock(disk_mutex_);
        disk_changed_.wait(lock, [&] { return !disk_.writing; });
        if (!disk_.fault.empty()) return disk_.fault;
        if (disk_.stage) free_stage_ = std::move(disk_.stage);
        fell_back = disk_.fell_back;
    }
    if (!fell_back || !stage_) return {};
    if (std::string fault = pwrite_all(fd_, stage_.get(), staged_, stage_offset_); !fault.empty()) return fault;
    stage_offset_ += staged_;
    staged_ = 0;
    stage_.reset();
    free_stage_.reset();
    if (::lseek(fd_, off_t(stage_offset_), SEEK_SET) < 0) return system_fault("cannot write the output");
    return {};
}

void AtomicOutput::disk_work() {
    for (;;) {
        std::unique_lock lock(disk_mutex_);
        disk_changed_.wait(lock, [&] { return disk_.writing || disk_.stopping; });
        if (!disk_.writing) return;
        const std::uint8_t* data = disk_.stage.get();
        const std::size_t bytes = disk_.bytes;
        const std::uint64_t offset = disk_.offset;
        lock.unlock();
        bool fell_back;
        const std::string fault = write_direct(fd_, data, bytes, offset, fell_back);
        lock.lock();
        disk_.writing = false;
        disk_.fell_back = disk_.fell_back || fell_back;
        if (disk_.fault.empty()) disk_.fault = fault;
        lock.unlock();
        disk_changed_.notify_all();
    }
}

std::string AtomicOutput::patch_now(const Job& job) {
    if (stage_ && job.offset >= stage_offset_ && job.offset + job.patch_size <= stage_offset_ + staged_) {
        std::memcpy(stage_.get() + (job.offset - stage_offset_), job.patch, job.patch_size);
        return {};
    }
    // Bytes already on the disk take a read and a rewrite of their blocks, done once at the end;
    // once one patch waits, the later ones wait too, so that they still apply in order.
    if (stage_ || !held_patches_.empty()) {
        held_patches_.push_back(job);
        return {};
    }
    return pwrite_all(fd_, job.patch, job.patch_size, job.offset);
}

std::string AtomicOutput::end_direct() {
    if (std::string fault = wait_for_disk(); !fault.empty()) return fault;
    if (stage_ && staged_ > 0) {
        const std::size_t whole = (staged_ + kDirectAlign - 1) / kDirectAlign * kDirectAlign;
        std::memset(stage_.get() + staged_, 0, whole - staged_);
        if (std::string fault = write_stage(whole); !fault.empty()) return fault;
    }
    for (const Job& job : held_patches_) {
        if (stage_) {
            // The blocks around the bytes, read, changed and written back (the stage is free now).
            const std::uint64_t from = job.offset / kDirectAlign * kDirectAlign;
            const std::uint64_t to = (job.offset + job.patch_size + kDirectAlign - 1) / kDirectAlign * kDirectAlign;
            if (pread_all(fd_, stage_.get(), std::size_t(to - from), from)) {
                std::memcpy(stage_.get() + (job.offset - from), job.patch, job.patch_size);
                stage_offset_ = from;
                staged_ = std::size_t(to - from);
                if (std::string fault = write_stage(staged_); !fault.empty()) return fault;
                continue;
            }
            if (errno != EINVAL) return system_fault("cannot write the output");
            if (!set_direct(fd_, false)) return system_fault("cannot write the output");
            stage_.reset();
        }
        if (std::string fault = pwrite_all(fd_, job.patch, job.patch_size, job.offset); !fault.empty()) return fault;
    }
    held_patches_.clear();
    stage_.reset();
    // The last direct block ran past the true length (written through the cache, the file already
    // has it).
    if (::ftruncate(fd_, off_t(appended_)) != 0) return system_fault("cannot write the output");
    return {};
}

void AtomicOutput::throw_if_failed() {
    std::lock_guard lock(mutex_);
    if (!fault_.empty()) throw FileError(path_, fault_);
}

void AtomicOutput::enqueue(Job&& job) {
    {
        std::unique_lock lock(mutex_);
        // A bounded queue keeps the memory in flight to a few blocks.
        changed_.wait(lock, [&] { return jobs_.size() < kBlocksInFlight || !fault_.empty(); });
        if (!fault_.empty()) throw FileError(path_, fault_);
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
}

std::vector<std::uint8_t> AtomicOutput::write(std::vector<std::uint8_t>&& block, std::size_t used) {
    const std::size_t capacity = block.size();
    Job job;
    job.block = std::move(block);
    job.used = used;
    enqueue(std::move(job));
    handed_over_ += used;
    if (progress_) progress_(handed_over_);
    std::lock_guard lock(mutex_);
    if (spare_.empty()) return std::vector<std::uint8_t>(capacity);
    std::vector<std::uint8_t> next = std::move(spare_.back());
    spare_.pop_back();
    if (next.size() < capacity) next.resize(capacity);
    return next;
}

void AtomicOutput::patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        Job job;
        job.patch_size = std::min(bytes.size() - done, sizeof job.patch);
        job.offset = offset + done;
        std::memcpy(job.patch, bytes.data() + done, job.patch_size);
        done += job.patch_size;
        enqueue(std::move(job));
    }
}

void AtomicOutput::write_now(std::span<const std::uint8_t> bytes) {
    wait_until_written();
    throw_if_failed();
    std::string fault = append(bytes.data(), bytes.size());
    if (!fault.empty()) throw FileError(path_, fault);
    handed_over_ += bytes.size();
    if (progress_) progress_(handed_over_);
}

void AtomicOutput::wait_until_written() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return (jobs_.empty() && !busy_) || !fault_.empty(); });
}

void AtomicOutput::finish() {
    if (finished_) return;
    wait_until_written();
    throw_if_failed();
    if (std::string fault = end_direct(); !fault.empty()) throw FileError(path_, fault);
    if (::fsync(fd_) != 0) throw FileError(path_, system_fault("cannot write the output"));
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw FileError(path_, system_fault("cannot write the output"));
    finished_ = true;
}

void AtomicOutput::publish() {
    finish();
    if (std::rename(temp_.c_str(), path_.c_str()) != 0) throw FileError(path_, system_fault("cannot replace the output"));
    untrack(tracked_);
    committed_ = true;
}

AtomicOutput& SaveGroup::open(const std::filesystem::path& path) {
    outputs_.push_back(std::make_unique<AtomicOutput>(path));
    if (progress_) {
        std::uint64_t before = 0;
        for (std::size_t k = 0; k + 1 < outputs_.size(); ++k) before += outputs_[k]->handed_over();
        outputs_.back()->on_progress([this, before](std::uint64_t bytes) { progress_(before + bytes); });
    }
    return *outputs_.back();
}

void SaveGroup::commit() {
    for (const std::unique_ptr<AtomicOutput>& output : outputs_) output->finish();
    for (const std::unique_ptr<AtomicOutput>& output : outputs_) output->publish();
}

void write_file_atomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    // Through the cache: one write, usually small, gains nothing from gathering blocks.
    AtomicOutput out(path, false);
    out.write_now(bytes);
    out.commit();
}

void write_file_atomically(const std::filesystem::path& path, std::string_view text) {
    write_file_atomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace zelkor::io
