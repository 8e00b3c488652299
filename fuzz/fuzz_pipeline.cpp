// The whole command on small inputs: read, merge, module run, write. The first four bytes choose
// the run (target format, clone count, seed, switches); the rest is the target file. With one
// switch the target is its own template, so that fuzzed maps and polygons get cloned too.
#include <cstdio>
#include <fstream>
#include <string>

#include "cli/clone_command.h"
#include "cli/usage_error.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelkor::cli;
    if (size < 4) return 0;
    const std::uint8_t format = data[0], clones = data[1], seed = data[2], switches = data[3];
    const std::filesystem::path& folder = zelkor::fuzz::scratch_folder();
    static const char* const targets[] = {"target.lwo", "target.obj", "target.glb", "target.gltf"};
    const std::filesystem::path target = folder / targets[format & 3];
    std::ofstream(target, std::ios::binary).write(reinterpret_cast<const char*>(data + 4), std::streamsize(size - 4));

    static const char* const outputs[] = {"out.lwo", "out.obj", "out.glb", "out.gltf"};
    Options options;
    options.target = target.string();
    options.templ = switches & 1 ? target.string() : std::string(ZELKOR_EXAMPLES) + "/rock.lwo";
    options.output = (folder / outputs[(format >> 2) & 3]).string();
    options.quiet = true;
    options.max_memory = std::uint64_t(256) << 20;
    options.session_seed = seed;
    options.steps = {{false, "num_clones", std::to_string(clones % 24)},
                     {false, "seed", std::to_string(seed)},
                     {false, "jitter", switches & 2 ? "0.3" : "0"},
                     {false, "independent_sizes", switches & 4 ? "1" : "0"},
                     {false, "size_wg", std::to_string((switches >> 3) & 3)},
                     {false, "density_wg", std::to_string((switches >> 5) & 3)},
                     {false, "auto_morph_maps", switches & 128 ? "2" : "0"}};
    if (format & 16) options.report_file = (folder / "report.json").string();
    // Silence the run's own lines; faults are what the fuzzer looks for.
    std::FILE* out = std::freopen("/dev/null", "w", stdout);
    (void)out;
    try {
        run_clone_command(options);
    } catch (const UsageError&) {
    } catch (const std::exception&) {
        // exit 1 in the command: a file fault or a message the module ends with
    }
    return 0;
}
