#pragma once

#include <cstdint>

// Microseconds on a monotonic clock with an arbitrary origin: only
// differences between two readings mean anything.
int64_t Timing_Time();

// Wait the given number of microseconds, close enough for frame pacing.
// Zero or less returns at once; more than a day waits a day.
void Timing_Sleep(int64_t microseconds);
