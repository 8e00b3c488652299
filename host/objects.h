// The "Scene Objects 6" service: the names of the object's vertex maps.
#pragma once

#include <string>
#include <vector>

#include "api/host_api.h"
#include "host/document.h"

namespace zelkor::host {

class ObjectService {
public:
    // The table handed to modules; its functions read the service of the current activation
    // (ActiveScope<ObjectService>) and answer 0 / null outside one.
    static LWObjectFuncs* table();

    // Takes the map names of the whole object: every layer of `document` in layer order, each
    // distinct (type, name) once, in order of first appearance. The texts handed out stay valid
    // until the next refresh, so a modeller refreshes once per activation.
    void refresh(const Document& document);

    int count(LWID type) const;
    const char* name(LWID type, int index) const;  // null for an index out of range

private:
    struct NamesOfType {
        LWID type = 0;
        std::vector<std::string> names;
    };
    const NamesOfType* find(LWID type) const;

    std::vector<NamesOfType> types_;
};

}  // namespace zelkor::host
