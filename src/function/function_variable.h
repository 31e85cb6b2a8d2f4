#pragma once
// The variable_* built-in functions.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kVariableFunctions[];
extern const size_t kVariableFunctionCount;
