// Mesh files by extension (case-insensitive): .lwo (LightWave object), .obj (Wavefront) and
// .gltf / .glb (glTF 2.0, binary for .glb).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/document.h"

namespace zelkor::io {

// The path's extension in lower case, with its dot (".lwo"); empty when it has none.
std::string lower_extension(const std::filesystem::path& path);

// Throws FileError when the file is missing or unreadable, its extension unknown, or its data bad.
host::Document read_mesh(const std::filesystem::path& path);

class SaveGroup;
struct GltfInstances;
// Returns warnings naming what the format could not hold; throws FileError when nothing could be
// written (the target is then left as it was). With a group, every byte is handed over on return,
// and the file is flushed and replaces the target when the group commits: the document may be
// released meanwhile. `instances` (glTF only) adds instanced clones.
std::vector<std::string> write_mesh(const host::Document& document, const std::filesystem::path& path,
                                    SaveGroup* group = nullptr, const GltfInstances* instances = nullptr);

}  // namespace zelkor::io
