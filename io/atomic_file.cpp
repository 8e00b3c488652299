#include "io/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "io/file_error.h"

namespace zelkor::io {

namespace {

constexpr std::size_t kBlocksInFlight = 4;
// Asking the system to start writing back every few megabytes lets the disk work while the file
// is still being written, so that the final flush has little left to wait for.
constexpr std::uint64_t kWritebackStep = std::uint64_t(16) << 20;

std::string system_fault(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

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

}  // namespace

AtomicOutput::AtomicOutput(const std::filesystem::path& path) : path_(path) {
    std::filesystem::path folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    // Built by appending: GCC 12 misreads "." + string as an overlapping copy.
    std::string name = ".";
    name.append(path.filename().string()).append(".XXXXXX");
    temp_ = (folder / name).string();
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) throw FileError(path, system_fault("cannot create the output"));
    // mkstemp creates the file readable by its owner only; give it the usual permissions.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
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
    if (!committed_) remove_temporary();
}

void AtomicOutput::remove_temporary() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.c_str());
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
            fault = pwrite_all(fd_, job.patch, job.patch_size, job.offset);
        } else {
            fault = write_all(fd_, job.block.data(), job.used);
            written += job.used;
            if (written - flushed_from >= kWritebackStep) {
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
    std::string fault = write_all(fd_, bytes.data(), bytes.size());
    if (!fault.empty()) throw FileError(path_, fault);
}

void AtomicOutput::wait_until_written() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return (jobs_.empty() && !busy_) || !fault_.empty(); });
}

void AtomicOutput::commit() {
    wait_until_written();
    throw_if_failed();
    if (::fsync(fd_) != 0) throw FileError(path_, system_fault("cannot write the output"));
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw FileError(path_, system_fault("cannot write the output"));
    if (std::rename(temp_.c_str(), path_.c_str()) != 0) throw FileError(path_, system_fault("cannot replace the output"));
    committed_ = true;
}

void write_file_atomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    AtomicOutput out(path);
    out.write_now(bytes);
    out.commit();
}

void write_file_atomically(const std::filesystem::path& path, std::string_view text) {
    write_file_atomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace zelkor::io
