// Runs the built zelkor program in a fresh directory and captures what it says.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

extern char** environ;

namespace zelkor::cli_test {

struct RunResult {
    int status = -1;  // exit status, -1 when the program did not exit normally
    std::string out, err;
};

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline void write_file(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}
inline std::string example(const char* name) { return std::string(ZELKOR_EXAMPLES) + "/" + name; }
inline std::string shared_mesh(const char* name) { return std::string(ZELKOR_SHARED_MESHES) + "/" + name; }

// The terrain target and rock template of the examples, writing `output`, plus `more`.
inline std::vector<std::string> clone_args(const std::string& output, const std::vector<std::string>& more) {
    std::vector<std::string> args{"--target", example("terrain.lwo"), "--template", example("rock.lwo"), "-o", output};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// A test with its own empty working directory, removed afterwards.
class ZelkorRun : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() / ("zelkor_cli_" + std::string(info->test_suite_name()) + "_" +
                                                         info->name() + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Runs zelkor with `args` in dir_. Standard output is a file; standard error is a file too
    // unless `err_on_terminal`, when it is a pseudo-terminal.
    RunResult zelkor(const std::vector<std::string>& args, bool err_on_terminal = false) const {
        std::vector<std::string> argv_text{ZELKOR_EXE};
        argv_text.insert(argv_text.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : argv_text) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string out_path = path(".stdout"), err_path = path(".stderr");
        const int terminal = err_on_terminal ? ::posix_openpt(O_RDWR | O_NOCTTY) : -1;
        EXPECT_TRUE(!err_on_terminal || (terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, terminal >= 0 ? ::ptsname(terminal) : err_path.c_str(),
                                         terminal >= 0 ? O_RDWR | O_NOCTTY : O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        RunResult result;
        if (posix_spawn(&pid, ZELKOR_EXE, &actions, nullptr, argv.data(), environ) == 0) {
            // Read the terminal while the program runs: a full terminal buffer would stop it.
            char buffer[4096];
            for (ssize_t n; terminal >= 0 && (n = ::read(terminal, buffer, sizeof buffer)) > 0;)
                result.err.append(buffer, std::size_t(n));
            int wait_status = 0;
            ::waitpid(pid, &wait_status, 0);
            if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
        }
        posix_spawn_file_actions_destroy(&actions);
        if (terminal >= 0) ::close(terminal);
        result.out = read_file(out_path);
        if (terminal < 0) result.err = read_file(err_path);
        return result;
    }
    RunResult clone(const std::string& output, const std::vector<std::string>& more) const {
        return zelkor(clone_args(output, more));
    }
    nlohmann::json json_file(const std::string& name) const { return nlohmann::json::parse(read_file(dir_ / name)); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

    std::filesystem::path dir_;
};

}  // namespace zelkor::cli_test
