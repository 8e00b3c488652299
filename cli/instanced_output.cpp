#include "cli/instanced_output.h"

#include <charconv>

#include "cli/usage_error.h"
#include "io/atomic_file.h"
#include "io/gltf.h"
#include "io/instance_table.h"
#include "io/mesh_file.h"

namespace zelkor::cli {

std::optional<InstanceForm> parse_instance_form(const std::string& text) {
    if (text.empty()) return std::nullopt;
    if (text == "gpu") return InstanceForm::Gpu;
    if (text == "nodes") return InstanceForm::Nodes;
    if (text == "table") return InstanceForm::Table;
    throw UsageError("--instances " + text + ": expected gpu, nodes or table");
}

void check_instance_output(InstanceForm form, const std::string& output) {
    const std::string ext = io::lower_extension(output);
    if (form == InstanceForm::Table) {
        if (ext != ".csv") throw UsageError("-o " + output + ": --instances table writes a table (use .csv)");
    } else if (ext != ".gltf" && ext != ".glb") {
        throw UsageError("-o " + output + ": --instances " + (form == InstanceForm::Gpu ? "gpu" : "nodes") +
                         " writes glTF (use .gltf or .glb)");
    }
}

void refuse_jitter(double jitter) {
    if (!(jitter > 0)) return;
    char text[32];
    char* end = std::to_chars(text, text + sizeof text, jitter).ptr;
    throw UsageError("--instances: \"Jitter Cloned points\" is " + std::string(text, std::size_t(end - text)) +
                     ": jittered clones are not rigid copies of the template (set it to 0, or write the clones merged)");
}

InstancedParts instanced_parts(const MergedObject& merged, const host::Document& templ_file, const std::vector<int>& background) {
    InstancedParts parts;
    const host::Document& object = merged.document;
    parts.target.tags = object.tags;
    parts.target.surfaces = object.surfaces;
    parts.target.chunks = object.chunks;
    parts.target.layers.assign(object.layers.begin(), object.layers.begin() + std::ptrdiff_t(merged.target_layer_count));
    parts.templ.tags = object.tags;
    parts.templ.surfaces = object.surfaces;
    for (int index : background) parts.templ.layers.push_back(object.layers[std::size_t(index)]);
    for (const host::Surface& surface : templ_file.surfaces)
        if (!parts.templ.find_surface(surface.name)) parts.templ.surfaces.push_back(surface);
    return parts;
}

std::vector<std::string> write_instanced(InstanceForm form, const InstancedParts& parts, const std::vector<io::Instance>& instances,
                                         const std::string& output, io::SaveGroup& group) {
    if (form == InstanceForm::Table) {
        io::write_instance_table(instances, group.open(output));
        return {};
    }
    const io::GltfInstances scatter{form == InstanceForm::Gpu ? io::GltfInstances::Form::Gpu : io::GltfInstances::Form::Nodes,
                                    &parts.templ, instances};
    return io::write_mesh(parts.target, output, &group, &scatter);
}

}  // namespace zelkor::cli
