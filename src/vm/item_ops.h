#pragma once
// Conversions, arithmetic and comparisons of stack items.
//
// Binary operations take the item below (left) and the top item (right), write the
// result into `left` and consume `right` (its text is released or taken over). Each
// returns null on success or the machine's error text, after releasing the texts of
// both operands; the caller raises the run-time error with that text.
#include <cstdint>

#include "vm/item.h"

// conv: `typeByte` has the source type in its low four bits and the target in the high.
const char* VMOp_Conv(VMSlot& item, uint8_t typeByte);

// mul, div, rem, mod, add, sub, and, or, xor, shl, shr (opcodes 0x04..0x0C, 0x0F, 0x10).
const char* VMOp_Binary(uint8_t opcode, VMSlot& left, VMSlot& right);

// neg, not (0x0D, 0x0E), in place.
const char* VMOp_Unary(uint8_t opcode, VMSlot& item);

// slt, sle, seq, sne, sge, sgt (0x11..0x16): `left` becomes a bool item.
const char* VMOp_Compare(uint8_t opcode, VMSlot& left, VMSlot& right);
