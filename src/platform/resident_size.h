#pragma once
// What the process holds beyond the memory manager's own counters (the containers, the
// driver and the libraries allocate from the C library), for the long-run checks.
#include <cstddef>

// The resident size in bytes; 0 where the system does not say.
size_t Memory_ResidentBytes();
// Bytes of the C library's main heap handed out and not had back (the blocks it does not
// map one by one: the big ones, such as the driver's vertex buffers, come and go in
// whole mappings); 0 where it does not say.
size_t Memory_MallocInUse();
