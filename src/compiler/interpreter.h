#pragma once
// The tree interpreter ("-oldexec"): runs a unit compiled from text by walking its
// parse tree, with its own operator messages and exact comparison of numbers.
class CInstance;
class CCode;
class CValue;

// Runs `code`'s tree for self and other. `result` (may be null) receives the value of
// an expression unit or of a program's `return`. A run-time error is shown as a
// non-fatal code error and stops the unit; so does any other error reported while it
// runs. Returns false when the unit stopped on an error.
bool Code_Interpret(CInstance* self, CInstance* other, const CCode& code, CValue* result);
