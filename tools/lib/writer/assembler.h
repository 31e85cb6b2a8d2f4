#pragma once
// Bytecode assembler: turns instruction text into one code entry of a game data
// description, with its variable and function references, so that tests, the packer
// and the tools can build code units without counting bytes by hand.
//
// Text form, one instruction per line; ';' starts a comment; "name:" defines a label
// (a line may hold labels followed by an instruction). Mnemonics are spelled as the
// instruction listing spells them, type suffixes glued on:
//
//   conv.<from>.<to>   mul add sub ... sgt .<top>.<below>   two types: the first suffix
//                      goes to bits 16-19 (the top item, the right operand), the second
//                      to bits 20-23 (the item below)
//   neg.t not.t dup.t ret.t exit.t popz.t                  one type
//   b bt bf pushenv popenv  LABEL | signed word count      branches
//   popenv.break       the early exit out of a with block (type byte 0xF0, no target);
//                      "popenv break", the listing's spelling, is taken too
//   push.d 3.5   push.f 1.5   push.i 42   push.l 123456789012   push.b true|false
//   push.s "text"      escapes \" \\ \n \r \t; the text goes to the STRG list
//   push.e -5          type error: the value is the 16-bit immediate
//   push.v VAR         pop.v.<valuetype> VAR    (pop: destination type first, always .v)
//   call.i NAME ARGC
//   break              no operation (type error, no operand); break.<t> carries a zero operand
//   .word W [W...]     raw 32-bit words, for deliberately malformed code
//
// Types: d double, f float, i int, l long, b bool, v variable, s string, e error.
// Integers may be written in decimal or as 0x hexadecimal, with an optional sign.
//
// VAR is SCOPE.NAME, with "[]" appended when an array index lies on the stack.
// SCOPE is self (-1), other (-2), all (-3), noone (-4), global (-5), builtin or unspec
// (-6: global when the name is declared globalvar, else self), local (-7), a number from
// -32768 to 32767 (an object index), an instance id from 100000 to 132767 (encoded
// relative to 100000), or stack (the scope is popped from the stack, below the index).
#include <string>

#include "writer/writer.h"

// Assembles `text` into a new code entry named `entryName`, appended to desc.code.
// Each variable and function the entry uses is added to the record of that name in
// desc.variables / desc.functions (a record is created when the name is new), and
// string constants are added to desc.strings. On failure returns false with `error`
// set to one line naming the source line ("line 3: unknown mnemonic frob") and
// leaves `desc` untouched.
bool Asm_Assemble(GameDataDesc& desc, const std::string& entryName, const std::string& text, std::string& error);
