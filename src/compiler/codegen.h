#pragma once
// The code generator: a parse tree becomes bytecode of the machine, with the debug
// pairs that let run-time errors name the source line.
#include <string>

#include "compiler/node.h"
#include "vm/code.h"

// Emits `tree` as a program unit (kind CCode::kProgram) or an expression unit into
// code.buffer, code.strings and code.debug.positions. False with `message` and the
// source position when the unit is too large for the branch encoding.
bool Gen_Emit(const CNode& tree, int kind, CCode& code, std::string& message, int& position);

// The integer a value gives as an array index, a scope or a with target: a real
// truncated toward zero, a text read as a decimal integer prefix (the machine's int
// conversion of a variable item).
int32_t Gen_ValueToInt(const CValue& value);
