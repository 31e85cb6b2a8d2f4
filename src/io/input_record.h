#pragma once
// The recorded input: one block per frame, the visible input state's items in order,
// little-endian, no padding (docs/input-recording.md).
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/input.h"

constexpr size_t kInputBlockSize = 2939;

void InputRecord_Encode(const CInputState& state, uint8_t* out);
// False, with what is wrong, when the block cannot be a recorded one (a flag other
// than 0 or 1, a key code or button outside its range, a text without its end); the
// state is then left as it was.
bool InputRecord_Decode(const uint8_t* in, CInputState& state, std::string& problem);
