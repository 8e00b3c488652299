// What the fuzz targets share: a scratch folder for files, and every writer run on a document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "host/document.h"

namespace zelkor::fuzz {

// A private folder (in /dev/shm when there is one, so that flushing a file costs nothing),
// removed when the program ends.
const std::filesystem::path& scratch_folder();

// Saves `document` as LWO, OBJ, glTF and GLB, as the command line does. Each may refuse with a
// FileError; a file that was written must read back, or the process aborts.
void write_everything(const host::Document& document);

}  // namespace zelkor::fuzz

// libFuzzer's entry point, also called by the replay program.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
