#include "io/mesh_file.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "io/file_error.h"
#include "io/lwo.h"

#if __has_include("io/obj.h")
#include "io/obj.h"
#define ZELKOR_HAS_OBJ 1
#endif
#if __has_include("io/gltf.h")
#include "io/gltf.h"
#define ZELKOR_HAS_GLTF 1
#endif

namespace zelkor::io {

namespace {

std::string lower_extension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

[[noreturn]] void unknown_extension(const std::filesystem::path& path, const std::string& extension,
                                    const char* known) {
    std::string shown = extension.empty() ? "no extension" : "extension \"" + extension + "\"";
    throw FileError(path, shown + " is not a mesh format this tool " + known);
}

[[noreturn, maybe_unused]] void not_built(const std::filesystem::path& path, const char* format) {
    throw FileError(path, std::string(format) + " files are not supported by this build");
}

void require_readable_file(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) throw FileError(path, "cannot open: no such file");
    if (std::filesystem::is_directory(status)) throw FileError(path, "cannot read: it is a folder");
}

std::size_t selected_polygons(const host::Document& document) {
    std::size_t count = 0;
    for (const host::Layer& layer : document.layers)
        count += std::size_t(std::count(layer.poly_selected.begin(), layer.poly_selected.end(), std::uint8_t(1)));
    return count;
}

std::vector<std::string> write_lwo_with_warnings(const host::Document& document, const std::filesystem::path& path) {
    write_lwo(document, path);
    std::vector<std::string> warnings;
    if (std::size_t selected = selected_polygons(document))
        warnings.push_back("the polygon selection (" + std::to_string(selected) +
                           " polygons) is not stored in LWO files");
    return warnings;
}

}  // namespace

host::Document read_mesh(const std::filesystem::path& path) {
    std::string extension = lower_extension(path);
    if (extension == ".lwo") {
        require_readable_file(path);
        return read_lwo(path);
    }
    if (extension == ".obj") {
        require_readable_file(path);
#ifdef ZELKOR_HAS_OBJ
        return read_obj(path);
#else
        not_built(path, "OBJ");
#endif
    }
    unknown_extension(path, extension, "reads (.lwo, .obj)");
}

std::vector<std::string> write_mesh(const host::Document& document, const std::filesystem::path& path) {
    std::string extension = lower_extension(path);
    if (extension == ".lwo") return write_lwo_with_warnings(document, path);
    if (extension == ".obj") {
#ifdef ZELKOR_HAS_OBJ
        return write_obj(document, path);
#else
        not_built(path, "OBJ");
#endif
    }
    if (extension == ".gltf" || extension == ".glb") {
#ifdef ZELKOR_HAS_GLTF
        return write_gltf(document, path);
#else
        not_built(path, "glTF");
#endif
    }
    unknown_extension(path, extension, "writes (.lwo, .obj, .gltf, .glb)");
}

}  // namespace zelkor::io
