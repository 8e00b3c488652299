// Clones as a table (.csv), one row per clone in build order, for point-instancing in other tools.
#pragma once

#include <span>

#include "io/instance.h"

namespace zelkor::io {

class AtomicOutput;

// Writes and flushes `output`, which the caller publishes.
void write_instance_table(std::span<const Instance> instances, AtomicOutput& output);

}  // namespace zelkor::io
