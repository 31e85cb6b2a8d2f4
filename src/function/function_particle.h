#pragma once
// part_* and effect_*: particle types, systems, their effectors and the ready-made
// effects.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kParticleFunctions[];
extern const size_t kParticleFunctionCount;
