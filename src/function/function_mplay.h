#pragma once
// Multiplayer sessions. There is no transport behind them: every call answers as if no
// connection, session, player or message exists, so games that use them play on alone.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kMplayFunctions[];
extern const size_t kMplayFunctionCount;
