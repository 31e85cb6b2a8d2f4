#pragma once
#include <cstddef>

#include "vm/registry.h"

// script_execute, script_exists, script_get_name, script_get_text.
extern const FunctionImpl kScriptFunctions[];
extern const size_t kScriptFunctionCount;
