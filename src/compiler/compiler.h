#pragma once
// Compiling script text into a code unit: lexer, classification, parser, and the
// code generator whose bytecode runs on the machine like the data file's own.
#include <string>

#include "vm/code.h"

// Compiles `text` as a unit of `kind` (CCode::kProgram or CCode::kExpression) named
// `name` (white space in it becomes "_") into `code`. An expression that is a single
// constant becomes a unit of kind CCode::kConstant. On failure returns false with
// `error` set to the formatted message (also kept as the last compile error) and
// leaves the unit uncompiled; compiling a compiled unit fails with "Internal Error:
// Recompiling compiled code.".
bool Code_Compile(const std::string& text, const std::string& name, int kind, CCode& code, std::string& error);

// Compiles a unit that holds its text already (code.source), keeping its name.
bool Code_CompileUnit(CCode& code, int kind, std::string& error);

// The text of the latest compile error.
const std::string& Code_LastCompileError();

// The report form of an error at byte offset `position` of `text`: for a program
// "Error in code at line %d:\n   %s\n\nat position %d: %s" (1-based line and column,
// the line's text, the message), for an expression
// "Error in expression: %s\n position %d: %s" (the text, the 1-based position).
std::string Code_FormatError(const std::string& text, int position, const std::string& message, bool expression);

// A unit's name as units are named: every white-space byte replaced by "_".
std::string Code_UnitName(const std::string& name);

// The instruction listing of a unit compiled from text (empty for other units).
std::string Code_Listing(const CCode& code);
