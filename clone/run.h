// The module's entry points: registration with the host and the activation that performs one
// complete clone run.
#pragma once

#include "api/host_api.h"

namespace zelkor {

void* Startup();
void Shutdown(void* server_data);

// One clone run: 3 when the mesh edit cannot be opened, 0 otherwise (also after a message).
int CloneMake(int version, GlobalFunc global, void* local, void* server_data);

extern const ServerTagInfo mk_tags[];
extern const ServerRecord ServerDesc[];

}  // namespace zelkor
