#pragma once
// What every fuzz target needs before its first input: the engine's tables of built-in
// variables, functions and constants, as the runner registers them at start-up.
#include "compiler/constants.h"
#include "function/function_names.h"
#include "runner/game_loop.h"
#include "variable/variables.h"
#include "vm/registry.h"

inline void Fuzz_RegisterEngine() {
    static const bool done = [] {
        Variable_RegisterBuiltins();
        Game_ConnectVariables();
        Function_InstallNames();
        Function_RegisterAll();
        Constant_RegisterAll();
        return true;
    }();
    (void)done;
}
