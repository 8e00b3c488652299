// LightWave objects (LWO2, LWOB, LWLO) through the reader, then every writer.
#include <span>

#include "fuzz_support.h"
#include "io/file_error.h"
#include "io/lwo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zelkor::host::Document document;
    try {
        document = zelkor::io::parse_lwo(std::span(data, size), "fuzz.lwo");
    } catch (const zelkor::io::FileError&) {
        return 0;
    }
    zelkor::fuzz::write_everything(document);
    return 0;
}
