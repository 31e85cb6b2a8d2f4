#pragma once
// Splash screens: text files, pictures and videos shown before the game goes on.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kSplashFunctions[];
extern const size_t kSplashFunctionCount;
