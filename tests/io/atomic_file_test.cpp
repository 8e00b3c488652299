// Saved files are never lost: a replaced file keeps its permissions, any name that fits the folder
// can be saved, files saved together appear all or none, and a signal leaves no temporary behind.
#include "io/atomic_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "io/file_error.h"
#include "io_test_support.h"

namespace zelkor::io {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> names_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

// Runs `body` in a child process and returns its wait status.
template <class Body>
int in_child(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST(AtomicFile, ReplacedFileKeepsItsModeAndLongNamesFit) {
    test::ScratchDir dir("atomic");
    const fs::path kept = dir / "kept.txt";
    write_file_atomically(kept, "old");
    ::chmod(kept.c_str(), 0600);
    write_file_atomically(kept, "new");
    struct stat status {};
    ASSERT_EQ(::stat(kept.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(test::file_text(kept), "new");

    const fs::path long_name = dir / (std::string(250, 'n') + ".lwo");  // the longest a folder takes is 255
    write_file_atomically(long_name, "fits");
    EXPECT_EQ(test::file_text(long_name), "fits");
}

// Files saved together: when the second cannot be written (here a size limit stands for a full
// disk), neither appears and no temporary stays.
TEST(AtomicFile, FilesSavedTogetherAppearAllOrNone) {
    test::ScratchDir dir("group");
    const int status = in_child([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{65536, 65536};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int code = 4;
        {
            SaveGroup group;
            const std::string small(100, 's'), large(std::size_t(1) << 20, 'l');
            try {
                group.open(dir / "object.lwo").write_now(std::span(reinterpret_cast<const std::uint8_t*>(small.data()), small.size()));
                group.open(dir / "report.json").write_now(std::span(reinterpret_cast<const std::uint8_t*>(large.data()), large.size()));
                group.commit();
            } catch (const FileError& e) {
                if (std::string(e.what()).find("report.json: cannot write the output") != std::string::npos) code = 3;
            }
        }
        ::_exit(code);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(names_in(dir.path), std::vector<std::string>{});
}

// Streamed bytes and patches land as written, through the file cache or straight to the disk:
// blocks from a few bytes to megabytes (the direct path gathers 8 MB at a time), and patches of
// bytes still gathered, already on the disk, and astride the disk's 4096-byte blocks.
TEST(AtomicFile, StreamedBytesAndPatchesLandExactly) {
    test::ScratchDir dir("stream");
    std::mt19937 rng(7);
    auto below = [&](std::size_t n) { return std::size_t(rng() % n); };
    for (bool direct : {true, false})
        for (int round = 0; round < 8; ++round) {
            const fs::path path = dir / "out.bin";
            test::Data model;
            {
                AtomicOutput out(path, direct);
                const int blocks = round == 0 ? 0 : 1 + int(below(12));
                for (int b = 0; b < blocks; ++b) {
                    const std::size_t limit[] = {5000, std::size_t(1) << 20, std::size_t(4) << 20};
                    std::vector<std::uint8_t> block(1 + below(limit[below(3)]));
                    for (std::uint8_t& v : block) v = std::uint8_t(rng());
                    model.insert(model.end(), block.begin(), block.end());
                    const std::size_t size = block.size();
                    if (below(4) == 0)
                        out.write_now(block);
                    else
                        out.write(std::move(block), size);
                    for (int k = int(below(4)); k > 0; --k) {
                        const std::size_t length = 1 + below(8);
                        if (model.size() < length) break;
                        // Half of them astride a disk block's edge.
                        std::size_t at = below(model.size() - length + 1);
                        if (below(2) == 0 && at >= 4096) at = std::min(at / 4096 * 4096 - length / 2, model.size() - length);
                        std::uint8_t bytes[8];
                        for (std::size_t i = 0; i < length; ++i) model[at + i] = bytes[i] = std::uint8_t(rng());
                        out.patch(at, std::span(bytes, length));
                    }
                }
                out.commit();
            }
            EXPECT_TRUE(test::file_bytes(path) == model) << "direct " << direct << ", round " << round << ", " << model.size() << " bytes";
        }
}

// A signal while a file is being written removes the temporary, and the process ends as the
// signal ends it (the status a shell reports as 128 + the signal).
TEST(AtomicFile, TerminationLeavesNoTemporaryFile) {
    test::ScratchDir dir("signal");
    for (int signal_number : {SIGTERM, SIGINT}) {
        const int status = in_child([&] {
            AtomicOutput output(dir / "out.lwo");
            const std::string bytes(1000, 'b');
            output.write_now(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
            ::raise(signal_number);
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << signal_number;
        EXPECT_EQ(WTERMSIG(status), signal_number);
        EXPECT_EQ(names_in(dir.path), std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace zelkor::io
