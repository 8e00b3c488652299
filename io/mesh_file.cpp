#include "io/mesh_file.h"

#include <algorithm>
#include <cctype>
#include <future>
#include <system_error>

#include "io/atomic_file.h"
#include "io/file_error.h"
#include "io/finite_values.h"
#include "io/gltf.h"
#include "io/lwo.h"
#include "io/obj.h"

namespace zelkor::io {

namespace {

[[noreturn]] void unknown_extension(const std::filesystem::path& path, const std::string& extension,
                                    const char* known) {
    std::string shown = extension.empty() ? "no extension" : "extension \"" + extension + "\"";
    throw FileError(path, shown + " is not a mesh format this tool " + known);
}

void require_readable_file(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) throw FileError(path, "cannot open: no such file");
    if (std::filesystem::is_directory(status)) throw FileError(path, "cannot read: it is a folder");
}

}  // namespace

std::string lower_extension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}


host::Document read_mesh(const std::filesystem::path& path) {
    std::string extension = lower_extension(path);
    if (extension == ".lwo") {
        require_readable_file(path);
        return read_lwo(path);
    }
    if (extension == ".obj") {
        require_readable_file(path);
        return read_obj(path);
    }
    if (extension == ".gltf" || extension == ".glb") {
        require_readable_file(path);
        return read_gltf(path);
    }
    unknown_extension(path, extension, "reads (.lwo, .obj, .gltf, .glb)");
}

std::vector<std::string> write_mesh(const host::Document& document, const std::filesystem::path& path, SaveGroup* group,
                                    const GltfInstances* instances) {
    std::string extension = lower_extension(path);
    const bool known = extension == ".lwo" || extension == ".obj" || extension == ".gltf" || extension == ".glb";
    if (!known) unknown_extension(path, extension, "writes (.lwo, .obj, .gltf, .glb)");
    // Checked in every format before the file is kept (OBJ would write "nan" and glTF null bounds;
    // every format stores floats), on another thread while the encoding begins: a fault found
    // there wins over any of the encoding, as when the check ran first.
    std::future<void> finite = std::async(std::launch::async, [&] {
        refuse_non_finite(document, path);
        if (instances) refuse_non_finite(*instances->templ, path);
    });

    // Without the caller's group, the file (and an OBJ's materials) are saved as a group of their own.
    SaveGroup own;
    SaveGroup& files = group ? *group : own;
    // A polygon selection is a working state of the modeller, not part of the object: no format
    // keeps it and none warns about it.
    std::vector<std::string> warnings;
    try {
        AtomicOutput& output = files.open(path);
        if (extension == ".lwo") {
            write_lwo(document, output);
        } else if (extension == ".obj") {
            // The materials beside it, saved with it: out.obj names out.mtl.
            std::filesystem::path mtl_path = path;
            mtl_path.replace_extension(".mtl");
            warnings = write_obj(document, output, &files.open(mtl_path));
        } else {
            warnings = write_gltf(document, output, instances);
        }
    } catch (...) {
        finite.get();
        throw;
    }
    finite.get();
    if (!group) own.commit();
    return warnings;
}

}  // namespace zelkor::io
