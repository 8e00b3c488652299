#include "host/objects.h"

#include "host/active.h"

namespace zelkor::host {
namespace {

int num_vmaps(LWID type) {
    const ObjectService* service = ActiveScope<ObjectService>::current();
    return service ? service->count(type) : 0;
}

const char* vmap_name(LWID type, int index) {
    const ObjectService* service = ActiveScope<ObjectService>::current();
    return service ? service->name(type, index) : nullptr;
}

LWObjectFuncs kTable = {num_vmaps, vmap_name};

}  // namespace

LWObjectFuncs* ObjectService::table() { return &kTable; }

void ObjectService::refresh(const Document& document) {
    types_.clear();
    for (const Layer& layer : document.layers) {
        for (const VertexMap& map : layer.vmaps) {
            auto it = std::find_if(types_.begin(), types_.end(), [&](const NamesOfType& t) { return t.type == map.type; });
            NamesOfType* entry = it != types_.end() ? &*it : &types_.emplace_back(NamesOfType{map.type, {}});
            bool known = false;
            for (const std::string& name : entry->names) known = known || name == map.name;
            if (!known) entry->names.push_back(map.name);
        }
    }
}

const ObjectService::NamesOfType* ObjectService::find(LWID type) const {
    for (const NamesOfType& entry : types_)
        if (entry.type == type) return &entry;
    return nullptr;
}

int ObjectService::count(LWID type) const {
    const NamesOfType* entry = find(type);
    return entry ? int(entry->names.size()) : 0;
}

const char* ObjectService::name(LWID type, int index) const {
    const NamesOfType* entry = find(type);
    if (!entry || index < 0 || std::size_t(index) >= entry->names.size()) return nullptr;
    return entry->names[std::size_t(index)].c_str();
}

}  // namespace zelkor::host
