#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "io/file_error.h"
#include "io/mesh_file.h"

namespace zelkor::fuzz {

namespace {

struct Scratch {
    std::filesystem::path path;
    Scratch() {
        std::string pattern = (std::filesystem::is_directory("/dev/shm") ? std::string("/dev/shm")
                                                                         : std::filesystem::temp_directory_path().string()) +
                              "/zelkor-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror("zelkor fuzz: mkdtemp");
            std::abort();
        }
        path = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

[[noreturn]] void fail(const char* what, const std::exception& e) {
    std::fprintf(stderr, "zelkor fuzz: %s: %s\n", what, e.what());
    std::abort();
}

}  // namespace

const std::filesystem::path& scratch_folder() {
    static Scratch scratch;
    return scratch.path;
}

void write_everything(const host::Document& document) {
    for (const char* name : {"out.lwo", "out.obj", "out.gltf", "out.glb"}) {
        const std::filesystem::path path = scratch_folder() / name;
        try {
            io::write_mesh(document, path);
        } catch (const io::FileError&) {
            continue;  // refused, with its one line: what the command line would print
        }
        try {
            io::read_mesh(path);
        } catch (const io::FileError& e) {
            fail("a file written does not read back", e);
        }
    }
}

}  // namespace zelkor::fuzz
