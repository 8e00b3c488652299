// Runs the built zelkor program in a fresh directory and captures what it says.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace zelkor::cli_test {

struct RunResult {
    int status = -1;  // exit status, -1 when the program did not exit normally
    std::string out;
    std::string err;
};

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& text);

inline std::string example(const char* name) { return std::string(ZELKOR_EXAMPLES) + "/" + name; }
inline std::string shared_mesh(const char* name) { return std::string(ZELKOR_SHARED_MESHES) + "/" + name; }

// The terrain target and rock template of the examples, writing `output`, plus `more`.
std::vector<std::string> clone_args(const std::string& output, const std::vector<std::string>& more);

// A test with its own empty working directory, removed afterwards.
class ZelkorRun : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs zelkor with `args` in dir(). Standard output is a file; standard error is a file too
    // unless `err_on_terminal`, when it is a pseudo-terminal.
    RunResult zelkor(const std::vector<std::string>& args, bool err_on_terminal = false) const;
    RunResult clone(const std::string& output, const std::vector<std::string>& more) const {
        return zelkor(clone_args(output, more));
    }
    nlohmann::json json_file(const std::string& name) const;
    std::filesystem::path path(const std::string& name) const { return dir_ / name; }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

    std::filesystem::path dir_;
};

}  // namespace zelkor::cli_test
