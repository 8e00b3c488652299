#include "io/lwo.h"


#include "io/atomic_file.h"
#include "io/file_error.h"
#include "io/iff_reader.h"
#include "io/iff_writer.h"
#include "io/lwo_ids.h"
#include "io/lwo_read.h"
#include "io/whole_file.h"

namespace zelkor::io {


host::Document parse_lwo(std::span<const std::uint8_t> bytes, const std::filesystem::path& name_for_errors) {
    IffForm form = split_iff_form(bytes, name_for_errors);
    switch (form.type) {
        case lwo::kLwo2: return read_lwo2_form(form, bytes, name_for_errors);
        case lwo::kLwob: return read_lwob_form(form, bytes, name_for_errors, false);
        case lwo::kLwlo: return read_lwob_form(form, bytes, name_for_errors, true);
        case lwo::kLwo3:
            throw_chunk_error(name_for_errors, "FORM", 8,
                              "type \"LWO3\" is a newer LightWave object format, not supported (LWO2, LWOB and "
                              "LWLO are)");
        default:
            throw_chunk_error(name_for_errors, "FORM", 8,
                              "type \"" + host::id_text(form.type) +
                                  "\" is not a LightWave object (LWO2, LWOB or LWLO expected)");
    }
}

host::Document read_lwo(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes = read_whole_file(path);
    return parse_lwo(bytes, path);
}

void write_lwo(const host::Document& document, const std::filesystem::path& path) {
    AtomicOutput output(path);
    write_lwo(document, output);
    output.publish();
}

void write_lwo(const host::Document& document, AtomicOutput& output) {
    IffWriter out(output);
    encode_lwo2(document, output.path(), out);
    out.finish();
}

}  // namespace zelkor::io
