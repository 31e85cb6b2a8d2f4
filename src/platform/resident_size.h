#pragma once
// The process's resident size in bytes (0 where the system does not say): what the heap
// counters cannot see (driver and library memory), for the long-run checks.
#include <cstddef>

size_t Memory_ResidentBytes();
