// --instances: clones written as one template and a transform per clone instead of merged geometry.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/object_merge.h"
#include "io/instance.h"

namespace zelkor::io {
class SaveGroup;
}

namespace zelkor::cli {

enum class InstanceForm { Gpu, Nodes, Table };

// "gpu", "nodes", "table"; nothing for an empty text. Throws UsageError for others.
std::optional<InstanceForm> parse_instance_form(const std::string& text);

// Throws UsageError unless `output`'s extension suits the form (.gltf/.glb, or .csv for a table).
void check_instance_output(InstanceForm form, const std::string& output);

// Jittered clones are not rigid copies: throws UsageError naming the jitter.
void refuse_jitter(double jitter);

// What the instanced output needs of the object, taken before the run adds the clones: the target
// file's layers, and the template's chosen layers as an object of their own (with the surfaces
// their polygons use).
struct InstancedParts {
    host::Document target;
    host::Document templ;
};
InstancedParts instanced_parts(const MergedObject& merged, const host::Document& templ_file, const std::vector<int>& background);

// Adds the output to `group`; returns the writer's warnings.
std::vector<std::string> write_instanced(InstanceForm form, const InstancedParts& parts, const std::vector<io::Instance>& instances,
                                         const std::string& output, io::SaveGroup& group);

}  // namespace zelkor::cli
