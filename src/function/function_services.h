#pragma once
// Colours, digests and encodings, the clipboard, the program and the services a game
// may ask of the platform (achievements, advertising, purchases, social networks, web
// addresses, device and system queries).
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kServiceFunctions[];
extern const size_t kServiceFunctionCount;
