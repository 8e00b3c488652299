// Wavefront OBJ text through the reader, then every writer.
#include <string>

#include "fuzz_support.h"
#include "io/file_error.h"
#include "io/obj.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zelkor::host::Document document;
    try {
        document = zelkor::io::parse_obj_text(std::string(reinterpret_cast<const char*>(data), size), "fuzz.obj");
    } catch (const zelkor::io::FileError&) {
        return 0;
    }
    zelkor::fuzz::write_everything(document);
    return 0;
}
