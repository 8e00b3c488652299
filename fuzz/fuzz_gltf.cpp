// glTF and GLB bytes through the reader, then every writer.
#include <fstream>

#include "fuzz_support.h"
#include "io/file_error.h"
#include "io/gltf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader takes a file: buffers of a .gltf may name other files beside it.
    const std::filesystem::path path = zelkor::fuzz::scratch_folder() / "in.gltf";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    zelkor::host::Document document;
    try {
        document = zelkor::io::read_gltf(path);
    } catch (const zelkor::io::FileError&) {
        return 0;
    }
    zelkor::fuzz::write_everything(document);
    return 0;
}
