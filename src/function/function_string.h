#pragma once
// Conversions between numbers and texts, and text manipulation on UTF-8 texts.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kStringFunctions[];
extern const size_t kStringFunctionCount;

// The longest text a text function builds (string_repeat, string_replace_all,
// string_insert, ...). A longer result is refused with a non-fatal error and gives
// the empty text: a game asking for more is in a runaway loop, and the memory
// manager would otherwise be asked for gigabytes.
constexpr size_t kTextResultLimit = size_t{64} << 20;
