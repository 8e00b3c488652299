#include "zelkor_runner.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zelkor::cli_test {

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> clone_args(const std::string& output, const std::vector<std::string>& more) {
    std::vector<std::string> args{"--target", example("terrain.lwo"), "--template", example("rock.lwo"), "-o", output};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

void ZelkorRun::SetUp() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("zelkor_cli_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
}

void ZelkorRun::TearDown() { std::filesystem::remove_all(dir_); }

RunResult ZelkorRun::zelkor(const std::vector<std::string>& args, bool err_on_terminal) const {
    std::vector<std::string> argv_text{ZELKOR_EXE};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);

    const std::string out_path = (dir_ / ".stdout").string();
    const std::string err_path = (dir_ / ".stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int terminal = -1;
    if (err_on_terminal) {
        terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_TRUE(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
        posix_spawn_file_actions_addopen(&actions, 2, ::ptsname(terminal), O_RDWR | O_NOCTTY, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
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
    std::filesystem::remove(out_path);
    std::filesystem::remove(err_path);
    return result;
}

nlohmann::json ZelkorRun::json_file(const std::string& name) const {
    return nlohmann::json::parse(read_file(dir_ / name));
}

}  // namespace zelkor::cli_test
