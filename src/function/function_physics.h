#pragma once
// The physics_* functions: the running room's world, fixtures, bodies and joints.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kPhysicsFunctions[];
extern const size_t kPhysicsFunctionCount;
