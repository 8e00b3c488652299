// The process's peak resident memory, for benchmarks that state a memory target.
#pragma once

#include <sys/resource.h>

inline double peak_resident_megabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes on Linux
}
