// Threads that map memory ahead of the working threads run at the lowest priority: on a machine
// with few cores they use what the work leaves idle instead of taking turns with it.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

namespace zelkor {

// Gives the calling thread (alone) the largest niceness. Raising it needs no privilege; where
// it fails the thread only keeps its priority.
inline void run_in_background() { ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19); }

}  // namespace zelkor
