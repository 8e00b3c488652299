// A clone's instance transform from the values the module drew for it.
#pragma once

#include "api/run_observer.h"
#include "io/instance.h"

namespace zelkor::cli {

// `record` must carry its draws (has_draws).
io::Instance instance_of(const zelkor_clone_record& record);

}  // namespace zelkor::cli
