#pragma once
// external_define, external_call and external_free, and their fixed-count forms.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kExternalFunctions[];
extern const size_t kExternalFunctionCount;
