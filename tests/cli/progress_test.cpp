// The progress bar appears on standard error only when it is a terminal.
#include <cstdlib>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "zelkor_runner.h"

extern char** environ;

namespace zelkor::cli_test {
namespace {

class Progress : public ZelkorRun {
protected:
    // Runs zelkor with standard error on a pseudo-terminal; answers what the terminal received.
    std::string terminal_err(const std::vector<std::string>& args, int& r_status) const {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master, 0);
        EXPECT_EQ(::grantpt(master), 0);
        EXPECT_EQ(::unlockpt(master), 0);
        const std::string slave = ::ptsname(master);

        std::vector<std::string> argv_text{ZELKOR_EXE, "--target", example("terrain.lwo"), "--template",
                                           example("rock.lwo"), "-o", "out.lwo"};
        argv_text.insert(argv_text.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : argv_text) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, slave.c_str(), O_RDWR | O_NOCTTY, 0);
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, ZELKOR_EXE, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);

        // Read while the program runs: a full terminal buffer would stop it.
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) text.append(buffer, std::size_t(n));
        int wait_status = 0;
        ::waitpid(pid, &wait_status, 0);
        r_status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
        ::close(master);
        return text;
    }
};

TEST_F(Progress, BarOnATerminal) {
    int status = -1;
    const std::string err = terminal_err({"--set", "num_clones=200"}, status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(err.find("\rRandomising positions... [                              ]   0%"), std::string::npos) << err;
    EXPECT_NE(err.find("\rRandomising positions... [##############################] 100%"), std::string::npos);
}

TEST_F(Progress, QuietDrawsNoBar) {
    int status = -1;
    const std::string err = terminal_err({"--set", "num_clones=200", "--quiet"}, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(err, "");
}

TEST_F(Progress, NoBarWhenStandardErrorIsAFile) {
    const RunResult r = clone("out.lwo", {"--set", "num_clones=200"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace zelkor::cli_test
