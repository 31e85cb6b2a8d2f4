#pragma once

#include <cstddef>

// Bytes left on the calling thread's stack below the caller's frame.
size_t Stack_Remaining();

// Whether the stack is too low for one more level of game code nested on the host stack
// (a run inside a run, the tree interpreter, the parser): such code stops with its own
// error well before the end of the stack rather than dying of it.
bool Stack_IsLow();
