#pragma once
// The data structure built-ins: ds_set_precision and the ds_stack_*, ds_queue_*,
// ds_list_*, ds_map_*, ds_priority_* and ds_grid_* families.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kDsFunctions[];
extern const size_t kDsFunctionCount;

// The non-fatal error every ds_* function gives for an id that names no live
// structure of its kind (the function then does nothing and gives the real 0).
inline constexpr const char* kDsNoSuchStructure = "Data structure with index does not exist.";
