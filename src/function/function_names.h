#pragma once
// The built-in functions' names and handlers, which fill the registry of vm/registry.h.
#include <span>

#include "vm/registry.h"

// The registration routines' name tables in start-up order (function_names.cpp).
std::span<const FunctionNameTable> Function_RegistrationRoutines();
// The handler that implements a name, or null (families.cpp, the one place that knows
// which families exist).
TBuiltinFunction Function_FindImplementation(const char* name);
// Makes Function_RegisterAll run the fifteen routines in order, each name bound to its
// handler (a stub where none exists).
void Function_InstallNames();
