#pragma once
// action_*: the functions the designer's action blocks compile to. They wrap the other
// families with the blocks' conventions: the relative switch (argument_relative), the
// question actions that answer 1 or 0, and the blocks' argument encodings.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kActionFunctions[];
extern const size_t kActionFunctionCount;

// The particle system, types and emitters the particle actions share (game end).
void Action_ResetParticles();
