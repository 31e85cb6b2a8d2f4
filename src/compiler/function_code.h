#pragma once
// execute_string and execute_file: script text compiled and run on the spot.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kCodeFunctions[];
extern const size_t kCodeFunctionCount;
