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

// A test with its own empty working directory, removed afterwards.
class ZelkorRun : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs zelkor with `args` in dir(); stdout and stderr are files, so stderr is no terminal.
    RunResult zelkor(const std::vector<std::string>& args) const;
    // The terrain target and rock template of the examples, writing `output`, plus `more`.
    RunResult clone(const std::string& output, const std::vector<std::string>& more) const;
    nlohmann::json json_file(const std::string& name) const;
    std::filesystem::path path(const std::string& name) const { return dir_ / name; }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

    std::filesystem::path dir_;
};

}  // namespace zelkor::cli_test
