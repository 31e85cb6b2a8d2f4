#pragma once
// Date-times: a real counting days since 30 December 1899, its fraction the time of
// day (day 25569 is 1 January 1970). Fields are read and built in local time.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kDateFunctions[];
extern const size_t kDateFunctionCount;
