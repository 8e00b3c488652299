// The two object readers behind parse_lwo, one per FORM type family.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "host/document.h"
#include "io/iff_reader.h"

namespace zelkor::io {

host::Document read_lwo2_form(const IffForm& form, std::span<const std::uint8_t> file,
                              const std::filesystem::path& name_for_errors);

// LWOB, and LWLO (the same with LAYR chunks) when `layered`.
host::Document read_lwob_form(const IffForm& form, std::span<const std::uint8_t> file,
                              const std::filesystem::path& name_for_errors, bool layered);

}  // namespace zelkor::io
